// Video recordings (".xrv"): the media plays through Qt Multimedia with the
// same marks, position, Start/Pause/Stop and remote commands as sound. The
// videos are made by FFmpeg at run time; positions are read back from the
// media player and from the frames it decodes.
#include <gtest/gtest.h>

#include <QAudioDevice>
#include <QFileInfo>
#include <QMediaDevices>
#include <QVideoFrame>
#include <QVideoSink>
#include <algorithm>

#include "kivo/sound/qt_audio_backend.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "player_session.h"
#include "player_test_recording.h"
#include "player_texts.h"

namespace kivo::test {
namespace {

using player::OpenResult;
using player::PlayerSession;

// A seek lands within this much of its target (the media player reports
// positions at its own pace while it plays).
constexpr std::int64_t kSlackMs = 450;

class PlayerVideo : public ::testing::Test {
protected:
    sound::VirtualAudioBackend backend_{
        {QString(), QString(), sound::VirtualAudioBackend::Clock::kFast, 20}};
    PlayerTestFiles files_;
    PlayerSession session_{backend_};
    QVideoSink frames_;
    std::int64_t last_frame_ms_ = -1;
    int frame_count_ = 0;

    void SetUp() override {
        session_.SetVideoOutput(&frames_);
        QObject::connect(&frames_, &QVideoSink::videoFrameChanged, [this](const QVideoFrame& f) {
            if (!f.isValid())
                return;
            ++frame_count_;
            last_frame_ms_ = f.startTime() / 1000;
        });
    }
    void TearDown() override { session_.SetVideoOutput(nullptr); }

    RecordingRecipe WithMarks() const {
        RecordingRecipe recipe;
        recipe.duration_text = "00:00:05";  // the record line's word; the media has 3 s
        recipe.marks = {recordstore::MakeIndexMark("00:00:02", "two"),
                        recordstore::MakeIndexMark("00:00:01", "one")};
        return recipe;
    }
    // Opens the video and waits for its media.
    void OpenReady(const RecordingRecipe& recipe) {
        const std::string path = files_.MakeVideoRecording("Video.xrv", recipe);
        ASSERT_FALSE(path.empty());
        ASSERT_EQ(session_.Open(QString::fromStdString(path)), OpenResult::kOpened);
        ASSERT_TRUE(
            WaitUntil([this] { return session_.can_play() || !session_.status_text().isEmpty(); }));
        ASSERT_TRUE(session_.can_play())
            << session_.status_text().toStdString() << ": " << session_.video_error().toStdString();
    }
    bool FrameNear(std::int64_t ms) {
        return WaitUntil(
            [&] { return last_frame_ms_ >= ms - 100 && last_frame_ms_ <= ms + kSlackMs; }, 5000);
    }
};

TEST_F(PlayerVideo, VideoOpensWithItsMarksAndTakesItsLengthFromTheMedia) {
    const std::string path = files_.MakeVideoRecording("Video.xrv", WithMarks());
    ASSERT_FALSE(path.empty());
    bool media_ready = false;
    QObject::connect(&session_, &PlayerSession::mediaReady, [&] { media_ready = true; });
    ASSERT_EQ(session_.Open(QString::fromStdString(path)), OpenResult::kOpened);
    EXPECT_TRUE(session_.is_video());
    // Until the media has loaded: the record line's duration, nothing plays.
    EXPECT_EQ(session_.length_ms(), 5000);
    EXPECT_EQ(session_.PositionText(), QStringLiteral("00:00:00 / 00:00:05"));
    ASSERT_EQ(session_.marks().size(), 2u);
    EXPECT_EQ(session_.marks()[0].comment, QStringLiteral("one"));

    ASSERT_TRUE(WaitUntil([&] { return media_ready; }));
    EXPECT_TRUE(session_.can_play());
    EXPECT_GE(session_.length_ms(), 2900);
    EXPECT_LE(session_.length_ms(), 3300);
    EXPECT_EQ(session_.PositionText(), QStringLiteral("00:00:00 / 00:00:03"));
    EXPECT_TRUE(session_.status_text().isEmpty()) << session_.status_text().toStdString();
    EXPECT_EQ(session_.kind_code(), QStringLiteral("9"));
    EXPECT_EQ(session_.metadata().length_us, session_.length_ms() * 1000);
    EXPECT_TRUE(session_.capabilities().can_go_next);
    // Sound effects work on a wave only.
    EXPECT_FALSE(session_.can_use_effects());
    EXPECT_FALSE(session_.EnterEffectsMode());
    EXPECT_FALSE(session_.SetReverse(true));
    // The tests' virtual audio backend gives the media player no device.
    EXPECT_FALSE(session_.video_has_sound_output());
}

TEST_F(PlayerVideo, NextAndPreviousMarkSeekTheVideo) {
    OpenReady(WithMarks());
    session_.NextMark();  // from none: the first
    EXPECT_EQ(session_.current_mark(), 0);
    EXPECT_TRUE(session_.is_playing());
    EXPECT_GE(session_.position_ms(), 1000 - 50);
    EXPECT_LE(session_.position_ms(), 1000 + kSlackMs);
    EXPECT_TRUE(FrameNear(1000)) << "last frame at " << last_frame_ms_;

    session_.Pause();
    session_.NextMark();
    EXPECT_EQ(session_.current_mark(), 1);
    EXPECT_GE(session_.position_ms(), 2000 - 50);
    EXPECT_LE(session_.position_ms(), 2000 + kSlackMs);
    EXPECT_TRUE(FrameNear(2000)) << "last frame at " << last_frame_ms_;

    session_.PreviousMark();
    EXPECT_EQ(session_.current_mark(), 0);
    EXPECT_LE(session_.position_ms(), 1000 + kSlackMs);
    EXPECT_TRUE(FrameNear(1000)) << "last frame at " << last_frame_ms_;

    session_.Stop();
    EXPECT_FALSE(session_.is_playing());
    EXPECT_EQ(session_.position_ms(), 0);
}

TEST_F(PlayerVideo, PauseHoldsThePositionAndStartPlaysOnFromIt) {
    OpenReady(WithMarks());
    session_.Start(500);
    ASSERT_TRUE(WaitUntil([this] { return session_.position_ms() >= 1200; }, 5000));
    session_.Pause();
    EXPECT_TRUE(session_.is_paused());
    EXPECT_EQ(session_.playbackStatus(), remote::PlaybackStatus::Paused);
    const std::int64_t paused_at = session_.position_ms();
    WaitUntil([] { return false; }, 400);
    EXPECT_NEAR(session_.position_ms(), paused_at, 60);  // held

    session_.MoveTo(2200);  // while paused: moves, does not play
    EXPECT_FALSE(session_.is_playing());
    EXPECT_TRUE(WaitUntil([this] { return std::abs(session_.position_ms() - 2200) <= 60; }));
    session_.Start();  // from the current position
    EXPECT_TRUE(session_.is_playing());
    ASSERT_TRUE(WaitUntil([this] { return session_.position_ms() > 2300; }, 5000));
}

TEST_F(PlayerVideo, PlayingToTheEndReturnsToTheStart) {
    OpenReady(WithMarks());
    int state_changes = 0;
    QObject::connect(&session_, &PlayerSession::stateChanged, [&] { ++state_changes; });
    session_.Start(2200);
    ASSERT_TRUE(WaitUntil([this] { return !session_.is_playing(); }, 8000));
    EXPECT_EQ(session_.position_ms(), 0);
    EXPECT_EQ(session_.playbackStatus(), remote::PlaybackStatus::Stopped);
    EXPECT_GE(state_changes, 2);
    // It plays again after the end.
    session_.Start();
    EXPECT_TRUE(WaitUntil([this] { return session_.position_ms() > 200; }, 5000));
    session_.Stop();
}

TEST_F(PlayerVideo, RemoteCommandsDriveTheVideo) {
    OpenReady(WithMarks());
    std::vector<qint64> jumps_ms;
    QObject::connect(&session_, &PlayerSession::positionJumped,
                     [&jumps_ms](qint64 ms) { jumps_ms.push_back(ms); });
    session_.command(6);  // next mark
    session_.command(6);
    EXPECT_EQ(session_.current_mark(), 1);
    EXPECT_TRUE(FrameNear(2000)) << "last frame at " << last_frame_ms_;
    session_.command(2);  // back two seconds
    EXPECT_LE(session_.position_ms(), kSlackMs);
    session_.command(1);  // rewind
    EXPECT_FALSE(session_.is_playing());
    EXPECT_EQ(session_.current_mark(), -1);
    EXPECT_EQ(session_.position_ms(), 0);
    ASSERT_EQ(jumps_ms.size(), 4u);
    EXPECT_EQ(jumps_ms[0], 1000);
    EXPECT_EQ(jumps_ms[1], 2000);
    EXPECT_EQ(jumps_ms[3], 0);
    session_.command(4);  // play
    EXPECT_TRUE(session_.is_playing());
    session_.setPosition(1500 * 1000);  // MPRIS SetPosition, in microseconds
    EXPECT_TRUE(FrameNear(1500)) << "last frame at " << last_frame_ms_;
    session_.command(5);  // stop
    EXPECT_FALSE(session_.is_playing());
}

TEST_F(PlayerVideo, VideoThatCannotBeDecodedSaysSoAndKeepsItsMarks) {
    const std::string path =
        files_.MakeVideoRecordingWithMedia("Broken.xrv", WithMarks(), Bytes(4096, 0x5A));
    ASSERT_EQ(session_.Open(QString::fromStdString(path)), OpenResult::kOpened);
    ASSERT_TRUE(WaitUntil([this] { return !session_.status_text().isEmpty(); }));
    EXPECT_EQ(session_.status_text(), QString::fromLatin1(player::kUnableToPlay));
    EXPECT_FALSE(session_.video_error().isEmpty());
    EXPECT_TRUE(session_.is_open());
    EXPECT_FALSE(session_.can_play());
    EXPECT_EQ(session_.marks().size(), 2u);
    session_.Start();
    session_.NextMark();
    EXPECT_FALSE(session_.is_playing());
    EXPECT_FALSE(session_.capabilities().can_play);
}

TEST_F(PlayerVideo, ClosingRemovesTheUnpackedVideo) {
    OpenReady(WithMarks());
    const QString folder = session_.temp_folder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/Video.wmv")));
    session_.Start();
    session_.Close();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_FALSE(session_.is_video());
    EXPECT_FALSE(session_.is_playing());
}

}  // namespace
}  // namespace kivo::test

namespace kivo::test {
namespace {

// On the sound devices (under scripts/with-test-services.sh: PulseAudio's
// null sink) the video's sound goes to the default output and the video
// still plays at its own pace.
TEST(PlayerVideoSound, VideoPlaysWithItsSoundOnARealOutputDevice) {
    if (QMediaDevices::audioOutputs().isEmpty())
        GTEST_SKIP() << "no sound output device (run under scripts/with-test-services.sh)";
    sound::QtAudioBackend backend;
    PlayerSession session(backend);
    EXPECT_TRUE(session.video_has_sound_output());
    PlayerTestFiles files;
    const std::string path = files.MakeVideoRecording("Video.xrv", RecordingRecipe{});
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(session.Open(QString::fromStdString(path)), OpenResult::kOpened);
    ASSERT_TRUE(WaitUntil([&] { return session.can_play(); }));
    session.Start();
    EXPECT_TRUE(WaitUntil([&] { return session.position_ms() >= 1000; }, 5000));
    session.Stop();
    EXPECT_EQ(session.position_ms(), 0);
}

}  // namespace
}  // namespace kivo::test
