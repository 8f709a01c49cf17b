// Caller names and numbers come from strangers (a SIP From header, a
// simulated caller). Before they reach the status record, a record line, a
// phone book entry or a log they are made safe here:
//   - bytes that are not valid UTF-8 are dropped (a stray 0xAC would read
//     back as a space inside a record line's field);
//   - control characters (C0, DEL, C1) and the line and paragraph
//     separators U+2028/U+2029 are dropped, so nothing can end a field or a
//     line early;
//   - runs of spaces become one space and the ends are trimmed (a space is
//     safe: record lines store it as 0xAC);
//   - the result is cut to at most `max_bytes` bytes at a character
//     boundary.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivo::telephony {

// The caller fields of the status record hold 79 bytes and a terminator.
inline constexpr std::size_t kCallerTextMaxBytes = 79;

std::string SanitizeCallerText(std::string_view untrusted,
                               std::size_t max_bytes = kCallerTextMaxBytes);

// Copies `text` (already sanitized) into a fixed field of `field_bytes`,
// terminated, the rest zero.
void CopyToField(const std::string& text, char* field, std::size_t field_bytes);

}  // namespace kivo::telephony
