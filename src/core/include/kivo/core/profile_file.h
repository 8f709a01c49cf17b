// ProfileFile: the profile "KIVO.ini", an INI file read and written with the
// behaviour of a Windows private profile file.
//
//  - Section and key names compare without regard to ASCII letter case.
//  - Values are strings. A key that is missing (or a file that cannot be read)
//    reads as "Bad"; every caller treats "Bad" as "not set".
//  - There is no cache: every Read looks at the file, every Write goes through
//    to disk at once.
//  - A write replaces the whole file atomically (temporary file, fsync,
//    rename), so a crash leaves either the old or the new file, never a
//    truncated one. Comments, blank lines, unknown sections and keys, a UTF-8
//    byte-order mark and the file's line endings are kept as they were.
//  - Writers of the same file serialise through an advisory lock on a lock
//    file beside it ("KIVO.ini.lock"), so two running programs never lose each
//    other's writes and never hand out the same record number.
// The file layout is described in docs/formats/profile.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kivo::core {

// The text a missing key reads as.
inline constexpr std::string_view kProfileMissingValue = "Bad";
// Reads deliver at most this many bytes of a value (cut at a UTF-8 boundary).
inline constexpr std::size_t kProfileMaxValueBytes = 255;
// A profile file larger than this is not read (all keys read as "Bad") and is
// never rewritten, so a damaged or hostile file is left for the user to see.
inline constexpr std::uint64_t kProfileMaxFileBytes = 4u * 1024u * 1024u;

class ProfileFile {
public:
    explicit ProfileFile(std::string path);

    const std::string& path() const { return path_; }

    // The value of key in section, or "Bad" when it is missing.
    std::string Read(std::string_view section, std::string_view key) const;

    // The value, or nothing when the key is missing (same lookup as Read).
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // Writes one value (creating the file, section or key when needed).
    // Returns false when the file could not be replaced; the old file is then
    // unchanged. Values containing a line break are refused.
    bool Write(std::string_view section, std::string_view key, std::string_view value);

    // Takes the next record number: under the lock, reads "RecID" of the
    // section (missing or unreadable counts as 0), adds one, writes it back as
    // eight digits ("%08d") and returns it. Nothing when the write failed or
    // the counter would pass 99999998 (99999999 marks erased record lines).
    std::optional<std::int32_t> TakeNextRecordNumber(std::string_view section);
    // The same for a caller that knows a floor: the number given is at least
    // `at_least` (one past the highest its data store holds). Where the new
    // value fits over the old digits (eight of them, as written here), they
    // are overwritten in place and not synced: no file is made, and a power
    // cut may take the profile back to an earlier number, which the floor
    // passes over at the next start. Otherwise as TakeNextRecordNumber.
    std::optional<std::int32_t> TakeNextRecordNumberAbove(std::string_view section,
                                                          std::int32_t at_least);

private:
    enum class RecordNumberWrite { kReplaceSynced, kInPlaceWhereItFits };
    std::optional<std::int32_t> TakeRecordNumber(std::string_view section, std::int32_t at_least,
                                                 RecordNumberWrite write);

    std::string path_;
};

}  // namespace kivo::core
