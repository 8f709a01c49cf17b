// Pedal events driving the playback window: play while held, wind while held.
#include <gtest/gtest.h>

#include <QTest>

#include "kivo/pedal/pedal_remote_binding.h"
#include "remote_test_helpers.h"

namespace kivo::pedal {
namespace {

using kivo::test::RecordingTarget;

long CountCalls(const RecordingTarget& target, const std::string& call) {
    return std::count(target.calls.begin(), target.calls.end(), call);
}

TEST(PedalRemoteBinding, MiddlePedalPlaysUntilLetGo) {
    RecordingTarget target;
    PedalRemoteBinding binding(&target);
    binding.handle(PedalEvent::PlayPressed);
    binding.handle(PedalEvent::PlayReleased);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"play", "pause"}));
}

TEST(PedalRemoteBinding, RewindWindsBackWhileHeld) {
    RecordingTarget target;
    PedalRemoteBinding binding(&target);
    binding.setWinding(500'000, 10);
    binding.handle(PedalEvent::RewindPressed);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"seek -500000"}));  // at once
    ASSERT_TRUE(kivo::test::WaitUntil([&] { return target.calls.size() >= 3; }));

    binding.handle(PedalEvent::RewindReleased);
    const std::size_t after_release = target.calls.size();
    QTest::qWait(50);
    EXPECT_EQ(target.calls.size(), after_release);
    EXPECT_EQ(CountCalls(target, "seek -500000"), static_cast<long>(after_release));
}

TEST(PedalRemoteBinding, LettingGoOfTheOlderWindingPedalKeepsTheNewerOne) {
    RecordingTarget target;
    PedalRemoteBinding binding(&target);
    binding.setWinding(1'000'000, 10);
    binding.handle(PedalEvent::RewindPressed);
    binding.handle(PedalEvent::FastForwardPressed);
    binding.handle(PedalEvent::RewindReleased);
    ASSERT_TRUE(kivo::test::WaitUntil([&] { return CountCalls(target, "seek 1000000") >= 3; }));
    EXPECT_EQ(CountCalls(target, "seek -1000000"), 1);
}

TEST(PedalRemoteBinding, WithoutAWindowPedalsDoNothing) {
    RecordingTarget target;
    PedalRemoteBinding binding(&target);
    binding.setTarget(nullptr);
    binding.handle(PedalEvent::PlayPressed);
    binding.handle(PedalEvent::FastForwardPressed);
    QTest::qWait(30);
    EXPECT_TRUE(target.calls.empty());
}

}  // namespace
}  // namespace kivo::pedal
