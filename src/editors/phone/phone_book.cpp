// The phone book file (see phone_book.h).
#include "kivo/phone/phone_book.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <system_error>

namespace kivo::phone {
namespace {

constexpr char kStoredSpace = static_cast<char>(0xAC);

// Length of the UTF-8 character that starts with `lead` (1 for anything
// that is not a lead byte).
std::size_t CharacterBytes(unsigned char lead) {
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// Cut to `max_bytes` without splitting a character.
std::string_view CutAtCharacter(std::string_view text, std::size_t max_bytes) {
    std::size_t kept = 0;
    while (kept < text.size()) {
        const std::size_t next = kept + CharacterBytes(static_cast<unsigned char>(text[kept]));
        if (next > max_bytes || next > text.size())
            break;
        kept = next;
    }
    return text.substr(0, kept);
}

std::string StoredField(std::string_view text) {
    std::string stored(CutAtCharacter(text, kPhoneBookFieldMaxBytes));
    for (char& byte : stored) {
        const auto value = static_cast<unsigned char>(byte);
        if (value == ' ' || value < 0x20 || value == 0x7F)
            byte = kStoredSpace;
    }
    return stored;
}

std::string PlainField(std::string_view stored) {
    std::string plain;
    for (std::size_t i = 0; i < stored.size();) {
        const std::size_t length = CharacterBytes(static_cast<unsigned char>(stored[i]));
        if (length == 1) {
            plain += stored[i] == kStoredSpace ? ' ' : stored[i];
            ++i;
        } else {
            plain.append(stored.substr(i, length));
            i += length;
        }
    }
    return plain;
}

// Writes `bytes` at `offset` (end of file when nullopt) under a lock of the
// written range.
bool WriteLocked(const std::filesystem::path& path, std::optional<std::uint64_t> offset,
                 const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    const off_t at = offset ? static_cast<off_t>(*offset) : ::lseek(fd, 0, SEEK_END);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = at;
    lock.l_len = static_cast<off_t>(bytes.size());
    bool written =
        at >= 0 && ::fcntl(fd, F_SETLKW, &lock) == 0 &&
        ::pwrite(fd, bytes.data(), bytes.size(), at) == static_cast<ssize_t>(bytes.size());
    written = ::fsync(fd) == 0 && written;
    lock.l_type = F_UNLCK;
    ::fcntl(fd, F_SETLK, &lock);
    return ::close(fd) == 0 && written;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string EncodePhoneBookEntry(std::string_view name, std::string_view number) {
    std::string entry = StoredField(name) + " " + StoredField(number) + " ";
    entry.resize(kPhoneBookEntryBytes - 1, ' ');
    entry += '\n';
    return entry;
}

PhoneBookEntry DecodePhoneBookEntry(std::string_view bytes, std::uint64_t position) {
    PhoneBookEntry entry;
    entry.position = position;
    const std::string_view text = bytes.substr(0, kPhoneBookEntryBytes - 1);
    const std::size_t name_end = text.find(' ');
    entry.name = PlainField(text.substr(0, name_end));
    if (name_end != std::string_view::npos) {
        const std::string_view rest = text.substr(name_end + 1);
        entry.number = PlainField(rest.substr(0, rest.find(' ')));
    }
    return entry;
}

std::optional<std::size_t> FindByNamePrefix(const std::vector<PhoneBookEntry>& entries,
                                            std::string_view typed) {
    if (typed.empty())
        return std::nullopt;
    const auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& name = entries[i].name;
        if (name.size() >= typed.size() &&
            std::equal(typed.begin(), typed.end(), name.begin(), same))
            return i;
    }
    return std::nullopt;
}

bool PhoneBook::EnsureExists() const {
    const int fd = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    return fd >= 0 && ::close(fd) == 0;
}

std::vector<PhoneBookEntry> PhoneBook::List() const {
    const std::string bytes = ReadAll(path_);
    std::vector<PhoneBookEntry> entries;
    for (std::size_t at = 0;
         at + kPhoneBookEntryBytes <= bytes.size() && entries.size() < kPhoneBookMaxListed;
         at += kPhoneBookEntryBytes) {
        entries.push_back(
            DecodePhoneBookEntry(std::string_view(bytes).substr(at, kPhoneBookEntryBytes), at));
    }
    return entries;
}

int PhoneBook::Append(std::string_view name, std::string_view number) const {
    return WriteLocked(path_, std::nullopt, EncodePhoneBookEntry(name, number))
               ? 0
               : kPhoneBookWriteFailed;
}

int PhoneBook::Replace(std::uint64_t position, std::string_view name,
                       std::string_view number) const {
    std::error_code error;
    const auto size = std::filesystem::file_size(path_, error);
    if (error || position % kPhoneBookEntryBytes != 0 || position + kPhoneBookEntryBytes > size)
        return kPhoneBookWriteFailed;
    return WriteLocked(path_, position, EncodePhoneBookEntry(name, number)) ? 0
                                                                            : kPhoneBookWriteFailed;
}

int PhoneBook::Remove(std::uint64_t position) const {
    const std::string bytes = ReadAll(path_);
    if (position % kPhoneBookEntryBytes != 0 || position + kPhoneBookEntryBytes > bytes.size())
        return kPhoneBookWriteFailed;
    std::string kept = bytes.substr(0, position);
    kept += bytes.substr(position + kPhoneBookEntryBytes);
    const std::filesystem::path temporary = path_.string() + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(kept.data(), static_cast<std::streamsize>(kept.size()));
        out.flush();
        if (!out)
            return kPhoneBookWriteFailed;
    }
    std::error_code error;
    std::filesystem::rename(temporary, path_, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return kPhoneBookWriteFailed;
    }
    return 0;
}

}  // namespace kivo::phone
