// Text encoding of record-store files.
//
// Text is UTF-8. Files written by the Windows program hold Windows-1252.
// The encoding is decided per field, never per byte: a field that is valid
// UTF-8 as a whole is UTF-8, any other field is Windows-1252 as a whole (a
// Windows-1252 field may hold byte runs that look like UTF-8, such as an
// accented letter, a stored space and a pound sign in a row). Callers pass
// one field (a record-line field, a comment, a keyword list) at a time.
// A space inside a record-line field or an index-mark comment is stored as
// the byte 0xAC: in a UTF-8 field only a 0xAC that stands alone (that does
// not continue a valid multi-byte character) is a space, in a Windows-1252
// field every 0xAC is.
// Every fixed-width limit is a limit in bytes, cut at a character boundary.
// See docs/formats/record-line.md.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kivo::recordstore {

// The stored form of a space inside a field.
inline constexpr char kStoredSpace = '\xAC';

// Length in bytes of the valid UTF-8 character starting at text[offset],
// or 0 when the bytes there are not one (a stray continuation byte, an
// overlong form, a surrogate, a code point past U+10FFFF, a cut sequence).
std::size_t Utf8CharLength(std::string_view text, std::size_t offset);

bool IsValidUtf8(std::string_view text);

// True when every byte is below 0x80: such text is the same in UTF-8 and in
// Windows-1252 and holds no stored space.
bool IsAscii(std::string_view text);

// The longest prefix of text of at most max_bytes that ends at a character
// boundary. Valid UTF-8 characters are never split; bytes that are not valid
// UTF-8 count as one character each (as Windows-1252 text does).
std::string_view CutAtCharBoundary(std::string_view text, std::size_t max_bytes);

// Field text to stored form: every space, and every other control byte
// (below 0x20, such as CR, LF, TAB, NUL) that would break a fixed-width
// line, becomes 0xAC.
std::string StoreSpaces(std::string_view text);

// Stored form of one field back to text: every 0xAC that stands alone
// becomes a space; when the result is not valid UTF-8 the field is
// Windows-1252 and every 0xAC in it becomes a space.
std::string RestoreSpaces(std::string_view stored);

// One field made fit for the screen: valid UTF-8 is kept as it is; any
// other field is decoded byte by byte as Windows-1252 (bytes that
// Windows-1252 leaves undefined become U+FFFD). The result is always valid
// UTF-8.
std::string DisplayText(std::string_view bytes);

// Keywords and comments for storage on one line: CR, LF and TAB become
// spaces, other control bytes are dropped.
std::string FlattenLines(std::string_view text);

}  // namespace kivo::recordstore
