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

namespace {

// How well a voice speaks the wanted language: a name that begins with it
// ("English (Great Britain)") beats one that merely mentions it ("Chinese
// (Mandarin, latin as English)"), and among those the voice of the plain
// language ("es") beats a regional one ("es-419"). 0: no match.
int MatchScore(const SpeechVoice& voice, const std::string& wanted) {
    const std::string name = Lowered(voice.name);
    const std::size_t at = name.find(wanted);
    if (at == std::string::npos)
        return 0;
    if (at != 0)
        return 1;
    constexpr int kLongestCode = 32;
    return 2 + kLongestCode - static_cast<int>(std::min<std::size_t>(voice.language.size(), 32));
}

}  // namespace

int MatchVoice(const std::vector<SpeechVoice>& voices, std::string_view language) {
    if (language.empty())
        return -1;
    const std::string wanted = Lowered(language);
    int best = -1;
    int best_score = 0;
    for (std::size_t index = 0; index < voices.size(); ++index) {
        const int score = MatchScore(voices[index], wanted);
        if (score > best_score) {
            best = static_cast<int>(index);
            best_score = score;
        }
    }
    return best;
}

}  // namespace kivo::speech
