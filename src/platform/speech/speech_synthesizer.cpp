// Speaking a text (see speech_synthesizer.h).
#include "kivo/speech/speech_synthesizer.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cstring>

#include "espeak_engine.h"
#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::speech {
namespace {

// Receives the engine's samples into the SpokenSpeech named by user_data.
int CollectSamples(short* samples, int count, espeak_EVENT* events) {
    if (samples == nullptr || count <= 0 || events == nullptr || events->user_data == nullptr)
        return 0;
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(events->user_data);
    const std::size_t size_bytes = static_cast<std::size_t>(count) * sizeof(short);
    const std::size_t at = bytes->size();
    bytes->resize(at + size_bytes);
    std::memcpy(bytes->data() + at, samples, size_bytes);
    return 0;  // 0: go on
}

}  // namespace

wavefile::WaveStatus Synthesize(const SpeechRequest& request, SpokenSpeech* speech) {
    speech->samples.clear();
    const EngineLock engine;
    if (!engine.started())
        return wavefile::WaveStatus::Error("the speech engine could not start");
    speech->format = wavefile::PcmFormat{1, engine.sample_rate_hz(), 16};
    // The engine keeps the last voice set; no name means its default again.
    const std::string voice = request.voice_name.empty() ? kDefaultVoice : request.voice_name;
    if (espeak_SetVoiceByName(voice.c_str()) != EE_OK)
        return wavefile::WaveStatus::Error("voice not installed: " + voice);
    const int rate_wpm = std::clamp(request.rate_wpm, kSlowestRateWpm, kFastestRateWpm);
    espeak_SetParameter(espeakRATE, rate_wpm, 0);
    espeak_SetSynthCallback(CollectSamples);
    const espeak_ERROR spoken =
        espeak_Synth(request.text.c_str(), request.text.size() + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8 | espeakENDPAUSE, nullptr, &speech->samples);
    espeak_Synchronize();
    espeak_SetSynthCallback(nullptr);
    if (spoken != EE_OK)
        return wavefile::WaveStatus::Error("speech synthesis failed");
    return wavefile::WaveStatus::Ok();
}

wavefile::WaveStatus WriteSpeechWave(const SpokenSpeech& speech, const wavefile::PcmFormat& target,
                                     const std::string& wave_path) {
    const std::vector<std::uint8_t> converted =
        wavefile::ConvertPcm(speech.samples.data(), speech.samples.size(), speech.format, target);
    return wavefile::WritePcmWave(wave_path, target, converted);
}

wavefile::WaveStatus SynthesizeToWave(const SpeechRequest& request,
                                      const wavefile::PcmFormat& target,
                                      const std::string& wave_path) {
    SpokenSpeech speech;
    if (wavefile::WaveStatus spoken = Synthesize(request, &speech); !spoken.ok())
        return spoken;
    return WriteSpeechWave(speech, target, wave_path);
}

}  // namespace kivo::speech
