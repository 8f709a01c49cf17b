// Canned input reports of a VEC/Infinity pedal decoded into pedal events.
#include <gtest/gtest.h>

#include <vector>

#include "kivo/pedal/pedal_report_decoder.h"

namespace kivo::pedal {
namespace {

using Events = std::vector<PedalEvent>;
using Report = std::vector<std::uint8_t>;

TEST(PedalReportDecoder, MiddlePedalPlaysWhileHeld) {
    PedalReportDecoder decoder;
    EXPECT_EQ(decoder.decode(Report{0x02, 0x00}), Events{PedalEvent::PlayPressed});
    EXPECT_EQ(decoder.decode(Report{0x00, 0x00}), Events{PedalEvent::PlayReleased});
}

TEST(PedalReportDecoder, SideTogetherAreReportedLeftToRight) {
    PedalReportDecoder decoder;
    EXPECT_EQ(decoder.decode(Report{0x05, 0x00}),
              (Events{PedalEvent::RewindPressed, PedalEvent::FastForwardPressed}));
    EXPECT_EQ(decoder.decode(Report{0x04, 0x00}), Events{PedalEvent::RewindReleased});
    EXPECT_EQ(decoder.decode(Report{0x00, 0x00}), Events{PedalEvent::FastForwardReleased});
}

TEST(PedalReportDecoder, FootMovingBetweenPedalsReleasesBeforePressing) {
    PedalReportDecoder decoder;
    decoder.decode(Report{0x02, 0x00});
    EXPECT_EQ(decoder.decode(Report{0x01, 0x00}),
              (Events{PedalEvent::PlayReleased, PedalEvent::RewindPressed}));
}

TEST(PedalReportDecoder, RepeatedReportChangesNothing) {
    PedalReportDecoder decoder;
    decoder.decode(Report{0x02, 0x00});
    EXPECT_TRUE(decoder.decode(Report{0x02, 0x00}).empty());
    EXPECT_EQ(decoder.pressedPedals(), kPlayPedalBit);
}

TEST(PedalReportDecoder, UnusedBitsAndBytesAreIgnored) {
    PedalReportDecoder decoder;
    EXPECT_EQ(decoder.decode(Report{0xFA, 0xFF, 0x13}), Events{PedalEvent::PlayPressed});
    EXPECT_EQ(decoder.decode(Report{0xF8}), Events{PedalEvent::PlayReleased});
}

TEST(PedalReportDecoder, EmptyReportKeepsTheState) {
    PedalReportDecoder decoder;
    decoder.decode(Report{0x01});
    EXPECT_TRUE(decoder.decode(Report{}).empty());
    EXPECT_EQ(decoder.pressedPedals(), kRewindPedalBit);
}

TEST(PedalReportDecoder, ResetTreatsAllPedalsAsUp) {
    PedalReportDecoder decoder;
    decoder.decode(Report{0x07});
    decoder.reset();
    EXPECT_EQ(decoder.decode(Report{0x02}), Events{PedalEvent::PlayPressed});
}

}  // namespace
}  // namespace kivo::pedal
