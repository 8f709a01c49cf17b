// Tools > Meeting Agendas... and Tools > Templates... in the window: each
// opens its editor on the open store, "Record Meeting" opens the Meeting
// Recorder with the agenda shown, a template's "New Recording" opens the
// view's recorder with its comments; and the autostart question behind
// "Run diary reminder on startup".
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "app_fixture.h"
#include "kivo/core/autostart_entry.h"
#include "kivo/core/user_messages.h"
#include "kivo/meeting/agendas_dialog.h"
#include "kivo/meeting/meeting_recorder_dialog.h"
#include "kivo/recorder/templates_dialog.h"
#include "main_window.h"
#include "meeting_tools_commands.h"
#include "temp_dir.h"

namespace kivo::app {
namespace {

using core::ViewKind;

class MainWindowMeetingToolsTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
    }

    // Runs `in_dialog` on each modal dialog that opens, in order, until it
    // returns false.
    void OnModalDialogs(std::function<bool(QWidget*)> in_dialog) {
        auto step = std::make_shared<std::function<void()>>();
        *step = [step, in_dialog] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (dialog == nullptr || in_dialog(dialog))
                QTimer::singleShot(50, *step);
        };
        QTimer::singleShot(0, *step);
    }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowMeetingToolsTest, AnAgendaTypedInTheEditorIsRecordedAgainstInTheMeetingRecorder) {
    QAction* agendas = window_->commands().action(Command::kMeetingAgendas);
    ASSERT_TRUE(agendas->isEnabled());
    std::vector<std::string> opened;
    int agenda_items_in_recorder = -1;
    OnModalDialogs([&](QWidget* dialog) {
        opened.push_back(dialog->windowTitle().toStdString());
        if (auto* editor = qobject_cast<meeting::AgendasDialog*>(dialog)) {
            editor->title_edit()->setText(QStringLiteral("Board meeting"));
            editor->items_edit()->setPlainText(QStringLiteral("Budget\nStaff\nOther"));
            EXPECT_TRUE(editor->SaveFields());
            editor->record_button()->click();
            return true;
        }
        if (auto* recorder = qobject_cast<meeting::MeetingRecorderDialog*>(dialog)) {
            agenda_items_in_recorder = recorder->agenda_tree()->topLevelItemCount();
            EXPECT_EQ(recorder->subject_edit()->text(), "Board meeting");
            recorder->close();
        }
        return false;
    });
    agendas->trigger();
    EXPECT_EQ(opened,
              (std::vector<std::string>{"Kivo Agenda Meeting Agendas", "Meeting Recorder"}));
    EXPECT_EQ(agenda_items_in_recorder, 3);

    // New Recording in the meeting view offers the stored agenda.
    window_->ShowKind(ViewKind::kMeeting);
    int offered = -1;
    OnModalDialogs([&](QWidget* dialog) {
        if (auto* recorder = qobject_cast<meeting::MeetingRecorderDialog*>(dialog)) {
            offered = recorder->stored_agendas_box()->count() - 1;
            recorder->close();
        }
        return false;
    });
    window_->commands().action(Command::kNewRecording)->trigger();
    EXPECT_EQ(offered, 1);
}

TEST_F(MainWindowMeetingToolsTest, ATemplatesNewRecordingOpensTheViewsRecorderWithItsComments) {
    window_->ShowKind(ViewKind::kDiary);
    QStringList offered_comments;
    OnModalDialogs([&](QWidget* dialog) {
        if (auto* editor = qobject_cast<recorder::TemplatesDialog*>(dialog)) {
            editor->name_edit()->setText(QStringLiteral("Day"));
            editor->comments_edit()->setPlainText(QStringLiteral("Morning\nEvening"));
            EXPECT_TRUE(editor->SaveFields());
            editor->record_button()->click();
            return true;
        }
        if (auto* recorder = qobject_cast<recorder::SpanRecorderDialog*>(dialog)) {
            EXPECT_EQ(recorder->windowTitle(), "Diary Recorder");
            for (int i = 0; i < recorder->index_comment_box()->count(); ++i)
                offered_comments << recorder->index_comment_box()->itemText(i);
            recorder->close();
        }
        return false;
    });
    window_->commands().action(Command::kTemplates)->trigger();
    EXPECT_EQ(offered_comments, (QStringList{"Morning", "Evening"}));
}

TEST_F(MainWindowMeetingToolsTest, SwitchingTheStartupReminderOnAsksForTheAutostartEntry) {
    // A private configuration folder: the user's own is never touched.
    test::TempDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path().string()));
    const auto restore = qScopeGuard([&saved] {
        if (saved.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", saved);
    });
    const core::AutostartEntry entry(core::AutostartEntry::ConfigHomeOfUser(), "/unused");
    ASSERT_FALSE(std::filesystem::exists(entry.path()));
    // Answered No: nothing is written.
    FollowDiaryStartSetting(reporter_, false, true);
    ASSERT_EQ(reporter_.reports().size(), 1u);
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleQuestion);
    EXPECT_FALSE(std::filesystem::exists(entry.path()));
    // Answered Yes: the entry is written; switching off removes it.
    reporter_.set_answer(core::kAnswerYes);
    FollowDiaryStartSetting(reporter_, false, true);
    EXPECT_TRUE(entry.Installed());
    FollowDiaryStartSetting(reporter_, true, true);  // unchanged: not asked again
    EXPECT_EQ(reporter_.reports().size(), 2u);
    FollowDiaryStartSetting(reporter_, true, false);
    EXPECT_FALSE(std::filesystem::exists(entry.path()));
}

}  // namespace
}  // namespace kivo::app
