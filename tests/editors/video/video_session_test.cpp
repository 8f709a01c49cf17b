// The video recorder on the virtual camera and microphone: a five-second
// capture with two marks saved as a kind "9" record whose ".xrv" container
// holds a five-second WMV with sound and picture; no camera; a conversion
// stopped by the user; a camera that breaks off half way.
#include "kivo/video/video_session.h"

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "media_probe.h"
#include "video_store_fixture.h"
#include "xrsave.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;
using recordstore::RecordLine;

class VideoSessionTest : public test::VideoStoreTest {
protected:
    std::unique_ptr<VideoSession> OpenSession(const CameraProvider& cameras) {
        auto session = std::make_unique<VideoSession>(*backend_, cameras, target_, reporter_);
        session->Open();
        return session;
    }

    // Records until the capture clock reaches `until_ms`, marking at the
    // times given.
    void Capture(VideoSession& session, std::int64_t until_ms,
                 std::vector<std::pair<std::int64_t, std::string>> marks = {}) {
        ASSERT_EQ(session.Record(), 0);
        for (const auto& [at_ms, comment] : marks) {
            ASSERT_TRUE(test::PumpUntil([&] { return session.duration_ms() >= at_ms; }));
            EXPECT_TRUE(session.AddMark(comment));
        }
        ASSERT_TRUE(test::PumpUntil([&] { return session.duration_ms() >= until_ms; }));
        session.Stop();
    }

    std::vector<RecordLine> VideoLines() const {
        std::vector<RecordLine> lines;
        const std::string text = test::ReadFileText((work_ / "Voxwren.xrr").string());
        for (std::size_t at = 0; at + recordstore::kRecordLineBytes <= text.size();
             at += recordstore::kRecordLineBytes) {
            RecordLine line;
            if (RecordLine::Parse(text.substr(at, recordstore::kRecordLineBytes), &line).ok() &&
                line.IsRecord() && line.FieldText(2) == "9")
                lines.push_back(line);
        }
        return lines;
    }

    // Extracts a saved video container's members into a fresh folder.
    fs::path OpenContainer(const std::string& container) {
        const fs::path folder = dir_.path() / ("opened-" + container);
        fs::create_directories(folder);
        EXPECT_EQ(XRopenXRV(container.c_str(), folder.string().c_str(),
                            store_->store_path().string().c_str(), XR_OPEN_DEFAULT),
                  0);
        return folder;
    }

    // No file of a record ("D" + stamp + any extension) is left behind.
    bool WorkingFolderHoldsNoRecordFiles() const {
        for (const auto& entry : fs::directory_iterator(work_)) {
            if (entry.path().filename().string().rfind('D', 0) == 0)
                return false;
        }
        return true;
    }
};

TEST_F(VideoSessionTest, AFiveSecondCaptureWithTwoMarksIsSavedAsAVideoRecord) {
    auto session = OpenSession(virtual_camera_);
    EXPECT_EQ(profile_.Read("anna", "VidDev"), kVirtualCameraName);  // written when missing
    session->set_subject("Site visit");
    session->set_keywords("roof gutter");
    Capture(*session, 5000, {{1000, "North side"}, {3000, "Gutter"}});
    ASSERT_EQ(session->state(), VideoState::kStopped);
    EXPECT_EQ(session->AddMark("too late"), false);

    const auto converted = session->Convert();
    ASSERT_EQ(converted.outcome, encoding::ConversionOutcome::kDone) << converted.message;
    ASSERT_EQ(session->SaveRecord(), 0);
    EXPECT_EQ(session->state(), VideoState::kSaved);

    const std::vector<RecordLine> lines = VideoLines();
    ASSERT_EQ(lines.size(), 1u);
    const recordstore::RecordFields fields = lines[0].Fields();
    EXPECT_EQ(fields.record_number, session->record_number());
    EXPECT_EQ(fields.subject, "Site visit");
    EXPECT_EQ(fields.text_a, "0");
    EXPECT_EQ(fields.duration, "00:00:05");
    EXPECT_EQ(fields.recording_quality, "0");
    ASSERT_EQ(fs::path(fields.container_name).extension(), ".xrv");

    const fs::path opened = OpenContainer(fields.container_name);
    const std::string base = fs::path(fields.container_name).stem().string();
    const auto probe = test::ProbeMedia((opened / (base + ".wmv")).string());
    EXPECT_EQ(probe.container, "asf");
    EXPECT_EQ(probe.video_codec, "wmv2");
    EXPECT_EQ(probe.audio_codec, "wmav2");
    EXPECT_NEAR(probe.picture_span_ms, 5000, probe.frame_ms);
    EXPECT_NEAR(probe.sound_ms, 5000, probe.frame_ms);

    recordstore::IndexMarkRead marks;
    ASSERT_TRUE(recordstore::ReadIndexMarkFile((opened / (base + ".xrs")).string(), &marks).ok());
    ASSERT_EQ(marks.marks.size(), 2u);
    EXPECT_EQ(marks.marks[0].time_stamp, "00:00:01");
    EXPECT_EQ(marks.marks[0].comment, "North side");
    EXPECT_EQ(marks.marks[1].time_stamp, "00:00:03");
    EXPECT_EQ(marks.marks[1].comment, "Gutter");
    const std::string marks_bytes = test::ReadFileText((opened / (base + ".xrs")).string());
    EXPECT_EQ(marks_bytes.size(), 2 * 61u);

    const std::string index = test::ReadFileText((work_ / "Voxwren.xri").string());
    EXPECT_NE(index.find("roof gutter"), std::string::npos);
    EXPECT_TRUE(WorkingFolderHoldsNoRecordFiles());
}

TEST_F(VideoSessionTest, WithoutACameraTheRecorderSaysMessage28) {
    test::NoCameras none;
    VideoSession session(*backend_, none, target_, reporter_);
    EXPECT_EQ(session.Open(), kMessageNoCamera);
    ASSERT_FALSE(reporter_.reports().empty());
    EXPECT_EQ(reporter_.reports().back().code, 28);
}

TEST_F(VideoSessionTest, StoppingTheConversionLeavesNoRecordAndNoFiles) {
    {
        auto session = OpenSession(virtual_camera_);
        Capture(*session, 2000);
        encoding::ConversionControl control;
        control.RequestAbort();
        const auto converted = session->Convert(&control);
        EXPECT_EQ(converted.outcome, encoding::ConversionOutcome::kAborted);
        EXPECT_EQ(session->SaveRecord(), 108);  // nothing to save
        EXPECT_NE(session->state(), VideoState::kSaved);
    }  // the recorder closes
    EXPECT_TRUE(VideoLines().empty());
    EXPECT_TRUE(WorkingFolderHoldsNoRecordFiles());
}

// A camera that gives a second of pictures and is then unplugged.
class UnpluggedCamera : public CameraProvider {
public:
    std::vector<CameraDevice> Cameras() const override { return {{"USB camera", "usb"}}; }
    std::unique_ptr<CameraSource> Make(const CameraDevice&) const override {
        struct Source : CameraSource {
            std::unique_ptr<CameraSource> inner = MakeVirtualCamera();
            int left = 25;
            QString Open() override { return inner->Open(); }
            QSize picture_size() const override { return inner->picture_size(); }
            int frames_per_second() const override { return inner->frames_per_second(); }
            bool Next(QImage* picture) override { return left-- > 0 && inner->Next(picture); }
            void Interrupt() override { inner->Interrupt(); }
            QString error() const override {
                return left < 0 ? QStringLiteral("No such device") : inner->error();
            }
        };
        return std::make_unique<Source>();
    }
};

TEST_F(VideoSessionTest, ACameraUnpluggedHalfWayKeepsWhatWasCapturedAndSaysSo) {
    UnpluggedCamera camera;
    auto session = OpenSession(camera);
    ASSERT_EQ(session->Record(), 0);
    ASSERT_TRUE(test::PumpUntil([&] { return session->state() == VideoState::kStopped; }));
    ASSERT_FALSE(reporter_.reports().empty());
    EXPECT_NE(reporter_.reports().back().text.find("No such device"), std::string::npos);

    const auto converted = session->Convert();
    ASSERT_TRUE(converted.kept_target()) << converted.message;
    // The second of pictures before the camera went (a busy machine may
    // deliver two pictures in one frame's time, and one is dropped).
    EXPECT_GE(converted.video_frames, 15);
    EXPECT_LE(converted.video_frames, 25);
    ASSERT_EQ(session->SaveRecord(), 0);
    EXPECT_EQ(VideoLines().size(), 1u);
}

TEST_F(VideoSessionTest, TheChosenDevicesAreRememberedAndChosenAgain) {
    profile_.Write("anna", "VidDev", "Another camera");
    auto session = OpenSession(virtual_camera_);
    EXPECT_EQ(session->selected_camera(), 0);  // the named one is gone: the first
    ASSERT_FALSE(session->microphones().empty());
    session->SelectMicrophone(-1);
    EXPECT_EQ(session->Record(), kMessageSelectDevices);
    EXPECT_EQ(session->state(), VideoState::kReady);
    session->SelectMicrophone(0);
    EXPECT_EQ(profile_.Read("anna", "AudDev"), session->microphones()[0].description.toStdString());
}

}  // namespace
}  // namespace kivo::video
