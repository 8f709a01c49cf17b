// The video recorder's take journal: a capture whose program is killed half
// way is found at the next start and saved as a video record with its
// subject and mark; No deletes it; a capture of a recorder still open is
// passed over; a capture nothing can be read from is kept and said so.
#include "kivo/video/video_take_recovery.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "file_bytes.h"
#include "kivo/video/video_record_opening.h"
#include "kivo/video/video_session.h"
#include "media_probe.h"
#include "video_store_fixture.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;

class VideoTakeTest : public test::VideoStoreTest {
protected:
    // Runs the probe until it says it is recording, then kills it.
    void CaptureThenKill() {
        int out[2];
        ASSERT_EQ(::pipe(out), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::execl(KIVO_VIDEO_TAKE_PROBE, KIVO_VIDEO_TAKE_PROBE, probe_work_.c_str(),
                    takes_.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        char said[32] = {};
        const ssize_t got = ::read(out[0], said, sizeof said - 1);
        ::close(out[0]);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_EQ(std::string(said, got > 0 ? static_cast<std::size_t>(got) : 0), "recording\n")
            << "the probe ended with status " << status;
    }

    fs::path takes_ = dir_.path() / "Takes";
    fs::path probe_work_ = dir_.path() / "probe-work";

    void SetUp() override {
        VideoStoreTest::SetUp();
        fs::create_directories(probe_work_);
    }
};

TEST_F(VideoTakeTest, ACaptureKilledHalfWayIsSavedAtTheNextStartWithItsSubjectAndMark) {
    CaptureThenKill();
    const std::vector<LeftoverVideoTake> takes = FindLeftoverVideoTakes(takes_);
    ASSERT_EQ(takes.size(), 1u);
    EXPECT_EQ(takes[0].info.details.subject, "Crashed porch");
    EXPECT_GT(takes[0].capture_bytes, 0u);
    EXPECT_NE(VideoRecoveryQuestion(takes[0]).find("\"Crashed porch\""), std::string::npos);

    reporter_.set_answer(core::kAnswerYes);
    EXPECT_EQ(OfferLeftoverVideoTakes(takes_, target_, reporter_), 1);
    EXPECT_TRUE(FindLeftoverVideoTakes(takes_).empty());
    EXPECT_TRUE(fs::is_empty(takes_));

    // The record: kind "9", the subject and mark, a video of at least a second.
    const std::string lines = test::ReadFileText((work_ / "Voxwren.xrr").string());
    const std::size_t at = lines.find(".xrv");
    ASSERT_NE(at, std::string::npos);
    const std::size_t name_start = lines.rfind(' ', at) + 1;
    const std::string container = lines.substr(name_start, at + 4 - name_start);
    int message = 0;
    auto opened = OpenVideoRecord(work_, store_->store_path(), container, &message);
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->fields().subject, "Crashed porch");
    EXPECT_EQ(opened->fields().kind_code, "9");
    ASSERT_EQ(opened->marks().size(), 1u);
    EXPECT_EQ(opened->marks()[0].comment, "Before the crash");
    const test::MediaProbe probe = test::ProbeMedia(opened->media_path().string());
    EXPECT_EQ(probe.video_codec, "wmv2");
    EXPECT_GE(probe.picture_span_ms, 1000);
}

TEST_F(VideoTakeTest, NoDeletesAKilledCapture) {
    CaptureThenKill();
    reporter_.set_answer(core::kAnswerNo);
    EXPECT_EQ(OfferLeftoverVideoTakes(takes_, target_, reporter_), 0);
    EXPECT_EQ(reporter_.reports().size(), 1u);
    EXPECT_TRUE(fs::is_empty(takes_));
    EXPECT_EQ(test::ReadFileText((work_ / "Voxwren.xrr").string()).find(".xrv"), std::string::npos);
}

TEST_F(VideoTakeTest, TheCaptureOfARecorderStillOpenIsPassedOverAndGoesWhenItIsDiscarded) {
    target_.takes_folder = takes_;
    {
        VideoSession session(*backend_, virtual_camera_, target_, reporter_);
        ASSERT_EQ(session.Open(), 0);
        ASSERT_EQ(session.Record(), 0);
        EXPECT_EQ(session.capture_path().parent_path(), takes_);
        ASSERT_TRUE(test::PumpUntil([&] { return session.duration_ms() >= 500; }));
        EXPECT_TRUE(FindLeftoverVideoTakes(takes_).empty());
        EXPECT_FALSE(fs::is_empty(takes_));
        session.Stop();
    }
    EXPECT_TRUE(fs::is_empty(takes_));
}

TEST_F(VideoTakeTest, ASavedCaptureLeavesNoTake) {
    target_.takes_folder = takes_;
    VideoSession session(*backend_, virtual_camera_, target_, reporter_);
    ASSERT_EQ(session.Open(), 0);
    ASSERT_EQ(session.Record(), 0);
    ASSERT_TRUE(test::PumpUntil([&] { return session.duration_ms() >= 800; }));
    session.Stop();
    ASSERT_TRUE(session.Convert().kept_target());
    ASSERT_EQ(session.SaveRecord(), 0);
    EXPECT_TRUE(fs::is_empty(takes_));
}

TEST_F(VideoTakeTest, ACaptureNothingCanBeReadFromIsKeptAndSaidSo) {
    fs::create_directories(takes_);
    test::WriteFileText((takes_ / "D2026120801.avi").string(), "RIFF but nothing more");
    test::WriteFileText((takes_ / "D2026120801.xvq").string(),
                        FormatVideoTakeInfo({"08/12/2026 10:00:00", {}}));
    // A description whose capture never began is no take.
    test::WriteFileText((takes_ / "D2026120802.xvq").string(),
                        FormatVideoTakeInfo({"08/12/2026 11:00:00", {}}));
    reporter_.set_answer(core::kAnswerYes);
    EXPECT_EQ(OfferLeftoverVideoTakes(takes_, target_, reporter_), 0);
    ASSERT_EQ(reporter_.reports().size(), 2u);
    EXPECT_EQ(reporter_.reports()[1].text, kVideoTakeNotRecoveredText);
    EXPECT_TRUE(fs::exists(takes_ / "D2026120801.avi"));
    EXPECT_TRUE(fs::exists(takes_ / "D2026120801.xvq"));
    EXPECT_FALSE(fs::exists(takes_ / "D2026120802.xvq"));
    for (const auto& entry : fs::directory_iterator(work_))
        EXPECT_NE(entry.path().filename().string().rfind('D', 0), 0u) << entry.path();
}

TEST(VideoTakeInfoText, RoundTripsAndRefusesOtherTexts) {
    VideoTakeInfo info{"08/12/2026 10:00:00", {}};
    info.details.subject = "Two\nlines";
    info.details.marks.push_back({1500, "gate", recordstore::IndexMarkType::kUser});
    const std::optional<VideoTakeInfo> back = ParseVideoTakeInfo(FormatVideoTakeInfo(info));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->start_log_date, info.start_log_date);
    EXPECT_EQ(back->details, info.details);
    EXPECT_FALSE(ParseVideoTakeInfo("KIVO TAKE 2\nstart x\n"));
    EXPECT_FALSE(ParseVideoTakeInfo("KIVO VIDEO TAKE 1\n"));
    EXPECT_FALSE(ParseVideoTakeInfo(""));
}

}  // namespace
}  // namespace kivo::video
