// The window's ways into the dictation recorder: New Recording primed from
// the last record listed (profile "Prime"), New Dictation from the record
// menu with the record's subject, and the start-up offer of a take that a
// recorder left behind (in the takes folder of the home, or in a working
// folder of an earlier version).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app_fixture.h"
#include "file_bytes.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/user_messages.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/recorder/take_journal.h"
#include "main_window.h"
#include "zn2index.h"

namespace kivo::app {
namespace {

using core::ViewKind;

class MainWindowDictationTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
        test::WriteWorkingLog(working(), "Voxwren.xrr",
                              {test::Dictation(1, "Quarterly figures", "01/02/2024", "00:01:00"),
                               test::Dictation(2, "Garden plans", "02/02/2024", "00:02:00")});
        AddKeywords(2, "roses hedges");
        window_->ShowKind(ViewKind::kDictation);
        ASSERT_EQ(window_->records().rowCount(), 2);
    }

    std::filesystem::path working() { return window_->session().store().working_folder(); }

    void AddKeywords(std::int32_t number, const std::string& keywords) {
        const std::string index = (working() / "Voxwren.xri").string();
        const std::string folder = working().string();
        Zn2IndexEntry entry{};
        entry.index_path = index.c_str();
        entry.working_folder = folder.c_str();
        entry.record_number = number;
        entry.kind_code = "0";
        entry.start_date = "02/02/2024";
        entry.keywords = keywords.c_str();
        entry.mark_comments = " ";
        entry.line_position = 401 * number;
        ASSERT_NE(Zn2IndexAdd(&entry), 0);
    }

    // Runs a command that opens the recorder; look sees the open recorder,
    // which is then closed (nothing was recorded, so nothing is asked).
    void WithRecorder(Command command,
                      const std::function<void(dictation::DictationRecorderDialog&)>& look) {
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* recorder = qobject_cast<dictation::DictationRecorderDialog*>(
                QApplication::activeModalWidget());
            ASSERT_NE(recorder, nullptr);
            opened = true;
            look(*recorder);
            recorder->reject();
        });
        window_->commands().action(command)->trigger();
        EXPECT_TRUE(opened);
    }

    core::ProfileFile profile() { return core::ProfileFile(home_.profile_path().string()); }

    test::AppHome home_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowDictationTest, NewRecordingWithPrimeTakesTheLastRowsSubjectAndKeywords) {
    ASSERT_TRUE(profile().Write("tester", "Prime", "Y"));
    WithRecorder(Command::kNewRecording, [](dictation::DictationRecorderDialog& recorder) {
        EXPECT_EQ(recorder.subject_edit()->text(), QStringLiteral("Garden plans"));
        EXPECT_EQ(recorder.keywords_edit()->toPlainText(), QStringLiteral("roses hedges"));
    });
}

TEST_F(MainWindowDictationTest, NewRecordingWithoutPrimeStartsEmptyAndWritesPrimeNo) {
    // The first start wrote Prime; a profile from before it has none.
    core::ProfileFile file = profile();
    std::string text = test::ReadFileText(file.path());
    const std::size_t at = text.find("Prime=");
    if (at != std::string::npos)
        text.erase(at, text.find('\n', at) - at + 1);
    test::WriteFileText(file.path(), text);
    ASSERT_EQ(profile().Find("tester", "Prime"), std::nullopt);

    WithRecorder(Command::kNewRecording, [](dictation::DictationRecorderDialog& recorder) {
        EXPECT_TRUE(recorder.subject_edit()->text().isEmpty());
    });
    EXPECT_EQ(profile().Find("tester", "Prime"), "N");
}

TEST_F(MainWindowDictationTest, NewDictationTakesTheSelectedRecordsSubject) {
    const int row = window_->records().Id(0) == QStringLiteral("00000001") ? 0 : 1;
    window_->record_view()->selectRow(row);
    ASSERT_TRUE(window_->commands().action(Command::kNewDictation)->isEnabled());
    WithRecorder(Command::kNewDictation, [](dictation::DictationRecorderDialog& recorder) {
        EXPECT_EQ(recorder.subject_edit()->text(), QStringLiteral("Quarterly figures"));
        EXPECT_TRUE(recorder.keywords_edit()->toPlainText().isEmpty());
    });
}

TEST_F(MainWindowDictationTest, LeftOverTakeIsOfferedAndSavedAsANewDictation) {
    // A take as a recorder leaves it when the program is killed: one second
    // of 8000 Hz mono 16-bit audio in a working folder of an earlier run.
    const std::filesystem::path crashed = home_.places().temp_root / "VoxwrenCrash1";
    std::filesystem::create_directories(crashed);
    test::Bytes pcm(16000);
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<std::uint8_t>(i * 7);
    test::WriteFileBytes((crashed / "D1.xrj").string(), pcm);
    test::WriteFileText((crashed / "D1.xrq").string(),
                        recorder::FormatTakeInfo({wavefile::PcmFormat{1, 8000, 16}, ""}));

    bool reviewed = false;
    QTimer::singleShot(0, [&] {
        auto* recorder =
            qobject_cast<dictation::DictationRecorderDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(recorder, nullptr);
        reviewed = recorder->session().state() == dictation::TransportState::kReview &&
                   recorder->session().length_ms() == 1000;
        // The take is the recorder's now.
        EXPECT_FALSE(std::filesystem::exists(crashed / "D1.xrj"));
        recorder->subject_edit()->setText(QStringLiteral("Recovered words"));
        QTest::mouseClick(recorder->ok_button(), Qt::LeftButton);
    });
    window_->OfferTakeRecovery();

    EXPECT_TRUE(reviewed);
    ASSERT_EQ(reporter_.reports().size(), 1u);  // the question
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleQuestion);
    ASSERT_EQ(window_->records().rowCount(), 3);
    bool listed = false;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < window_->records().columnCount(); ++column) {
            if (window_->records().index(row, column).data().toString() ==
                QStringLiteral("Recovered words"))
                listed = true;
        }
    }
    EXPECT_TRUE(listed);
    // The saved dictation is the one chosen, so that it can be found in a
    // long list.
    const QModelIndexList chosen = window_->record_view()->selectionModel()->selectedRows();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(window_->records().Id(chosen.front().row()), QStringLiteral("00000003"));
    EXPECT_EQ(window_->record_view()->currentIndex().row(), chosen.front().row());
    EXPECT_FALSE(std::filesystem::exists(crashed / "D1.xrq"));
    EXPECT_FALSE(std::filesystem::exists(working() / "recovered.wav"));
}

TEST_F(MainWindowDictationTest, TakeOfARecorderOpenWhenTheProgramMustEndIsOfferedAtTheNextStart) {
    const std::filesystem::path takes = home_.home() / "Takes";
    const std::filesystem::path first_working = working();
    std::filesystem::path journal;
    QTimer::singleShot(0, [&] {
        auto* recorder =
            qobject_cast<dictation::DictationRecorderDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(recorder, nullptr);
        QTest::mouseClick(recorder->record_button(), Qt::LeftButton);
        journal = recorder->session().JournalPath();
        ASSERT_FALSE(journal.empty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::file_size(journal) >= 16000; }));
        // What a termination signal does: the window closes under the
        // recorder, nobody is asked.
        window_->close();
    });
    window_->commands().action(Command::kNewRecording)->trigger();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.parent_path(), takes);
    EXPECT_TRUE(reporter_.reports().empty());
    EXPECT_FALSE(std::filesystem::exists(first_working));  // removed as the program ends
    ASSERT_TRUE(std::filesystem::exists(journal));
    const auto recorded_bytes = std::filesystem::file_size(journal);
    window_.reset();

    // The next start.
    window_ =
        std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
    ASSERT_TRUE(window_->Start());
    window_->ShowKind(ViewKind::kDictation);
    const int rows_before = window_->records().rowCount();
    std::int64_t reviewed_ms = -1;
    QTimer::singleShot(0, [&] {
        auto* recorder =
            qobject_cast<dictation::DictationRecorderDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(recorder, nullptr);
        reviewed_ms = recorder->session().length_ms();
        recorder->subject_edit()->setText(QStringLiteral("Kept at the end"));
        QTest::mouseClick(recorder->ok_button(), Qt::LeftButton);
    });
    window_->OfferTakeRecovery();
    ASSERT_EQ(reporter_.reports().size(), 1u);  // the question
    EXPECT_EQ(reporter_.reports()[0].style, core::kStyleQuestion);
    // 8000 Hz mono 16-bit: 16 bytes a millisecond.
    EXPECT_NEAR(reviewed_ms, static_cast<std::int64_t>(recorded_bytes / 16), 1);
    EXPECT_EQ(window_->records().rowCount(), rows_before + 1);
    EXPECT_FALSE(std::filesystem::exists(journal));
    EXPECT_TRUE(std::filesystem::is_empty(takes));  // saved: nothing is left
}

}  // namespace
}  // namespace kivo::app
