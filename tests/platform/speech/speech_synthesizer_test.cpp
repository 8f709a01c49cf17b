// Speech into a wave at the recording quality: its length is the length of
// the speech the engine made, and the espeak-ng command says the same text
// for as long; a slower rate speaks longer; a missing voice is an error.
#include "kivo/speech/speech_synthesizer.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdlib>

#include "kivo/speech/speech_voices.h"
#include "kivo/wavefile/wave_reader.h"
#include "temp_dir.h"

extern char** environ;

namespace kivo::speech {
namespace {

constexpr const char* kLetter =
    "Dear Maria, thank you for your letter. The meeting is on Tuesday at ten in the morning.";

std::int64_t DurationMs(const wavefile::WaveData& wave) {
    const std::optional<wavefile::PcmFormat> format = wave.info.format.AsPlayablePcm();
    if (!format)
        return -1;
    return wavefile::FramesToMs(static_cast<std::int64_t>(wave.info.frames()), *format);
}

std::int64_t DurationMs(const SpokenSpeech& speech) {
    return wavefile::FramesToMs(
        static_cast<std::int64_t>(speech.samples.size()) / speech.format.block_align_bytes(),
        speech.format);
}

// The espeak-ng command's wave of the text, or false when it cannot run.
bool CommandWave(const std::string& text, const std::string& voice, int rate_wpm,
                 const std::string& path) {
    const std::string rate = std::to_string(rate_wpm);
    std::vector<std::string> arguments = {"espeak-ng", "-v", voice, "-s", rate, "-w", path, text};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "espeak-ng", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SpeechSynthesizerTest, WaveAtRecordingQualityLastsAsLongAsTheSpeech) {
    SpokenSpeech speech;
    ASSERT_TRUE(Synthesize({kLetter, "", kNormalRateWpm}, &speech).ok());
    EXPECT_EQ(speech.format.channels, 1);
    EXPECT_EQ(speech.format.bits_per_sample, 16);
    // Some seconds of speech, not silence.
    EXPECT_GT(DurationMs(speech), 3000);

    test::TempDir folder;
    for (int quality = 0; quality <= 3; ++quality) {
        const wavefile::PcmFormat target = wavefile::FormatForQuality(quality);
        const std::string path = folder.file("speech" + std::to_string(quality) + ".wav");
        ASSERT_TRUE(WriteSpeechWave(speech, target, path).ok());
        wavefile::WaveData wave;
        ASSERT_TRUE(wavefile::ReadWaveFile(path, &wave).ok());
        EXPECT_EQ(wave.info.format.AsPlayablePcm(), target);
        EXPECT_NEAR(DurationMs(wave), DurationMs(speech), 5) << "RecQual " << quality;
    }
}

TEST(SpeechSynthesizerTest, SpeechLastsAsLongAsTheEspeakCommandSays) {
    const std::vector<SpeechVoice> voices = InstalledVoices();
    const int spanish = MatchVoice(voices, "Spanish");
    ASSERT_GE(spanish, 0);
    const std::string text = "La reunión es el martes a las diez de la mañana.";
    SpokenSpeech speech;
    ASSERT_TRUE(Synthesize({text, voices[spanish].name, 150}, &speech).ok());

    test::TempDir folder;
    const std::string path = folder.file("command.wav");
    if (!CommandWave(text, voices[spanish].name, 150, path))
        GTEST_SKIP() << "the espeak-ng command is needed";
    wavefile::WaveData wave;
    ASSERT_TRUE(wavefile::ReadWaveFile(path, &wave).ok());
    const std::int64_t command_ms = DurationMs(wave);
    EXPECT_NEAR(DurationMs(speech), command_ms, command_ms / 20);
}

TEST(SpeechSynthesizerTest, SynthesizeToWaveWritesTheSpokenText) {
    test::TempDir folder;
    const std::string path = folder.file("speech.wav");
    ASSERT_TRUE(
        SynthesizeToWave({kLetter, "", kNormalRateWpm}, wavefile::FormatForQuality(3), path).ok());
    wavefile::WaveData wave;
    ASSERT_TRUE(wavefile::ReadWaveFile(path, &wave).ok());
    EXPECT_GT(DurationMs(wave), 3000);
}

TEST(SpeechSynthesizerTest, EmptyVoiceNameSpeaksTheDefaultVoiceAfterAnotherVoice) {
    const std::vector<SpeechVoice> voices = InstalledVoices();
    const int spanish = MatchVoice(voices, "Spanish");
    ASSERT_GE(spanish, 0);
    SpokenSpeech english_before;
    SpokenSpeech spanish_speech;
    SpokenSpeech english_after;
    ASSERT_TRUE(Synthesize({kLetter, "", kNormalRateWpm}, &english_before).ok());
    ASSERT_TRUE(Synthesize({kLetter, voices[spanish].name, kNormalRateWpm}, &spanish_speech).ok());
    ASSERT_TRUE(Synthesize({kLetter, "", kNormalRateWpm}, &english_after).ok());
    EXPECT_NE(spanish_speech.samples.size(), english_after.samples.size());
    EXPECT_NEAR(DurationMs(english_after), DurationMs(english_before), 50);
}

TEST(SpeechSynthesizerTest, SlowerRateSpeaksLonger) {
    SpokenSpeech slow;
    SpokenSpeech fast;
    ASSERT_TRUE(Synthesize({kLetter, "", kSlowestRateWpm}, &slow).ok());
    ASSERT_TRUE(Synthesize({kLetter, "", 300}, &fast).ok());
    EXPECT_GT(DurationMs(slow), DurationMs(fast) * 2);
}

TEST(SpeechSynthesizerTest, MissingVoiceIsAnErrorAndWritesNoWave) {
    test::TempDir folder;
    const std::string path = folder.file("speech.wav");
    const wavefile::WaveStatus status = SynthesizeToWave({kLetter, "No Such Voice", kNormalRateWpm},
                                                         wavefile::FormatForQuality(0), path);
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace kivo::speech
