// Speaking a text into samples and into a wave at the recording quality,
// with espeak-ng. The engine is one per process: every call here holds one
// lock for its whole run, so calls from several threads take turns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/wavefile/pcm_format.h"
#include "kivo/wavefile/wave_status.h"

namespace kivo::speech {

// Words per minute, the engine's range.
inline constexpr int kSlowestRateWpm = 80;
inline constexpr int kNormalRateWpm = 175;
inline constexpr int kFastestRateWpm = 450;

// The engine's default voice, spoken when a request names none.
inline constexpr const char* kDefaultVoice = "en";

struct SpeechRequest {
    std::string text;        // UTF-8
    std::string voice_name;  // a SpeechVoice's name; empty: the engine's default
    int rate_wpm = kNormalRateWpm;
};

struct SpokenSpeech {
    wavefile::PcmFormat format;  // the engine's own: mono, 16 bits
    std::vector<std::uint8_t> samples;
};

// Speaks the request into samples in the engine's format. Fails when the
// engine cannot start, the voice is not installed or synthesis fails.
wavefile::WaveStatus Synthesize(const SpeechRequest& request, SpokenSpeech* speech);

// Writes spoken speech as a PCM wave file in target (converted by
// wavefile::ConvertPcm), under a temporary name renamed into place.
wavefile::WaveStatus WriteSpeechWave(const SpokenSpeech& speech, const wavefile::PcmFormat& target,
                                     const std::string& wave_path);

// Speaks the request into a PCM wave file in target (the recording quality,
// wavefile::FormatForQuality). The wave is written under a temporary name and
// renamed into place, so a failure leaves no half file.
wavefile::WaveStatus SynthesizeToWave(const SpeechRequest& request,
                                      const wavefile::PcmFormat& target,
                                      const std::string& wave_path);

}  // namespace kivo::speech
