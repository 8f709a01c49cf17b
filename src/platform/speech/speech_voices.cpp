// The installed voices (see speech_voices.h).
#include "kivo/speech/speech_voices.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <cctype>

#include "espeak_engine.h"

namespace kivo::speech {
namespace {

std::string Lowered(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

}  // namespace

std::vector<SpeechVoice> InstalledVoices() {
    std::vector<SpeechVoice> voices;
    const EngineLock engine;
    if (!engine.started())
        return voices;
    const espeak_VOICE** listed = espeak_ListVoices(nullptr);
    for (int index = 0; listed != nullptr && listed[index] != nullptr; ++index) {
        const espeak_VOICE* voice = listed[index];
        if (voice->name == nullptr)
            continue;
        // languages: a priority byte, then the language name.
        const std::string language =
            voice->languages != nullptr && voice->languages[0] != 0 ? voice->languages + 1 : "";
        voices.push_back({voice->name, language});
    }
    return voices;
}

int MatchVoice(const std::vector<SpeechVoice>& voices, std::string_view language) {
    if (language.empty())
        return -1;
    const std::string wanted = Lowered(language);
    for (std::size_t index = 0; index < voices.size(); ++index) {
        if (Lowered(voices[index].name).find(wanted) != std::string::npos)
            return static_cast<int>(index);
    }
    return -1;
}

}  // namespace kivo::speech
