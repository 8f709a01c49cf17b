// Each libsox effect changes the sound but keeps length, rate and channels;
// reverse reverses; an unknown effect fails cleanly.
#include <gtest/gtest.h>

#include <cmath>

#include "kivo/audio/effect_render.h"
#include "test_signals.h"

namespace kivo::audio {
namespace {

using test::FrameCount;
using test::MakeSpeechLike;
using test::MeanSquare;
using test::RmsDifference;
using wavefile::PcmFormat;

struct EffectCase {
    int index;
    int value;
};

class EffectRenderTest : public ::testing::TestWithParam<PcmFormat> {};

TEST_P(EffectRenderTest, EveryEffectChangesTheSignalAndKeepsItsShape) {
    const PcmFormat format = GetParam();
    const auto source = MakeSpeechLike(format, format.sample_rate_hz * 2);
    const EffectCase cases[] = {
        {kEffectEcho, 7},   {kEffectChorus, 20},   {kEffectDistortion, 5}, {kEffectFlanger, 10},
        {kEffectGargle, 8}, {kEffectEqualizer, 6}, {kEffectEqualizer, -6}, {kEffectReverb, 10},
    };
    for (const EffectCase& c : cases) {
        SCOPED_TRACE(StepForEffect(c.index, c.value).name + " " + std::to_string(c.value));
        std::vector<std::uint8_t> out;
        const auto status = RenderEffects(format, source, {StepForEffect(c.index, c.value)}, &out);
        ASSERT_TRUE(status.ok()) << status.message();
        EXPECT_EQ(out.size(), source.size());
        EXPECT_GT(RmsDifference(source, out, format), 0.01);
        EXPECT_GT(MeanSquare(out, format), 0.0001);  // not silenced
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, EffectRenderTest,
                         ::testing::Values(PcmFormat{1, 8000, 16}, PcmFormat{2, 8000, 16},
                                           PcmFormat{1, 22050, 8}, PcmFormat{2, 44100, 16}),
                         [](const ::testing::TestParamInfo<PcmFormat>& info) {
                             const PcmFormat& f = info.param;
                             return std::to_string(f.channels) + "ch" +
                                    std::to_string(f.sample_rate_hz) + "Hz" +
                                    std::to_string(f.bits_per_sample) + "bit";
                         });

TEST(EffectRender, LibraryIsAvailable) {
    EXPECT_TRUE(EffectsLibraryAvailable());
}

TEST(EffectRender, AllEffectsTogetherKeepLength) {
    const PcmFormat format{1, 8000, 16};
    const auto source = MakeSpeechLike(format, 8000 * 3);
    EffectSet effects = NeutralEffects();
    for (int i = kEffectEcho; i < kEffectCount; ++i) {
        effects[i] = EffectPair{1, RangeOfEffect(i).maximum};
    }
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(RenderEffects(format, source, EffectStepsFor(effects), &out).ok());
    EXPECT_EQ(FrameCount(out, format), FrameCount(source, format));
}

TEST(EffectRender, ReverseReversesFrames) {
    const PcmFormat format{2, 8000, 16};
    const auto source = test::MakeCountingPattern(format, 5000);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(RenderEffects(format, source, {ReverseStep()}, &out).ok());
    ASSERT_EQ(out.size(), source.size());
    const std::size_t align = 4;
    for (std::size_t frame = 0; frame < 5000; frame += 499) {
        for (std::size_t b = 0; b < align; ++b) {
            EXPECT_EQ(out[frame * align + b], source[(4999 - frame) * align + b]);
        }
    }
}

TEST(EffectRender, NoStepsCopiesTheSource) {
    const PcmFormat format{1, 8000, 16};
    const auto source = test::MakeCountingPattern(format, 3000);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(RenderEffects(format, source, {}, &out).ok());
    EXPECT_EQ(out, source);
}

TEST(EffectRender, UnknownEffectFailsWithItsName) {
    const PcmFormat format{1, 8000, 16};
    const auto source = test::MakeTone(format, 440, 200);
    std::vector<std::uint8_t> out;
    const auto status = RenderEffects(format, source, {{"no-such-effect", {}}}, &out);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("no-such-effect"), std::string::npos);
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace kivo::audio
