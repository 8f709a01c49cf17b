// The take journal of a recording in progress (see take_journal.h).
#include "kivo/recorder/take_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <system_error>
#include <vector>

#include "kivo/wavefile/fd_io.h"

namespace kivo::recorder {
namespace {

namespace fs = std::filesystem;
using wavefile::WriteAll;

constexpr std::string_view kMagicLine = "KIVO TAKE 1";

// A new file only: an existing one (another take) is never opened.
int CreateExclusive(const fs::path& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
}

// How many other names are tried when a take of the record's name exists.
constexpr int kMaxNameTries = 100;

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::optional<int> ParseNumber(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The lines of text, without their line feeds; a last line needs none.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

}  // namespace

std::string FormatTakeInfo(const TakeInfo& info) {
    return std::string(kMagicLine) + "\nformat " + std::to_string(info.format.channels) + " " +
           std::to_string(info.format.sample_rate_hz) + " " +
           std::to_string(info.format.bits_per_sample) + "\nstart " + info.start_log_date + "\n";
}

std::optional<TakeInfo> ParseTakeInfo(std::string_view text) {
    if (text.size() > kTakeInfoMaxBytes)
        return std::nullopt;
    const std::vector<std::string_view> lines = Lines(text);
    if (lines.size() != 3 || lines[0] != kMagicLine || !lines[1].starts_with("format ") ||
        !lines[2].starts_with("start "))
        return std::nullopt;

    std::string_view numbers = lines[1].substr(7);
    int values[3] = {};
    for (int& value : values) {
        const std::size_t space = numbers.find(' ');
        const auto number = ParseNumber(numbers.substr(0, space));
        if (!number)
            return std::nullopt;
        value = *number;
        numbers = space == std::string_view::npos ? std::string_view() : numbers.substr(space + 1);
    }
    if (!numbers.empty())
        return std::nullopt;
    TakeInfo info;
    info.format = wavefile::PcmFormat{values[0], values[1], values[2]};
    if (!info.format.IsPlayable())
        return std::nullopt;
    info.start_log_date = std::string(lines[2].substr(6));
    for (char c : info.start_log_date) {
        if (static_cast<unsigned char>(c) < 0x20)
            return std::nullopt;
    }
    return info;
}

bool PrepareTakesFolder(const fs::path& folder) {
    std::error_code error;
    if (folder.has_parent_path())
        fs::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) == 0) {
        SyncFolder(folder.parent_path().empty() ? fs::path(".") : folder.parent_path());
    } else if (errno != EEXIST) {
        return false;
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return false;
    return true;
}

std::unique_ptr<TakeJournal> TakeJournal::Create(const fs::path& folder, const std::string& base,
                                                 const TakeInfo& info,
                                                 std::span<const std::uint8_t> seed) {
    return Create(folder, base, info,
                  [seed](const ChunkWriter& write) { return write(seed.data(), seed.size()); });
}

std::unique_ptr<TakeJournal> TakeJournal::Create(const fs::path& folder, const std::string& base,
                                                 const TakeInfo& info, const Seed& seed) {
    std::error_code error;
    for (int attempt = 1; attempt <= kMaxNameTries; ++attempt) {
        const std::string name = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        const fs::path info_path = folder / (name + std::string(kTakeInfoExtension));
        const fs::path part_path =
            folder / (name + std::string(kTakeInfoExtension) + std::string(kTakeInfoPartSuffix));
        const fs::path journal_path = folder / (name + std::string(kTakeJournalExtension));

        // The audio first: a description is only ever found beside its audio.
        const int journal_fd = CreateExclusive(journal_path);
        if (journal_fd < 0) {
            if (errno == EEXIST)
                continue;
            return nullptr;
        }
        std::uint64_t seed_bytes = 0;
        const ChunkWriter write = [journal_fd, &seed_bytes](const std::uint8_t* bytes,
                                                            std::size_t size) {
            seed_bytes += size;
            return WriteAll(journal_fd, bytes, size);
        };
        if (!seed(write) || ::fdatasync(journal_fd) != 0) {
            ::close(journal_fd);
            fs::remove(journal_path, error);
            return nullptr;
        }

        // The description is whole before it has its name, and locked
        // before anyone can find it (the lock goes with the file).
        const int info_fd = CreateExclusive(part_path);
        if (info_fd < 0) {
            const bool taken = errno == EEXIST;
            ::close(journal_fd);
            fs::remove(journal_path, error);
            if (taken)
                continue;
            return nullptr;
        }
        const std::string text = FormatTakeInfo(info);
        const bool info_ok =
            ::flock(info_fd, LOCK_EX | LOCK_NB) == 0 &&
            WriteAll(info_fd, reinterpret_cast<const std::uint8_t*>(text.data()), text.size()) &&
            ::fsync(info_fd) == 0;
        // link() never replaces: a description of that name stays as it is.
        const bool linked = info_ok && ::link(part_path.c_str(), info_path.c_str()) == 0;
        const bool taken = info_ok && !linked && errno == EEXIST;
        fs::remove(part_path, error);
        if (!linked) {
            ::close(info_fd);
            ::close(journal_fd);
            fs::remove(journal_path, error);
            if (taken)
                continue;
            return nullptr;
        }
        SyncFolder(folder);
        return std::unique_ptr<TakeJournal>(
            new TakeJournal(info_path, journal_path, info_fd, journal_fd, seed_bytes));
    }
    return nullptr;
}

TakeJournal::TakeJournal(fs::path info_path, fs::path journal_path, int lock_fd, int journal_fd,
                         std::uint64_t synced_bytes)
    : info_path_(std::move(info_path)),
      journal_path_(std::move(journal_path)),
      lock_fd_(lock_fd),
      journal_fd_(journal_fd),
      synced_bytes_(synced_bytes) {}

TakeJournal::~TakeJournal() {
    if (journal_fd_ >= 0)
        ::close(journal_fd_);
    if (lock_fd_ >= 0)
        ::close(lock_fd_);
}

bool TakeJournal::Sync() {
    if (journal_fd_ < 0)
        return false;
    // The appends come through another descriptor of the same file; the
    // system syncs the file, whichever descriptor asks.
    struct stat st {};
    if (::fstat(journal_fd_, &st) != 0 || ::fdatasync(journal_fd_) != 0)
        return false;
    synced_bytes_ = static_cast<std::uint64_t>(st.st_size);
    return true;
}

void TakeJournal::Remove() {
    std::error_code error;
    // The description goes first: without it the audio is no take.
    fs::remove(info_path_, error);
    fs::remove(journal_path_, error);
    SyncFolder(info_path_.parent_path());
    if (journal_fd_ >= 0) {
        ::close(journal_fd_);
        journal_fd_ = -1;
    }
    if (lock_fd_ >= 0) {
        ::close(lock_fd_);
        lock_fd_ = -1;
    }
}

}  // namespace kivo::recorder
