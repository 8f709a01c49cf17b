// ProfileFile: private-profile reads and atomic, locked writes of "KIVO.ini".
#include "kivo/core/profile_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "kivo/core/safe_file_io.h"
#include "profile_document.h"

namespace kivo::core {
namespace {

// Cuts a value to at most max bytes without splitting a UTF-8 sequence.
std::string CutValue(std::string value, std::size_t max) {
    if (value.size() <= max)
        return value;
    std::size_t cut = max;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
        --cut;
    value.resize(cut);
    return value;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

bool ValidSectionName(std::string_view s) {
    return !s.empty() && !HasLineBreak(s) && s.find(']') == std::string_view::npos &&
           s.front() != ' ' && s.back() != ' ';
}

bool ValidKeyName(std::string_view s) {
    return !s.empty() && !HasLineBreak(s) && s.find('=') == std::string_view::npos &&
           s.front() != '[' && s.front() != ';' && s.front() != ' ' && s.back() != ' ';
}

// The file the profile path stands for: a symbolic link is written through,
// not replaced.
std::filesystem::path WriteTarget(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto resolved = std::filesystem::weakly_canonical(path, ec);
        if (!ec)
            return resolved;
    }
    return path;
}

// Under the caller's lock: reads, edits and replaces the file.
bool WriteLocked(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value) {
    std::string text;
    switch (ReadWholeFile(path, kProfileMaxFileBytes, text)) {
        case ReadResult::kOk:
        case ReadResult::kMissing:
            break;
        case ReadResult::kTooLarge:
        case ReadResult::kFailed:
            return false;  // never replace a file we could not read whole
    }
    ProfileDocument document(text);
    document.Set(section, key, value);
    return ReplaceFileAtomically(WriteTarget(path), document.Text());
}

// Writes `updated` over `current` in place, without a sync, when the two
// differ only within eight bytes (a counter's digits): false, with nothing
// written, when they do not or the write fails.
bool OverwriteChangedDigits(const std::filesystem::path& target, const std::string& current,
                            const std::string& updated) {
    constexpr std::size_t kDigits = 8;
    if (current.size() != updated.size())
        return false;
    const auto first = std::mismatch(current.begin(), current.end(), updated.begin());
    if (first.first == current.end())
        return true;  // nothing changes
    const auto last = std::mismatch(current.rbegin(), current.rend(), updated.rbegin());
    const std::size_t begin = static_cast<std::size_t>(first.first - current.begin());
    const std::size_t end =
        current.size() - static_cast<std::size_t>(last.first - current.rbegin());
    if (end - begin > kDigits)
        return false;
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    const ssize_t wrote =
        ::pwrite(fd, updated.data() + begin, end - begin, static_cast<off_t>(begin));
    ::close(fd);
    return wrote == static_cast<ssize_t>(end - begin);
}

std::optional<std::string> FindIn(const std::string& path, std::string_view section,
                                  std::string_view key) {
    std::string text;
    if (ReadWholeFile(path, kProfileMaxFileBytes, text) != ReadResult::kOk)
        return std::nullopt;
    auto value = ProfileDocument(text).Find(section, key);
    if (!value)
        return std::nullopt;
    return CutValue(std::move(*value), kProfileMaxValueBytes);
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

std::optional<std::string> ProfileFile::Find(std::string_view section, std::string_view key) const {
    return FindIn(path_, section, key);
}

std::string ProfileFile::Read(std::string_view section, std::string_view key) const {
    auto value = Find(section, key);
    return value ? *value : std::string(kProfileMissingValue);
}

bool ProfileFile::Write(std::string_view section, std::string_view key, std::string_view value) {
    if (!ValidSectionName(section) || !ValidKeyName(key) || HasLineBreak(value))
        return false;
    FileLock lock(path_ + ".lock");
    if (!lock.locked())
        return false;
    return WriteLocked(path_, section, key, value);
}

std::optional<std::int32_t> ProfileFile::TakeNextRecordNumber(std::string_view section) {
    return TakeRecordNumber(section, 1, RecordNumberWrite::kReplaceSynced);
}

std::optional<std::int32_t> ProfileFile::TakeNextRecordNumberAbove(std::string_view section,
                                                                   std::int32_t at_least) {
    return TakeRecordNumber(section, at_least, RecordNumberWrite::kInPlaceWhereItFits);
}

std::optional<std::int32_t> ProfileFile::TakeRecordNumber(std::string_view section,
                                                          std::int32_t at_least,
                                                          RecordNumberWrite write) {
    constexpr long kLastRecordNumber = 99999998;  // 99999999 marks erased lines
    if (!ValidSectionName(section))
        return std::nullopt;
    FileLock lock(path_ + ".lock");
    if (!lock.locked())
        return std::nullopt;
    std::string text;
    const ReadResult read = ReadWholeFile(path_, kProfileMaxFileBytes, text);
    if (read == ReadResult::kTooLarge || read == ReadResult::kFailed)
        return std::nullopt;  // never replace a file we could not read whole
    ProfileDocument document(text);
    long current = 0;
    if (auto value = document.Find(section, "RecID")) {
        current =
            std::strtol(CutValue(std::move(*value), kProfileMaxValueBytes).c_str(), nullptr, 10);
        if (current < 0)
            current = 0;
    }
    const long next = std::max<long>(current + 1, at_least);
    if (next > kLastRecordNumber)
        return std::nullopt;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08ld", next);
    document.Set(section, "RecID", digits);
    const std::string updated = document.Text();
    const bool written =
        (write == RecordNumberWrite::kInPlaceWhereItFits && read == ReadResult::kOk &&
         OverwriteChangedDigits(WriteTarget(path_), text, updated)) ||
        ReplaceFileAtomically(WriteTarget(path_), updated);
    if (!written)
        return std::nullopt;
    return static_cast<std::int32_t>(next);
}

}  // namespace kivo::core
