// A new user's first dictation, from the Kivo window to the data store and
// back: New Recording opens the recorder; two seconds are recorded with two
// marks, one second is inserted after the first second, half a second is
// cut, subject and keywords are typed, OK saves. The list then shows the
// record, its container holds exactly the audio the microphone heard in that
// order, Edit changes its subject, Play opens it, and after the window has
// closed (saving the store) `kivoctl show` prints its report with the new
// subject and the marks in time order.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app_fixture.h"
#include "audio_test_support.h"
#include "file_bytes.h"
#include "journey_tape.h"
#include "kivo/core/user_messages.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/playback/playback_dialog.h"
#include "kivo/records/record_edit_dialog.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/sound/audio_backend_factory.h"
#include "main_window.h"
#include "xrsave.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;
using dictation::DictationRecorderDialog;

sound::VirtualAudioBackend& Microphone() {
    return dynamic_cast<sound::VirtualAudioBackend&>(sound::SharedAudioBackend());
}

void Click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

// Runs `drive` on the modal dialog of type T once its exec() loop shows it.
template <typename T>
void WhenModalDialogShows(std::function<void(T*)> drive) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, drive] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            drive(dialog);
        }
    });
    poll->start();
}

QPushButton* ButtonLabelled(QWidget* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

QComboBox* IndexCommentBox(QWidget* dialog) {
    for (QComboBox* box : dialog->findChildren<QComboBox*>()) {
        if (box->isEditable())
            return box;
    }
    return nullptr;
}

void MarkWithComment(DictationRecorderDialog* recorder, const QString& comment) {
    QComboBox* comment_box = IndexCommentBox(recorder);
    ASSERT_NE(comment_box, nullptr);
    comment_box->setEditText(comment);
    Click(recorder->mark_button());
}

// The recorder part of the journey, in the order a user works.
void RecordInsertCutAndSave(DictationRecorderDialog* recorder) {
    sound::VirtualAudioBackend& microphone = Microphone();
    // Two seconds, marked at 0.5 s and 1.5 s: tape [0, 2 s).
    Click(recorder->record_button());
    test::AdvanceAndPump(microphone, 500);
    MarkWithComment(recorder, QStringLiteral("opening words"));
    test::AdvanceAndPump(microphone, 1000);
    MarkWithComment(recorder, QStringLiteral("closing words"));
    test::AdvanceAndPump(microphone, 500);
    Click(recorder->stop_button());
    ASSERT_EQ(recorder->session().length_ms(), 2000);

    // One more second inserted at 1 s: tape [2 s, 3 s) goes between
    // [0, 1 s) and [1 s, 2 s), and the mark at 1.5 s moves to 2.5 s.
    recorder->cut_to_spin()->setValue(1000);
    recorder->record_insert_box()->setChecked(true);
    Click(recorder->record_button());
    test::AdvanceAndPump(microphone, 1000);
    Click(recorder->stop_button());
    ASSERT_EQ(recorder->session().length_ms(), 3000);

    // Half a second cut from 2 s: the first half of the moved [1 s, 2 s)
    // goes, and the mark at 2.5 s comes back to 2 s.
    recorder->cut_to_spin()->setValue(2500);
    recorder->cut_from_spin()->setValue(2000);
    Click(ButtonLabelled(recorder, QStringLiteral("&Cut")));
    ASSERT_EQ(recorder->session().length_ms(), 2500);

    recorder->subject_edit()->setText(QStringLiteral("Quarterly letter"));
    recorder->keywords_edit()->setPlainText(QStringLiteral("budget review"));
    Click(recorder->ok_button());
}

std::vector<std::uint8_t> Tape(std::int64_t first_ms, std::int64_t ms) {
    return test::Frames(test::JourneyTape(), test::kJourneyFormat, first_ms * 8, ms * 8);
}

std::vector<std::uint8_t> Joined(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> joined;
    for (const auto& part : parts)
        joined.insert(joined.end(), part.begin(), part.end());
    return joined;
}

QString RowText(QTableView* view, int row) {
    QStringList cells;
    for (int column = 0; column < view->model()->columnCount(); ++column)
        cells << view->model()->index(row, column).data().toString();
    return cells.join(QLatin1Char('|'));
}

// The container named by the one record of the working message log.
std::string SavedContainerName(const fs::path& working_folder) {
    const std::string log = test::ReadFileText((working_folder / "Voxwren.xrr").string());
    if (log.size() != 2 * recordstore::kRecordLineBytes)
        return {};
    recordstore::RecordLine line;
    if (!recordstore::RecordLine::Parse(log.substr(recordstore::kRecordLineBytes), &line).ok())
        return {};
    return line.Fields().container_name;
}

TEST(FirstDictationJourney, RecordedMarkedInsertedCutSavedListedEditedPlayedAndReported) {
    test::AppHome home;
    core::RecordingMessageReporter reporter{core::kAnswerYes};
    test::ScriptedChooser chooser;
    auto window =
        std::make_unique<MainWindow>(home.resources(), home.places(), &reporter, &chooser);
    ASSERT_TRUE(window->Start());
    window->show();
    const fs::path store_path = window->session().store().store_path();

    bool recorder_driven = false;
    WhenModalDialogShows<DictationRecorderDialog>([&](DictationRecorderDialog* recorder) {
        RecordInsertCutAndSave(recorder);
        recorder_driven = true;
    });
    window->commands().action(Command::kNewRecording)->trigger();
    ASSERT_TRUE(recorder_driven);
    EXPECT_TRUE(reporter.reports().empty());

    // The list shows the new record.
    QTableView* list = window->record_view();
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_TRUE(RowText(list, 0).contains(QStringLiteral("Quarterly letter")))
        << RowText(list, 0).toStdString();

    // Its container holds the microphone's audio in the edited order.
    const std::string container_name =
        SavedContainerName(window->session().store().working_folder());
    ASSERT_FALSE(container_name.empty());
    test::TempDir opened;
    ASSERT_EQ(XRopenXRZ(container_name.c_str(), opened.path().string().c_str(),
                        store_path.string().c_str(), XR_OPEN_MEDIA),
              0);
    const std::string wave =
        (opened.path() / (container_name.substr(0, container_name.size() - 4) + ".xrw")).string();
    EXPECT_EQ(test::ReadWaveSamples(wave),
              Joined({Tape(0, 1000), Tape(2000, 1000), Tape(1500, 500)}));

    // Edit opens the "Dictation Editor" on it; a new subject is saved.
    list->selectRow(0);
    bool editor_driven = false;
    WhenModalDialogShows<records::RecordEditDialog>([&](records::RecordEditDialog* editor) {
        EXPECT_EQ(editor->windowTitle(), QStringLiteral("Dictation Editor"));
        QLineEdit* subject = nullptr;
        for (QLineEdit* edit : editor->findChildren<QLineEdit*>()) {
            if (edit->text() == QStringLiteral("Quarterly letter"))
                subject = edit;
        }
        ASSERT_NE(subject, nullptr);
        subject->setText(QStringLiteral("Quarterly letter to the board"));
        Click(ButtonLabelled(editor, QStringLiteral("&OK")));
        editor_driven = true;
    });
    window->commands().action(Command::kEdit)->trigger();
    ASSERT_TRUE(editor_driven);
    EXPECT_TRUE(reporter.reports().empty());
    ASSERT_EQ(list->model()->rowCount(), 1);
    EXPECT_TRUE(RowText(list, 0).contains(QStringLiteral("Quarterly letter to the board")))
        << RowText(list, 0).toStdString();

    // Play opens the player on it.
    list->selectRow(0);
    window->commands().action(Command::kPlay)->trigger();
    auto* player = window->findChild<playback::PlaybackDialog*>();
    ASSERT_NE(player, nullptr);
    EXPECT_TRUE(player->isVisible());
    player->reject();
    test::PumpEvents();

    // Closing the window saves the store; the report lists the marks in order.
    window->close();
    window.reset();
    QProcess kivoctl;
    kivoctl.start(
        QStringLiteral(KIVOCTL_PROGRAM),
        {QStringLiteral("show"), QString::fromStdString(store_path.string()), QStringLiteral("1")});
    ASSERT_TRUE(kivoctl.waitForFinished(30000));
    const QString report = QString::fromUtf8(kivoctl.readAllStandardOutput());
    EXPECT_EQ(kivoctl.exitCode(), 0) << kivoctl.readAllStandardError().toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("Quarterly letter to the board")))
        << report.toStdString();
    const qsizetype opening = report.indexOf(QStringLiteral("opening words"));
    const qsizetype closing = report.indexOf(QStringLiteral("closing words"));
    ASSERT_GE(opening, 0) << report.toStdString();
    EXPECT_GT(closing, opening) << report.toStdString();
}

}  // namespace
}  // namespace kivo::app
