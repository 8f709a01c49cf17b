// Playback with effects and live speed through the virtual speaker, and the
// stored effect fields.
#include <gtest/gtest.h>

#include <cmath>

#include "audio_test_support.h"
#include "kivo/audio/effect_render.h"
#include "kivo/audio/effects_player.h"
#include "kivo/audio/speed_stage.h"
#include "kivo/wavefile/pcm_convert.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::audio {
namespace {

using wavefile::PcmFormat;

const PcmFormat kMono8k{1, 8000, 16};

class EffectsPlayerTest : public ::testing::Test {
protected:
    void Load(const std::vector<std::uint8_t>& pcm, const PcmFormat& format = kMono8k) {
        source_ = pcm;
        test::WriteWave(dir_.file("rec.wav"), format, pcm);
        backend_ = std::make_unique<sound::VirtualAudioBackend>(
            test::ManualOptions("", dir_.file("out.wav")));
        player_ = std::make_unique<EffectsPlayer>(*backend_);
        int speed = 0;
        int minimum = 0;
        int maximum = 0;
        ASSERT_EQ(player_->InitDSound(QString::fromStdString(dir_.file("rec.wav")), &speed,
                                      &minimum, &maximum),
                  EffectsPlayer::kOk);
        EXPECT_EQ(speed, 100);
        EXPECT_EQ(minimum, 49);
        EXPECT_EQ(maximum, 201);
        QObject::connect(player_.get(), &EffectsPlayer::playbackFinished, [this] { ++finished_; });
    }
    // Lets the virtual speaker run until playback ends.
    void PlayToTheEnd() {
        ASSERT_TRUE(test::PumpUntil([this] {
            backend_->Advance(100);
            return finished_ > 0;
        }));
    }
    std::vector<std::uint8_t> Played() const { return test::ReadWaveSamples(dir_.file("out.wav")); }

    test::TempDir dir_;
    std::vector<std::uint8_t> source_;
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    std::unique_ptr<EffectsPlayer> player_;
    int finished_ = 0;
};

TEST_F(EffectsPlayerTest, WithoutEffectsPlaysTheWaveUnchanged) {
    Load(test::MakeCountingPattern(kMono8k, 12000));
    const EffectSet effects = NeutralEffects();
    ASSERT_EQ(player_->PlayDSound(0, effects.data(), kEffectCount), EffectsPlayer::kOk);
    PlayToTheEnd();
    EXPECT_EQ(Played(), source_);
    EXPECT_EQ(player_->GetPosn(), 100);
    EXPECT_FALSE(player_->is_playing());
}

TEST_F(EffectsPlayerTest, EightBitWavesPlayAsSixteenBit) {
    const PcmFormat radio{1, 22050, 8};
    Load(test::MakeTone(radio, 300, 500), radio);
    const EffectSet effects = NeutralEffects();
    ASSERT_EQ(player_->PlayDSound(0, effects.data(), kEffectCount), EffectsPlayer::kOk);
    PlayToTheEnd();
    const auto played = Played();
    EXPECT_EQ(test::FrameCount(played, PcmFormat{1, 22050, 16}), 11025);
    EXPECT_GT(test::ToneShare(played, PcmFormat{1, 22050, 16}, 300), 0.9);
}

TEST_F(EffectsPlayerTest, SpeedOneAndAHalfTakesTwoThirdsOfTheTimeAtTheSamePitch) {
    Load(test::MakeTone(kMono8k, 440, 3000));
    EffectSet effects = NeutralEffects();
    effects[kEffectSpeed].value = 150;
    ASSERT_EQ(player_->PlayDSound(0, effects.data(), kEffectCount), EffectsPlayer::kOk);
    PlayToTheEnd();
    const auto played = Played();
    const double seconds = static_cast<double>(test::FrameCount(played, kMono8k)) / 8000;
    EXPECT_NEAR(seconds, 2.0, 0.1);
    EXPECT_GT(test::ToneShare(played, kMono8k, 440), 0.8);
    EXPECT_LT(test::ToneShare(played, kMono8k, 660), 0.1);  // not shifted up by 1.5
}

TEST_F(EffectsPlayerTest, SpeedChangesLiveWhilePlaying) {
    Load(test::MakeTone(kMono8k, 440, 4000));
    const EffectSet effects = NeutralEffects();
    ASSERT_EQ(player_->PlayDSound(0, effects.data(), kEffectCount), EffectsPlayer::kOk);
    test::AdvanceAndPump(*backend_, 1000, 100);  // one second at normal speed
    EXPECT_NEAR(static_cast<double>(player_->position_ms()), 1000, 50);
    EXPECT_EQ(player_->AdjEffects(kEffectSpeed, 200), 200);
    test::AdvanceAndPump(*backend_, 500, 100);  // half a second at double speed
    EXPECT_NEAR(static_cast<double>(player_->position_ms()), 2000, 100);
    PlayToTheEnd();
    const double seconds = static_cast<double>(test::FrameCount(Played(), kMono8k)) / 8000;
    EXPECT_NEAR(seconds, 2.5, 0.15);  // 1 s + 3 s at double speed
}

TEST_F(EffectsPlayerTest, EffectsChangeTheSoundButNotTheLength) {
    Load(test::MakeSpeechLike(kMono8k, 16000));
    EffectSet effects = NeutralEffects();
    effects[kEffectEcho] = EffectPair{1, 8};
    effects[kEffectReverb] = EffectPair{1, 5};
    ASSERT_EQ(player_->PlayDSound(0, effects.data(), kEffectCount), EffectsPlayer::kOk);
    PlayToTheEnd();
    const auto played = Played();
    ASSERT_EQ(played.size(), source_.size());
    EXPECT_GT(test::RmsDifference(played, source_, kMono8k), 0.01);
    std::vector<std::uint8_t> offline;
    ASSERT_TRUE(RenderEffects(kMono8k, source_, EffectStepsFor(effects), &offline).ok());
    EXPECT_EQ(played, offline);
}

TEST_F(EffectsPlayerTest, StopKeepsThePositionAndPlayResumesFromIt) {
    Load(test::MakeCountingPattern(kMono8k, 16000));
    const EffectSet effects = NeutralEffects();
    ASSERT_EQ(player_->PlayDSound(0, effects.data(), kEffectCount), EffectsPlayer::kOk);
    test::AdvanceAndPump(*backend_, 700, 100);
    player_->StopDSound();
    EXPECT_EQ(player_->position_ms(), 700);
    EXPECT_EQ(player_->GetPosn(), 35);
    test::AdvanceAndPump(*backend_, 500, 100);
    ASSERT_EQ(
        player_->PlayDSound(EffectsPlayer::kFromCurrentPosition, effects.data(), kEffectCount),
        EffectsPlayer::kOk);
    PlayToTheEnd();
    EXPECT_EQ(Played(), source_);
}

TEST_F(EffectsPlayerTest, SetPosnMovesByPercentage) {
    Load(test::MakeCountingPattern(kMono8k, 8000));
    player_->SetPosn(75);
    EXPECT_EQ(player_->GetPosn(), 75);
    EXPECT_EQ(player_->position_ms(), 750);
    const EffectSet effects = NeutralEffects();
    ASSERT_EQ(
        player_->PlayDSound(EffectsPlayer::kFromCurrentPosition, effects.data(), kEffectCount),
        EffectsPlayer::kOk);
    PlayToTheEnd();
    EXPECT_EQ(Played(), test::Frames(source_, kMono8k, 6000, 2000));
    player_->SetPosn(250);  // clamped
    EXPECT_EQ(player_->GetPosn(), 100);
}

TEST_F(EffectsPlayerTest, ReportsThePositionWhilePlaying) {
    Load(test::MakeCountingPattern(kMono8k, 8000));
    std::vector<qint64> reported;
    QObject::connect(player_.get(), &EffectsPlayer::positionChanged,
                     [&](qint64 ms) { reported.push_back(ms); });
    const EffectSet effects = NeutralEffects();
    ASSERT_EQ(player_->PlayDSound(0, effects.data(), kEffectCount), EffectsPlayer::kOk);
    PlayToTheEnd();
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported.back(), 1000);
}

TEST_F(EffectsPlayerTest, AdjEffectsClampsToTheSliderRanges) {
    Load(test::MakeCountingPattern(kMono8k, 800));
    EXPECT_EQ(player_->AdjEffects(kEffectSpeed, 500), 200);
    EXPECT_EQ(player_->AdjEffects(kEffectSpeed, 49), 50);
    EXPECT_EQ(player_->AdjEffects(kEffectEcho, -3), 0);
    EXPECT_EQ(player_->AdjEffects(kEffectChorus, 34), 34);
    EXPECT_EQ(player_->AdjEffects(kEffectEqualizer, 20), 8);
    EXPECT_EQ(player_->AdjEffects(kEffectEqualizer, -20), -8);
    EXPECT_EQ(player_->AdjEffects(kEffectReverb, 16), 15);
}

TEST(EffectsPlayerInit, RefusesUnreadableWavesAndPlayBeforeInit) {
    test::TempDir dir;
    sound::VirtualAudioBackend backend(test::ManualOptions("", ""));
    EffectsPlayer player(backend);
    EXPECT_EQ(
        player.InitDSound(QString::fromStdString(dir.file("none.wav")), nullptr, nullptr, nullptr),
        EffectsPlayer::kErrorCannotRead);
    EXPECT_FALSE(player.last_error().isEmpty());
    const EffectSet effects = NeutralEffects();
    EXPECT_EQ(player.PlayDSound(0, effects.data(), kEffectCount),
              EffectsPlayer::kErrorNotInitialised);
}

TEST(StoredEffects, HundredIsOffExceptForSpeed) {
    const StoredEffects stored =
        DecodeStoredEffects({"100", "100", "12", "", "100", "3", "-4", "100", "", ""});
    EXPECT_TRUE(stored.any_stored);
    EXPECT_EQ(stored.effects[kEffectSpeed].on, 1);
    EXPECT_EQ(stored.effects[kEffectSpeed].value, 100);
    EXPECT_EQ(stored.effects[kEffectEcho].on, 0);
    EXPECT_EQ(stored.effects[kEffectChorus].on, 1);
    EXPECT_EQ(stored.effects[kEffectChorus].value, 12);
    EXPECT_EQ(stored.effects[kEffectDistortion].on, 0);
    EXPECT_EQ(stored.effects[kEffectFlanger].on, 0);
    EXPECT_EQ(stored.effects[kEffectGargle].value, 3);
    EXPECT_EQ(stored.effects[kEffectEqualizer].value, -4);
    EXPECT_EQ(stored.effects[kEffectReverb].on, 0);
    EXPECT_FALSE(stored.reverse);
    EXPECT_FALSE(stored.edited_marker);
}

TEST(StoredEffects, EmptyFieldsStoreNothing) {
    const StoredEffects stored = DecodeStoredEffects(std::vector<std::string>(10));
    EXPECT_FALSE(stored.any_stored);
    EXPECT_EQ(stored.effects[kEffectSpeed].value, 100);
    EXPECT_FALSE(AnyRenderedEffectOn(stored.effects));
}

TEST(StoredEffects, ReverseAndEditedMarker) {
    const StoredEffects stored = DecodeStoredEffects({"", "", "", "", "", "", "", "", "1", "1"});
    EXPECT_TRUE(stored.any_stored);
    EXPECT_TRUE(stored.reverse);
    EXPECT_TRUE(stored.edited_marker);
    EXPECT_FALSE(DecodeStoredEffects({"", "", "", "", "", "", "", "", "100", "100"}).any_stored);
    // Values out of range are brought into it; words that are not numbers are off.
    const StoredEffects odd = DecodeStoredEffects({"900", "99", "x"});
    EXPECT_EQ(odd.effects[kEffectSpeed].value, 200);
    EXPECT_EQ(odd.effects[kEffectEcho].value, 15);
    EXPECT_EQ(odd.effects[kEffectChorus].on, 0);
}

TEST(SpeedStage, KeepsThePitch) {
    SpeedStage stage;
    stage.Configure(1, 8000);
    stage.SetSpeedPercent(75);
    const auto tone = test::MakeTone(kMono8k, 600, 2000);
    std::vector<float> in(16000);
    wavefile::DecodePcmToFloat(tone.data(), 16000, kMono8k, in.data());
    stage.Put(in.data(), in.size());
    stage.Flush();
    std::vector<float> out(40000);
    const std::size_t got = stage.Receive(out.data(), out.size());
    EXPECT_NEAR(static_cast<double>(got) / 8000, 2.0 / 0.75, 0.15);
    std::vector<std::uint8_t> pcm(got * 2);
    wavefile::EncodeFloatToPcm(out.data(), got, kMono8k, pcm.data());
    EXPECT_GT(test::ToneShare(pcm, kMono8k, 600), 0.8);
}

}  // namespace
}  // namespace kivo::audio
