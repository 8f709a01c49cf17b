// ProfileFile: private-profile reads and atomic, locked writes of "KIVO.ini".
#include "kivo/core/profile_file.h"

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
    constexpr long kLastRecordNumber = 99999998;  // 99999999 marks erased lines
    if (!ValidSectionName(section))
        return std::nullopt;
    FileLock lock(path_ + ".lock");
    if (!lock.locked())
        return std::nullopt;
    long current = 0;
    if (auto text = FindIn(path_, section, "RecID")) {
        current = std::strtol(text->c_str(), nullptr, 10);
        if (current < 0)
            current = 0;
    }
    if (current >= kLastRecordNumber)
        return std::nullopt;
    long next = current + 1;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08ld", next);
    if (!WriteLocked(path_, section, "RecID", digits))
        return std::nullopt;
    return static_cast<std::int32_t>(next);
}

}  // namespace kivo::core
