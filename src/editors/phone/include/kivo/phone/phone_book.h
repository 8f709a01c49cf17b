// PhoneBook: the data store's phone book ("Voxwren.xrb") as a file in the
// working folder. The file is a sequence of 101-byte entries without a
// header: the name (at most 50 bytes), a space, the number (at most 50
// bytes), spaces up to 100 bytes, a line feed. A space inside the name or the
// number is stored as the byte 0xAC (as in record lines); control bytes,
// which would break the entry, are stored the same way. An entry is known by
// its byte position, a multiple of 101.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::phone {

inline constexpr std::size_t kPhoneBookEntryBytes = 101;
inline constexpr std::size_t kPhoneBookFieldMaxBytes = 50;
inline constexpr std::size_t kPhoneBookMaxListed = 5000;
// Message code for a phone book that could not be written.
inline constexpr int kPhoneBookWriteFailed = 120;

struct PhoneBookEntry {
    std::string name;    // plain text, real spaces
    std::string number;  // plain text, real spaces
    std::uint64_t position = 0;
};

// The 101 bytes of an entry; name and number cut to 50 bytes at a
// character boundary.
std::string EncodePhoneBookEntry(std::string_view name, std::string_view number);
// Name and number of an entry's bytes (0xAC back to spaces, except where it
// is part of a UTF-8 character).
PhoneBookEntry DecodePhoneBookEntry(std::string_view bytes, std::uint64_t position);

// The first entry whose name begins with `typed` (case ignored for ASCII);
// nothing for an empty text or no match.
std::optional<std::size_t> FindByNamePrefix(const std::vector<PhoneBookEntry>& entries,
                                            std::string_view typed);

class PhoneBook {
public:
    explicit PhoneBook(std::filesystem::path path) : path_(std::move(path)) {}

    // Creates the file when it does not exist; an existing file is kept.
    bool EnsureExists() const;
    // The entries in file order, at most kPhoneBookMaxListed; a trailing
    // part-entry is not listed.
    std::vector<PhoneBookEntry> List() const;
    // 0, or kPhoneBookWriteFailed.
    int Append(std::string_view name, std::string_view number) const;
    int Replace(std::uint64_t position, std::string_view name, std::string_view number) const;
    // Removes the entry at `position` (through a temporary file beside the
    // book, then renamed over it). 0, or kPhoneBookWriteFailed.
    int Remove(std::uint64_t position) const;

private:
    std::filesystem::path path_;
};

}  // namespace kivo::phone
