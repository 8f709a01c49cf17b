// The recorders of the program. A take journal names the recorder that made
// it, so that the next start reopens a left-over take in the same recorder.
#pragma once

#include <optional>
#include <string_view>

namespace kivo::recorder {

enum class RecorderKind { kDictation, kMeeting, kDiary, kPhone, kVideo };

// The word a take journal stores: "dictation", "meeting", "diary", "phone",
// "video".
std::string_view RecorderKindWord(RecorderKind kind);
std::optional<RecorderKind> ParseRecorderKind(std::string_view word);

// What the user calls the record the recorder makes: "dictation", "meeting",
// "diary entry", "phone call", "video".
std::string_view RecorderKindNoun(RecorderKind kind);

}  // namespace kivo::recorder
