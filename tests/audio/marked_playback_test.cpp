// The transport both players share, over a scripted device: resuming after a
// pause, starting at the end, the two rule sets (playback dialog, message
// player), stepping through marks and the six remote commands.
#include <gtest/gtest.h>

#include <vector>

#include "kivo/audio/marked_playback.h"

namespace kivo::audio {
namespace {

// A device that plays instantly: positions only move when told to.
class ScriptedDevice : public PlaybackDevice {
public:
    std::int64_t length = 10000;
    std::int64_t position = 0;
    bool playing = false;
    bool backwards = false;
    bool refuses_to_play = false;
    std::vector<std::int64_t> plays_from;
    int returns_to_start = 0;

    std::int64_t length_ms() const override { return length; }
    std::int64_t position_ms() const override { return position; }
    bool PlayFrom(std::int64_t position_ms) override {
        if (refuses_to_play)
            return false;
        plays_from.push_back(position_ms);
        position = position_ms;
        playing = true;
        return true;
    }
    void Halt() override { playing = false; }
    void Place(std::int64_t position_ms) override { position = position_ms; }
    void StopAtStart() override {
        ++returns_to_start;
        playing = false;
        position = 0;
    }
    bool plays_backwards() const override { return backwards; }
};

constexpr MarkedPlaybackRules kDialogRules{.stop_returns_to_start = false,
                                           .rewind_forgets_current_mark = false,
                                           .move_ends_pause = true,
                                           .mark_commands_play_without_marks = true};
constexpr MarkedPlaybackRules kPlayerRules{.stop_returns_to_start = true,
                                           .rewind_forgets_current_mark = true,
                                           .move_ends_pause = false,
                                           .mark_commands_play_without_marks = false};

class MarkedPlaybackTest : public ::testing::Test {
protected:
    std::vector<std::int64_t> mark_times_ms_ = {1000, 3000, 7000};
    ScriptedDevice device_;
    std::vector<std::int64_t> jumps_ms_;
    std::vector<int> current_rows_;
    int failures_ = 0;

    std::unique_ptr<MarkedPlayback> Make(MarkedPlaybackRules rules) {
        auto transport = std::make_unique<MarkedPlayback>(
            rules, MarkTimes{[this] { return static_cast<int>(mark_times_ms_.size()); },
                             [this](int row) { return mark_times_ms_[row]; }});
        QObject::connect(transport.get(), &MarkedPlayback::positionJumped,
                         [this](qint64 ms) { jumps_ms_.push_back(ms); });
        QObject::connect(transport.get(), &MarkedPlayback::currentMarkChanged,
                         [this](int row) { current_rows_.push_back(row); });
        QObject::connect(transport.get(), &MarkedPlayback::startFailed, [this] { ++failures_; });
        transport->SetDevice(&device_);
        return transport;
    }
};

TEST_F(MarkedPlaybackTest, ResumingAfterAPauseStepsBackInTheDirectionOfPlay) {
    auto transport = Make(kDialogRules);
    transport->SetResumeRewindMs(2000);
    transport->PlayFrom(3000);
    transport->Pause();
    transport->Start();
    EXPECT_EQ(device_.plays_from.back(), 1000);
    EXPECT_EQ(jumps_ms_, (std::vector<std::int64_t>{1000}));

    // A reversed copy runs from the end: stepping back goes towards it.
    device_.backwards = true;
    device_.position = 9000;
    transport->Pause();
    transport->Start();
    EXPECT_EQ(device_.plays_from.back(), 10000);

    transport->SetResumeRewindMs(9000);
    EXPECT_EQ(transport->resume_rewind_ms(), kMaximumResumeRewindMs);
}

TEST_F(MarkedPlaybackTest, StartingAtTheEndOfPlayBeginsAgainAtItsStart) {
    auto transport = Make(kDialogRules);
    device_.position = 10000;
    transport->Start();
    EXPECT_EQ(device_.plays_from.back(), 0);
    transport->Stop();
    device_.backwards = true;
    device_.position = 0;
    transport->Start();
    EXPECT_EQ(device_.plays_from.back(), 10000);
    transport->Start();  // already playing: nothing
    EXPECT_EQ(device_.plays_from.size(), 2u);
}

TEST_F(MarkedPlaybackTest, DialogStopKeepsThePlaceAndAMoveEndsThePause) {
    auto transport = Make(kDialogRules);
    transport->PlayFrom(4000);
    transport->Stop();
    EXPECT_EQ(transport->position_ms(), 4000);
    EXPECT_EQ(device_.returns_to_start, 0);
    transport->PlayFrom(4000);
    transport->DeviceFinished();
    EXPECT_EQ(device_.returns_to_start, 0);

    transport->PlayFrom(4000);
    transport->Pause();
    transport->MoveTo(6000);
    EXPECT_EQ(transport->state(), MarkedPlayback::State::kStopped);
    EXPECT_EQ(transport->status(), remote::PlaybackStatus::Stopped);
    transport->Rewind();
    EXPECT_EQ(transport->position_ms(), 0);
    EXPECT_EQ(jumps_ms_, (std::vector<std::int64_t>{6000, 0}));
}

TEST_F(MarkedPlaybackTest, PlayerStopReturnsToTheStartAndAPauseSurvivesAMove) {
    auto transport = Make(kPlayerRules);
    std::vector<std::int64_t> positions_ms;
    QObject::connect(transport.get(), &MarkedPlayback::positionChanged,
                     [&positions_ms](qint64 ms) { positions_ms.push_back(ms); });
    transport->PlayFrom(4000);
    transport->Stop();
    EXPECT_EQ(device_.returns_to_start, 1);
    EXPECT_EQ(positions_ms.back(), 0);
    transport->PlayFrom(4000);
    transport->DeviceFinished();
    EXPECT_EQ(device_.returns_to_start, 2);

    transport->PlayFrom(4000);
    transport->Pause();
    transport->MoveTo(6000);
    EXPECT_TRUE(transport->is_paused());
    EXPECT_EQ(transport->status(), remote::PlaybackStatus::Paused);
    transport->Start();  // no resume rewind set: from the new place
    EXPECT_EQ(device_.plays_from.back(), 6000);
}

TEST_F(MarkedPlaybackTest, MarksStepWithoutWrappingAndFromNoneGoToTheFirst) {
    auto transport = Make(kDialogRules);
    transport->PreviousMark();
    EXPECT_EQ(transport->current_mark(), 0);
    EXPECT_EQ(transport->position_ms(), 1000);
    EXPECT_FALSE(transport->is_playing());  // going to a mark does not play
    transport->NextMark();
    transport->NextMark();
    transport->NextMark();
    EXPECT_EQ(transport->current_mark(), 2);
    EXPECT_EQ(transport->position_ms(), 7000);
    // The same row again is reported again, so a view can select it.
    EXPECT_EQ(current_rows_, (std::vector<int>{0, 1, 2, 2}));

    transport->PlayPreviousMark();
    EXPECT_TRUE(transport->is_playing());
    EXPECT_EQ(device_.plays_from.back(), 3000);
    transport->GoToMark(0);  // while playing: plays on from the mark
    EXPECT_EQ(device_.plays_from.back(), 1000);

    mark_times_ms_.push_back(12000);  // past the end of the recording
    transport->PlayMark(3);
    EXPECT_EQ(device_.plays_from.back(), 10000);
}

TEST_F(MarkedPlaybackTest, EditingTheListKeepsTheCurrentMark) {
    auto transport = Make(kDialogRules);
    transport->GoToMark(1);
    transport->MarkInserted(0);
    EXPECT_EQ(transport->current_mark(), 2);
    transport->MarkInserted(3);
    EXPECT_EQ(transport->current_mark(), 2);
    transport->MarkRemoved(2);  // the current one: the one before it
    EXPECT_EQ(transport->current_mark(), 1);
    transport->ResetCurrentMark();
    EXPECT_EQ(transport->current_mark(), -1);
}

TEST_F(MarkedPlaybackTest, RemoteCommandsMoveThePlayerTheSameWay) {
    auto transport = Make(kPlayerRules);
    EXPECT_TRUE(transport->RunCommand(6));
    EXPECT_EQ(transport->current_mark(), 0);
    EXPECT_EQ(device_.plays_from.back(), 1000);
    EXPECT_TRUE(transport->RunCommand(6));
    EXPECT_TRUE(transport->RunCommand(3));
    EXPECT_EQ(transport->current_mark(), 0);
    device_.position = 1500;
    EXPECT_TRUE(transport->RunCommand(2));
    EXPECT_EQ(device_.plays_from.back(), 0);  // two seconds back, not below 0
    EXPECT_TRUE(transport->RunCommand(5));
    EXPECT_FALSE(transport->is_playing());
    EXPECT_TRUE(transport->RunCommand(4));
    EXPECT_TRUE(transport->is_playing());
    EXPECT_TRUE(transport->RunCommand(1));
    EXPECT_FALSE(transport->is_playing());
    EXPECT_EQ(transport->current_mark(), -1);
    EXPECT_EQ(jumps_ms_, (std::vector<std::int64_t>{1000, 3000, 1000, 0, 0}));

    const std::size_t plays = device_.plays_from.size();
    EXPECT_FALSE(transport->RunCommand(0));
    EXPECT_FALSE(transport->RunCommand(7));
    EXPECT_EQ(device_.plays_from.size(), plays);
}

TEST_F(MarkedPlaybackTest, MarkCommandsWithoutMarksFollowTheRules) {
    mark_times_ms_.clear();
    auto dialog = Make(kDialogRules);
    dialog->RunCommand(6);
    EXPECT_TRUE(dialog->is_playing());
    dialog->SetDevice(nullptr);

    auto player = Make(kPlayerRules);
    player->RunCommand(3);
    EXPECT_FALSE(player->is_playing());
}

TEST_F(MarkedPlaybackTest, WithoutADeviceNothingMoves) {
    auto transport = Make(kDialogRules);
    transport->PlayFrom(2000);
    transport->SetDevice(nullptr);
    EXPECT_FALSE(device_.playing);  // the old device was halted
    EXPECT_EQ(transport->state(), MarkedPlayback::State::kStopped);
    transport->Start();
    transport->MoveTo(5000);
    transport->NextMark();
    transport->PlayMark(1);
    transport->BackTwoSeconds();
    EXPECT_FALSE(transport->is_playing());
    EXPECT_EQ(transport->current_mark(), -1);
    EXPECT_EQ(transport->position_ms(), 0);
    EXPECT_EQ(device_.plays_from.size(), 1u);
}

TEST_F(MarkedPlaybackTest, ADeviceThatCannotPlayLeavesTheTransportStopped) {
    auto transport = Make(kDialogRules);
    device_.refuses_to_play = true;
    transport->Start();
    EXPECT_EQ(failures_, 1);
    EXPECT_FALSE(transport->is_playing());
    transport->PlayMark(1);
    EXPECT_EQ(failures_, 2);
    EXPECT_EQ(transport->state(), MarkedPlayback::State::kStopped);
}

}  // namespace
}  // namespace kivo::audio
