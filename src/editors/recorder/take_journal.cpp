// The take journal of a recording in progress (see take_journal.h).
#include "kivo/recorder/take_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <functional>
#include <system_error>
#include <vector>

#include "kivo/wavefile/fd_io.h"

namespace kivo::recorder {
namespace {

namespace fs = std::filesystem;
using wavefile::WriteAll;

constexpr std::string_view kMagicLineVersion1 = "KIVO TAKE 1";
constexpr std::string_view kMagicLine = "KIVO TAKE 2";

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

// Copies the file at source to fd.
bool CopyInto(const fs::path& source, int fd) {
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    std::uint8_t buffer[64 * 1024];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        if (!WriteAll(fd, buffer, static_cast<std::size_t>(got))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    return ok;
}

// Writes a file of the take whole or not at all: under <path>.new, locked
// while written (so that a recovery running now leaves it alone), synced,
// then renamed over path, and the folder synced. The file, still open and
// locked, or -1 when it could not be written.
int WriteAtomically(const fs::path& path, const std::function<bool(int fd)>& write) {
    const fs::path part = fs::path(path).concat(std::string(kTakePartSuffix));
    const int fd = ::open(part.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    const bool written = ::ftruncate(fd, 0) == 0 && write(fd) && ::fsync(fd) == 0 &&
                         ::rename(part.c_str(), path.c_str()) == 0;
    if (!written) {
        std::error_code error;
        fs::remove(part, error);
        ::close(fd);
        return -1;
    }
    SyncFolder(path.parent_path());
    return fd;
}

// The first `count` lines of text, without their line feeds (a last line
// needs none), and then the rest of the text, when there is any, whole.
std::vector<std::string_view> Lines(std::string_view text, std::size_t count) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        if (lines.size() == count) {
            lines.push_back(text);
            break;
        }
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
           std::to_string(info.format.bits_per_sample) + "\nstart " + info.start_log_date +
           "\nkind " + std::string(RecorderKindWord(info.kind)) + "\n" +
           FormatTakeDetails(info.details);
}

std::optional<TakeInfo> ParseTakeInfo(std::string_view text) {
    if (text.size() > kTakeInfoMaxBytes)
        return std::nullopt;
    const std::vector<std::string_view> lines = Lines(text, 4);
    // Version 1 has no kind and no details: only the dictation recorder
    // kept journals then.
    const bool version_1 = lines.size() == 3 && lines[0] == kMagicLineVersion1;
    const bool version_2 = lines.size() >= 4 && lines[0] == kMagicLine;
    if ((!version_1 && !version_2) || !lines[1].starts_with("format ") ||
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
    if (version_2) {
        if (!lines[3].starts_with("kind "))
            return std::nullopt;
        const auto kind = ParseRecorderKind(lines[3].substr(5));
        if (!kind)
            return std::nullopt;
        info.kind = *kind;
        if (lines.size() == 5)
            info.details = ParseTakeDetails(lines[4]).value_or(TakeDetails{});
    }
    return info;
}

fs::path TakeJournalPath(const fs::path& info_path) {
    return fs::path(info_path).replace_extension(std::string(kTakeJournalExtension));
}

fs::path TakePicturePath(const fs::path& info_path, recordstore::PictureType type) {
    switch (type) {
        case recordstore::PictureType::kGif:
            return fs::path(info_path).replace_extension(".gif");
        case recordstore::PictureType::kJpg:
            return fs::path(info_path).replace_extension(".jpg");
        case recordstore::PictureType::kNone:
            break;
    }
    return {};
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
            folder / (name + std::string(kTakeInfoExtension) + std::string(kTakePartSuffix));
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
        // A picture of this name is the remains of a take removed half-way
        // (a crash between its deletions): not this one's.
        for (const fs::path& stale : {TakePicturePath(info_path, recordstore::PictureType::kGif),
                                      TakePicturePath(info_path, recordstore::PictureType::kJpg)})
            fs::remove(stale, error);
        SyncFolder(folder);
        return std::unique_ptr<TakeJournal>(
            new TakeJournal(info, info_path, journal_path, info_fd, journal_fd, seed_bytes));
    }
    return nullptr;
}

TakeJournal::TakeJournal(TakeInfo info, fs::path info_path, fs::path journal_path, int lock_fd,
                         int journal_fd, std::uint64_t synced_bytes)
    : info_(std::move(info)),
      info_path_(std::move(info_path)),
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
    // The description goes first: without it the rest is no take.
    fs::remove(info_path_, error);
    for (const fs::path& path :
         {journal_path_, TakePicturePath(info_path_, recordstore::PictureType::kGif),
          TakePicturePath(info_path_, recordstore::PictureType::kJpg)})
        fs::remove(path, error);
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

bool TakeJournal::WriteDetails(const TakeDetails& details, const fs::path& picture_file) {
    if (lock_fd_ < 0)
        return false;
    TakeInfo written = info_;
    written.details = details;
    const recordstore::PictureType picture =
        recordstore::PictureTypeOfFile(picture_file.filename().string());
    written.details.picture = picture;
    // The picture first: a description never names a picture that is not there.
    if (picture != recordstore::PictureType::kNone &&
        (picture != picture_type_ || picture_file != picture_source_)) {
        const int copied = WriteAtomically(TakePicturePath(info_path_, picture),
                                           [&](int fd) { return CopyInto(picture_file, fd); });
        if (copied < 0)
            return false;
        ::close(copied);
    }
    const std::string text = FormatTakeInfo(written);
    if (text.size() > kTakeInfoMaxBytes)
        return false;
    // The new description is locked before it takes the old one's place;
    // the old one's lock goes with it.
    const int described = WriteAtomically(info_path_, [&text](int fd) {
        return WriteAll(fd, reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    });
    if (described < 0)
        return false;
    ::close(lock_fd_);
    lock_fd_ = described;
    info_ = std::move(written);
    if (picture_type_ != recordstore::PictureType::kNone && picture_type_ != picture) {
        std::error_code error;
        fs::remove(TakePicturePath(info_path_, picture_type_), error);
    }
    picture_type_ = picture;
    picture_source_ = picture == recordstore::PictureType::kNone ? fs::path() : picture_file;
    return true;
}

}  // namespace kivo::recorder
