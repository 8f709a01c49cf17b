// Recording names: the only member names a record line may hand to the data
// store as its record's recording.
//
// The container field of a record line (field 7) comes from a file that may
// have been made anywhere, so it is checked before a recording is extracted
// or deleted by it: "D", then a stamp of ASCII letters and digits, then
// ".xrz" or ".xrv". Anything else - a component of the store ("Voxwren.xrr",
// "Voxwren.xri", "xrgreet.wav"), a path, "..", a name with spaces, dots or
// control bytes - names no recording and is refused.
//
// Both extensions are taken for every kind: video records are saved in
// ".xrv" containers, but an imported record of any kind is renamed to a
// ".xrz" container, so a video record may carry either.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kivo::core {

// Longest stamp accepted between "D" and the extension.
inline constexpr std::size_t kMaxRecordingStampChars = 64;

// True when name is a plain recording name as described above.
bool IsRecordingName(std::string_view name);

// A name from a file, fit for a message: quoted, with bytes outside printable
// ASCII written as \xNN.
std::string QuotedName(std::string_view name);

// "record 00000005 names "Voxwren.xrr" as its recording, which is not a
// recording name"
std::string NotARecordingText(std::int32_t record_number, std::string_view name);

}  // namespace kivo::core
