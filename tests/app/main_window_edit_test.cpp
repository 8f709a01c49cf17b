// Edit from the record list: the dialog of the record's kind opens, a saved
// change shows in the list again and the record stays selected; video
// records say that they cannot be edited.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "app_fixture.h"
#include "file_bytes.h"
#include "kivo/core/user_messages.h"
#include "kivo/records/record_edit_dialog.h"
#include "kivo/recordstore/record_line.h"
#include "main_window.h"
#include "xrsave.h"

namespace kivo::app {
namespace {

using core::ViewKind;

class MainWindowEditTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
    }
    std::filesystem::path working() { return window_->session().store().working_folder(); }

    // Saves a meeting record into the open store as the recorder would.
    void SaveMeeting(int number, const std::string& subject) {
        const std::string stamp = "20261208" + std::to_string(number);
        const std::string base = "D" + stamp;
        test::WriteFileText((working() / (base + ".xrw")).string(), "sound");
        test::WriteFileText((working() / (base + ".xrs")).string(), "");
        recordstore::RecordFields fields;
        fields.record_number = number;
        fields.kind_code = "1";
        fields.subject = subject;
        fields.container_name = base + ".xrz";
        fields.start_date = fields.end_date = "08/12/2026";
        fields.start_time = "10:00:00";
        fields.end_time = "10:30:00";
        fields.duration = "00:30:00";
        test::WriteFileText((working() / (base + ".xrl")).string(),
                            recordstore::RecordLine::Build(fields).bytes);
        const std::string store = window_->session().store().store_path().string();
        ASSERT_GT(XRsaveM((base + ".xrw").c_str(), (base + ".xrl").c_str(), (base + ".xrs").c_str(),
                          "", working().c_str(), store.c_str(), stamp.c_str(), 0),
                  0);
    }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowEditTest, EditOpensTheMeetingEditorAndTheListShowsTheChange) {
    SaveMeeting(1, "first");
    SaveMeeting(2, "second");
    window_->ShowKind(ViewKind::kMeeting);
    ASSERT_EQ(window_->records().rowCount(), 2);
    int row = window_->records().Id(0) == QStringLiteral("00000002") ? 0 : 1;
    window_->record_view()->selectRow(row);
    QAction* edit = window_->commands().action(Command::kEdit);
    ASSERT_TRUE(edit->isEnabled());

    QString title;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<records::RecordEditDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        title = editor->windowTitle();
        editor->findChild<QLineEdit*>(QStringLiteral("subject"))->setText("second, edited");
        for (QPushButton* button : editor->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("&OK"))
                QTest::mouseClick(button, Qt::LeftButton);
        }
    });
    edit->trigger();

    EXPECT_EQ(title, QStringLiteral("Meeting Editor"));
    EXPECT_TRUE(reporter_.reports().empty());
    ASSERT_EQ(window_->records().rowCount(), 2);
    const std::vector<int> selected = window_->SelectedRows();
    ASSERT_EQ(selected.size(), 1u);
    EXPECT_EQ(window_->records().Id(selected[0]), QStringLiteral("00000002"));
    EXPECT_EQ(window_->current_record().id, "00000002");
    bool shown = false;
    for (int column = 0; column < window_->records().columnCount(); ++column) {
        if (window_->records().index(selected[0], column).data().toString() ==
            QStringLiteral("second, edited"))
            shown = true;
    }
    EXPECT_TRUE(shown);
}

TEST_F(MainWindowEditTest, AVideoRecordWhoseContainerIsMissingIsNotEditedAndSays108) {
    test::RecordFields video;
    video.number = 3;
    video.kind = "9";
    video.container = "D2026120803.xrv";
    test::WriteWorkingLog(working(), "Voxwren.xrr", {video});
    window_->ShowKind(ViewKind::kVideo);
    ASSERT_EQ(window_->records().rowCount(), 1);
    window_->record_view()->selectRow(0);
    window_->EditSelectedRecords();
    // The Video Editor looks for the record's container, which this store lacks.
    EXPECT_EQ(reporter_.codes(), std::vector<int>{108});
}

}  // namespace
}  // namespace kivo::app
