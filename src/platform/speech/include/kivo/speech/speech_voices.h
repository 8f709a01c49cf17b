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

// The index of the voice that best speaks language (names compared ignoring
// case), or -1 when no name contains it: a name that begins with the
// language wins over one that only mentions it, and the plain language's
// voice over a regional one. "Spanish" finds "Spanish (Spain)", "English"
// finds "English (Great Britain)" rather than "Chinese (Mandarin, latin as
// English)".
int MatchVoice(const std::vector<SpeechVoice>& voices, std::string_view language);

}  // namespace kivo::speech
