// The import dialogs over a running window: Tools > Import items enabled,
// the "Kivo Import" dialog's refusal of the open store and
// its run to "Import completed", the audio import's progress dialog run by
// its worker thread to the end, kept open by a failed file, stopped and
// started again, and files dropped on the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <cstdlib>

#include "app_fixture.h"
#include "audio_import_dialog.h"
#include "command_router.h"
#include "file_bytes.h"
#include "import_commands.h"
#include "kivo/core/record_list.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/store_repository.h"
#include "kivo/wavefile/wave_writer.h"
#include "main_window.h"
#include "store_import_dialog.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;

// A wave of a tone, seconds long, at 8 kHz mono.
void WriteTone(const fs::path& path, double seconds) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds * 8000));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(6000 * std::sin(0.2 * static_cast<double>(i)));
    ASSERT_TRUE(wavefile::WritePcmWave(path.string(), {1, 8000, 16},
                                       reinterpret_cast<const std::uint8_t*>(samples.data()),
                                       samples.size() * 2)
                    .ok());
}

class ImportDialogsTest : public testing::Test {
protected:
    void SetUp() override {
        window_ =
            std::make_unique<MainWindow>(home_.resources(), home_.places(), &reporter_, &chooser_);
        ASSERT_TRUE(window_->Start());
    }

    // Bound to the window's store, as the program's imports are.
    recorder::RecorderTarget Target() {
        core::ShellSession& session = window_->session();
        recorder::RecorderTarget target{{}, {}, &session.profile(), session.section(), 0, {}};
        recorder::BindToSession(target, session.store());
        return target;
    }

    std::size_t ListedRecords() {
        window_->RefreshCurrentView();
        return static_cast<std::size_t>(window_->records().rowCount());
    }

    test::AppHome home_;
    test::TempDir files_;
    core::RecordingMessageReporter reporter_{core::kAnswerYes};
    test::ScriptedChooser chooser_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(ImportDialogsTest, EveryImportItemIsEnabled) {
    CommandRouter& commands = window_->commands();
    for (Command command :
         {Command::kImportDataStore, Command::kImportMessageFile, Command::kImportVideoFile,
          Command::kImportWavFile, Command::kImportMp3File, Command::kImportWmaFile,
          Command::kImportOggFile, Command::kImportWmvFile})
        EXPECT_TRUE(commands.action(command)->isEnabled()) << static_cast<int>(command);
    EXPECT_TRUE(window_->acceptDrops());
}

TEST_F(ImportDialogsTest, TheStoreImportRefusesTheOpenStoreWithMessage10) {
    StoreImportDialog dialog(window_->session(), Target(), reporter_);
    EXPECT_EQ(dialog.windowTitle(), "Kivo Import");
    EXPECT_FALSE(dialog.Choose(window_->session().store().store_path()));
    EXPECT_EQ(reporter_.codes(), std::vector<int>{10});
}

TEST_F(ImportDialogsTest, StartImportsAnotherStoreAndEndsWithImportCompleted) {
    // Another store with two dictations, made as the recorder makes them.
    test::TempDir other_home;
    const fs::path other_work = other_home.path() / "work";
    fs::create_directories(other_work);
    core::ProfileFile other_profile((other_home.path() / "KIVO.ini").string());
    core::DataStoreSession other(other_work, &other_profile, "x");
    const core::StoreLocation location{other_home.path(), "Other"};
    other.BuildDataStore(location);
    other.set_location(location);
    ASSERT_EQ(other.LoadDataStore(), 0);
    recorder::RecorderTarget other_target{{}, {}, &other_profile, "x", 0, {}};
    recorder::BindToSession(other_target, other);
    for (const char* subject : {"First", "Second"}) {
        const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(other_work);
        WriteTone(files.wave_path(), 0.5);
        recorder::NewRecord record;
        record.fields.kind_code = "0";
        record.fields.subject = subject;
        record.fields.container_name = files.container_name();
        record.fields.start_date = record.fields.end_date = "01/02/2025";
        record.fields.start_time = record.fields.end_time = "10:00:00";
        record.fields.duration = "00:00:00";
        ASSERT_EQ(recorder::NewRecordSave(other_target, files).Save(record), 0);
        files.RemoveAll();
    }
    ASSERT_EQ(other.SaveDataStore(), 0);

    StoreImportDialog dialog(window_->session(), Target(), reporter_);
    ASSERT_TRUE(dialog.Choose(other.store_path()));
    EXPECT_EQ(dialog.status_text(), "Please press Start to begin the import");
    // By keyboard: Enter starts, and Enter again finishes.
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_EQ(dialog.progress(), 100);
    EXPECT_EQ(dialog.status_text(), "Import completed");
    EXPECT_TRUE(dialog.imported());
    EXPECT_TRUE(reporter_.reports().empty());
    EXPECT_EQ(ListedRecords(), 2u);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(ImportDialogsTest, TheAudioProgressDialogRunsTheSelectionAndClosesItself) {
    WriteTone(files_.path() / "one.wav", 1.0);
    WriteTone(files_.path() / "two.wav", 1.0);
    AudioImportDialog dialog(exchange::AudioFileType::kWav, Target(),
                             {files_.path() / "one.wav", files_.path() / "two.wav"});
    EXPECT_EQ(dialog.windowTitle(), "WAV File Import Progress");
    QSignalSpy finished(&dialog, &AudioImportDialog::runFinished);
    dialog.show();
    dialog.Start();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_TRUE(finished.at(0).at(0).toBool());
    EXPECT_EQ(dialog.file_text(), "Importing File 2 of 2");
    EXPECT_EQ(dialog.status_text(), "Done.");
    EXPECT_EQ(dialog.overall_progress(), 100);
    EXPECT_EQ(dialog.imported(), 2);
    EXPECT_FALSE(dialog.isVisible());
    window_->ShowKind(core::ViewKind::kDictation);
    EXPECT_EQ(ListedRecords(), 2u);
}

TEST_F(ImportDialogsTest, AFailedFileKeepsTheDialogOpenWithItsRow) {
    WriteTone(files_.path() / "good.wav", 0.5);
    test::WriteFileText((files_.path() / "bad.mp3").string(), std::string(3000, 'z'));
    AudioImportDialog dialog(exchange::AudioFileType::kMp3, Target(),
                             {files_.path() / "bad.mp3", files_.path() / "good.wav"});
    QSignalSpy finished(&dialog, &AudioImportDialog::runFinished);
    dialog.show();
    dialog.Start();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(dialog.error_rows().size(), 1);
    EXPECT_TRUE(dialog.error_rows()[0].startsWith("bad.mp3: Failed to import - check format"));
    EXPECT_EQ(dialog.imported(), 1);
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ImportDialogsTest, StopEndsTheRunAndReStartBeginsAgainWithTheFirstFile) {
    WriteTone(files_.path() / "first.wav", 0.5);
    // Long enough that the stop arrives while it is being converted.
    WriteTone(files_.path() / "long.wav", 1800.0);
    AudioImportDialog dialog(exchange::AudioFileType::kWav, Target(),
                             {files_.path() / "first.wav", files_.path() / "long.wav"});
    QSignalSpy finished(&dialog, &AudioImportDialog::runFinished);
    dialog.show();
    dialog.Start();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return dialog.file_text() == "Importing File 2 of 2"; }, 30000));
    dialog.Stop();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_FALSE(finished.at(0).at(0).toBool());
    EXPECT_EQ(dialog.status_text(), "Import stopped.");
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(dialog.error_rows().size(), 1);
    EXPECT_EQ(dialog.error_rows()[0], "long.wav: Import stopped");
    EXPECT_EQ(dialog.imported(), 1);
    EXPECT_EQ(ListedRecords(), 1u);

    dialog.Start();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return dialog.file_text() == "Importing File 1 of 2"; }, 30000));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return dialog.file_text() == "Importing File 2 of 2"; }, 30000));
    dialog.reject();  // while it runs, Cancel only stops it
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(dialog.imported(), 2);
    dialog.reject();
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ImportDialogsTest, DroppedRecordingFilesImportAndReportTheirCount) {
    test::WriteFileText((files_.path() / "broken.xrz").string(), "not a recording");
    test::WriteFileText((files_.path() / "notes.txt").string(), "ignored");
    EXPECT_TRUE(ImportDroppedFiles(window_.get(), reporter_,
                                   {files_.path() / "broken.xrz", files_.path() / "notes.txt"}));
    ASSERT_FALSE(reporter_.reports().empty());
    EXPECT_EQ(reporter_.reports().back().text, "0 of 1 Kivo files successfully imported.");
    EXPECT_EQ(reporter_.codes().front(), 114);
    EXPECT_FALSE(ImportDroppedFiles(window_.get(), reporter_, {files_.path() / "notes.txt"}));
}

TEST_F(ImportDialogsTest, ADroppedVideoFileBecomesARecordOfTheVideoView) {
    const fs::path video = files_.path() / "site visit.wmv";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -y -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi "
                           "-i sine -t 1 -c:v wmv2 -c:a wmav2 '" +
                           video.string() + "' >/dev/null 2>&1")
                              .c_str()),
              0);
    window_->ShowKind(core::ViewKind::kVideo);
    const std::size_t before = ListedRecords();
    std::string title;
    QTimer::singleShot(0, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget())
            title = dialog->windowTitle().toStdString();
    });
    EXPECT_TRUE(ImportDroppedFiles(window_.get(), reporter_, {video}));
    EXPECT_EQ(title, "WMV File Import Progress");
    EXPECT_EQ(ListedRecords(), before + 1);
}

TEST_F(ImportDialogsTest, FilesDraggedOverTheWindowAreImportedWhenTheDropReadsNoData) {
    const fs::path broken = files_.path() / "broken.xrz";
    test::WriteFileText(broken.string(), "not a recording");
    QMimeData offered;
    offered.setUrls({QUrl::fromLocalFile(QString::fromStdString(broken.string()))});
    QDragEnterEvent enter(QPoint(200, 200), Qt::CopyAction, &offered, Qt::LeftButton,
                          Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());

    // The drop's own data comes back empty: the files offered are imported.
    QMimeData empty_at_drop;
    QDropEvent drop(QPointF(200, 200), Qt::CopyAction, &empty_at_drop, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(window_.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reporter_.reports().empty(); }, 10000));
    EXPECT_EQ(reporter_.reports().back().text, "0 of 1 Kivo files successfully imported.");

    // A second drop without a drag entering first offers nothing: refused.
    const std::size_t reports = reporter_.reports().size();
    QDropEvent stray(QPointF(200, 200), Qt::CopyAction, &empty_at_drop, Qt::LeftButton,
                     Qt::NoModifier);
    stray.setAccepted(false);
    QCoreApplication::sendEvent(window_.get(), &stray);
    QCoreApplication::processEvents();
    EXPECT_FALSE(stray.isAccepted());
    EXPECT_EQ(reporter_.reports().size(), reports);
}

TEST_F(ImportDialogsTest, ADroppedKivoVideoFileBecomesAnotherRecordOfTheVideoView) {
    const fs::path video = files_.path() / "porch.wmv";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -y -f lavfi -i testsrc=size=160x120:rate=25 -f lavfi "
                           "-i sine -t 1 -c:v wmv2 -c:a wmav2 '" +
                           video.string() + "' >/dev/null 2>&1")
                              .c_str()),
              0);
    window_->ShowKind(core::ViewKind::kVideo);
    ASSERT_TRUE(ImportDroppedFiles(window_.get(), reporter_, {video}));
    const std::size_t before = ListedRecords();
    // The record's ".xrv" taken out of the store, as a user would have been sent it.
    const fs::path store = window_->session().store().store_path();
    recordstore::Repository repository(filesystem::DefaultFileSystem(), store.string());
    std::string container;
    for (const recordstore::MemberInfo& member : repository.Info().live_members)
        if (member.name.ends_with(".xrv"))
            container = member.name;
    ASSERT_FALSE(container.empty());
    ASSERT_TRUE(repository.Get(files_.path().string(), {container}));

    EXPECT_TRUE(ImportDroppedFiles(window_.get(), reporter_, {files_.path() / container}));
    ASSERT_FALSE(reporter_.reports().empty());
    EXPECT_EQ(reporter_.reports().back().text, "1 of 1 Kivo files successfully imported.");
    EXPECT_EQ(ListedRecords(), before + 1);
}

}  // namespace
}  // namespace kivo::app
