// Video files made with ffmpeg (WMV, MP4) become kind "9" video records whose
// ".xrv" holds a WMV of the same length with picture and sound; files that
// are no video (text, a cut-off MP4, sound alone) fail one by one with a
// reason and leave nothing behind; a stop keeps nothing of the file being
// converted; the stored WMV is exported as it is.
#include "kivo/exchange/import_video_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "file_bytes.h"
#include "import_fixture.h"
#include "kivo/exchange/import_audio_run.h"
#include "kivo/exchange/import_audio_types.h"
#include "kivo/exchange/recording_export.h"
#include "kivo/exchange/video_export.h"
#include "kivo/recordstore/data_store_layout.h"
#include "media_probe.h"
#include "temp_dir.h"
#include "xrsave.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using test::TestStore;

// `seconds` of FFmpeg's test picture and a tone, encoded as the file's
// extension says.
bool MakeVideo(const fs::path& path, int seconds, const std::string& codecs) {
    const std::string command =
        "ffmpeg -nostdin -y -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i "
        "sine=frequency=500:sample_rate=22050 -t " +
        std::to_string(seconds) + " " + codecs + " '" + path.string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

class VideoImportTest : public ::testing::Test {
protected:
    // Runs the import over `files`; the error rows.
    std::vector<AudioImportError> Import(const std::vector<fs::path>& files,
                                         std::function<void(AudioImportRun&)> on_progress = {}) {
        AudioImportRun run(store_.target(), files);
        std::vector<AudioImportError> errors;
        AudioImportEvents events;
        events.error_row = [&](const AudioImportError& error) { errors.push_back(error); };
        if (on_progress)
            events.progress = [&](int kind, int) {
                if (kind == 0)
                    on_progress(run);
            };
        run.Run(events);
        imported_ = run.imported();
        return errors;
    }
    std::vector<recordstore::RecordLine> VideoLines() const {
        std::vector<recordstore::RecordLine> lines;
        for (const auto& [number, line] : store_.Lines()) {
            if (line.FieldText(2) == "9")
                lines.push_back(line);
        }
        return lines;
    }
    // The record's WMV, taken out of its container into a fresh folder.
    fs::path StoredVideo(const recordstore::RecordLine& line) {
        const std::string container = line.FieldText(7);
        const fs::path folder = files_.path() / ("opened-" + container);
        fs::create_directories(folder);
        EXPECT_EQ(XRopenXRV(container.c_str(), folder.string().c_str(),
                            store_.store_path().string().c_str(), 0),
                  0);
        return folder / (container.substr(0, container.size() - 4) + ".wmv");
    }
    // The working folder holds nothing but the store's own files.
    void ExpectNoRecordFilesLeft() const {
        for (const std::string& name : test::FilesUnder(store_.working_folder()))
            EXPECT_NE(name.rfind('D', 0), 0u) << name;
    }

    TestStore store_{"video-import"};
    test::TempDir files_;
    std::vector<std::int32_t> imported_;
};

TEST_F(VideoImportTest, WmvAndMp4FilesBecomeVideoRecordsOfTheirLengthWithPictureAndSound) {
    const fs::path wmv = files_.path() / "site visit.wmv";
    const fs::path mp4 = files_.path() / "demo.MP4";
    ASSERT_TRUE(MakeVideo(wmv, 3, "-c:v wmv2 -c:a wmav2"));
    ASSERT_TRUE(MakeVideo(mp4, 2, "-c:v mpeg4 -c:a aac"));

    EXPECT_TRUE(Import({wmv, mp4}).empty());
    ASSERT_EQ(imported_.size(), 2u);
    const std::vector<recordstore::RecordLine> lines = VideoLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].DisplayField(5), "site visit.wmv");
    EXPECT_EQ(lines[0].FieldText(12), "00:00:03");
    EXPECT_EQ(lines[1].DisplayField(5), "demo.MP4");
    EXPECT_EQ(lines[1].FieldText(12), "00:00:02");

    const test::MediaProbe probe = test::ProbeMedia(StoredVideo(lines[0]).string());
    ASSERT_TRUE(probe.opened);
    EXPECT_EQ(probe.container, "asf");
    EXPECT_EQ(probe.video_codec, "wmv2");
    EXPECT_EQ(probe.audio_codec, "wmav2");
    EXPECT_NEAR(probe.picture_span_ms, 3000, probe.frame_ms + 1);
    EXPECT_NEAR(probe.sound_ms, 3000, 100);
    ExpectNoRecordFilesLeft();
}

TEST_F(VideoImportTest, FilesThatAreNoVideoFailAloneWithAReasonAndLeaveNothing) {
    const fs::path text = files_.path() / "notes.wmv";
    test::WriteFileText(text.string(), "this is not a video at all");
    const fs::path good = files_.path() / "good.mp4";
    ASSERT_TRUE(MakeVideo(good, 1, "-c:v mpeg4 -c:a aac"));
    const fs::path cut = files_.path() / "cut.mp4";
    test::WriteFileText(cut.string(), test::ReadFileText(good.string()).substr(0, 600));
    const fs::path sound_only = files_.path() / "voice.mkv";
    ASSERT_EQ(std::system(("ffmpeg -nostdin -y -f lavfi -i sine=frequency=300 -t 1 '" +
                           sound_only.string() + "' >/dev/null 2>&1")
                              .c_str()),
              0);
    const std::size_t members_before = store_.MemberNames().size();

    const std::vector<AudioImportError> errors = Import({text, cut, sound_only, good});
    ASSERT_EQ(errors.size(), 3u);
    EXPECT_EQ(errors[0].file, "notes.wmv");
    EXPECT_EQ(errors[1].file, "cut.mp4");
    EXPECT_EQ(errors[2].file, "voice.mkv");
    for (const AudioImportError& error : errors) {
        EXPECT_EQ(error.error.rfind(kCheckFormatText, 0), 0u) << error.error;
        EXPECT_GT(error.error.size(), std::string(kCheckFormatText).size() + 2) << error.error;
    }
    EXPECT_EQ(imported_.size(), 1u);
    EXPECT_EQ(VideoLines().size(), 1u);
    EXPECT_EQ(store_.MemberNames().size(), members_before + 1);  // the good file's container
    ExpectNoRecordFilesLeft();
}

TEST_F(VideoImportTest, AStopDuringTheConversionKeepsNothingOfThatFile) {
    const fs::path wmv = files_.path() / "long.wmv";
    ASSERT_TRUE(MakeVideo(wmv, 20, "-c:v wmv2 -c:a wmav2"));
    const std::vector<AudioImportError> errors =
        Import({wmv, wmv}, [](AudioImportRun& run) { run.stop_request().Request(); });
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].error, kFileStoppedText);
    EXPECT_TRUE(imported_.empty());
    EXPECT_TRUE(VideoLines().empty());
    ExpectNoRecordFilesLeft();
}

TEST_F(VideoImportTest, TheStoredWmvIsExportedAsItIsAndAnExistingFileIsKept) {
    const fs::path wmv = files_.path() / "porch.wmv";
    ASSERT_TRUE(MakeVideo(wmv, 1, "-c:v wmv2 -c:a wmav2"));
    ASSERT_TRUE(Import({wmv}).empty());
    const recordstore::RecordLine line = VideoLines().at(0);
    const std::string stored = test::ReadFileText(StoredVideo(line).string());

    RecordingExport exporter({store_.store_path(),
                              store_.working_folder() / recordstore::kIndexName,
                              store_.working_folder(), core::StoreAccess()});
    ASSERT_EQ(exporter.Prepare({line.FieldText(7)}, {}), kExportOk);
    ASSERT_TRUE(exporter.files().at(0).ok());
    const fs::path target = files_.path() / "out" / "porch.wmv";
    fs::create_directories(target.parent_path());
    const Delivery delivered =
        ExportAsVideo(exporter.files()[0].path, exporter.MakeScratch(), target, Overwrite::kNever);
    ASSERT_TRUE(delivered.ok()) << delivered.message;
    EXPECT_EQ(test::ReadFileText(target.string()), stored);

    const Delivery again =
        ExportAsVideo(exporter.files()[0].path, exporter.MakeScratch(), target, Overwrite::kNever);
    EXPECT_EQ(again.outcome, DeliveryOutcome::kTargetExists);
    EXPECT_EQ(test::ReadFileText(target.string()), stored);
}

TEST_F(VideoImportTest, AnExportCopyThatHoldsNoVideoFailsWithoutATarget) {
    const fs::path bad = files_.path() / "D20261208.xrv";
    test::WriteFileText(bad.string(), "not a container");
    const fs::path scratch = files_.path() / "scratch";
    fs::create_directories(scratch);
    const fs::path target = files_.path() / "bad.wmv";
    const Delivery delivered = ExportAsVideo(bad, scratch, target, Overwrite::kReplace);
    EXPECT_EQ(delivered.outcome, DeliveryOutcome::kFailed);
    EXPECT_NE(delivered.message.find("no video"), std::string::npos);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(fs::is_empty(scratch));
}

TEST(VideoFileNames, VideoExtensionsInAnyCaseAndNothingElse) {
    for (const char* name : {"a.wmv", "B.WMV", "c.mp4", "d.webm", "e.MkV", "f.avi", "g.mov"})
        EXPECT_TRUE(IsVideoFileName(name)) << name;
    for (const char* name : {"a.wma", "b.mp3", "wmv", "c.wmv.txt", ""})
        EXPECT_FALSE(IsVideoFileName(name)) << name;
}

}  // namespace
}  // namespace kivo::exchange
