// The text-to-speech voices installed on this machine (espeak-ng's), and the
// voice that speaks a language.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo::speech {

struct SpeechVoice {
    std::string name;      // "Spanish (Spain)": shown in "Select Voice"
    std::string language;  // its first language, "es"
};

// The installed voices in the speech engine's order; none when the engine
// cannot start.
std::vector<SpeechVoice> InstalledVoices();

// The index of the first voice whose name contains language (ignoring case),
// or -1: "Spanish" finds "Spanish (Spain)".
int MatchVoice(const std::vector<SpeechVoice>& voices, std::string_view language);

}  // namespace kivo::speech
