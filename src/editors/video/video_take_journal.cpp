// The video recorder's take journal (see video_take_journal.h).
#include "kivo/video/video_take_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

#include "kivo/core/safe_file_io.h"
#include "kivo/recorder/take_journal.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kFirstLine = "KIVO VIDEO TAKE 1\n";
constexpr std::string_view kStartItem = "start ";
// Descriptions longer than this are not ours (5000 marks fit).
constexpr std::uintmax_t kInfoMaxBytes = 1024 * 1024;

// The capture file opened and locked, or -1 (also when another holds it).
int OpenLocked(const fs::path& capture, int extra_flags) {
    const int fd = ::open(capture.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | extra_flags, 0600);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> ReadSmallFile(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(fs::symlink_status(path, error)) ||
        fs::file_size(path, error) > kInfoMaxBytes || error)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? std::optional<std::string>(text.str()) : std::nullopt;
}

}  // namespace

std::string FormatVideoTakeInfo(const VideoTakeInfo& info) {
    std::string text(kFirstLine);
    text += std::string(kStartItem) + info.start_log_date + "\n";
    return text + recorder::FormatTakeDetails(info.details);
}

std::optional<VideoTakeInfo> ParseVideoTakeInfo(std::string_view text) {
    if (!text.starts_with(kFirstLine))
        return std::nullopt;
    text.remove_prefix(kFirstLine.size());
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos || !text.starts_with(kStartItem))
        return std::nullopt;
    VideoTakeInfo info;
    info.start_log_date = std::string(text.substr(kStartItem.size(), end - kStartItem.size()));
    if (info.start_log_date.size() > 19 ||
        std::any_of(info.start_log_date.begin(), info.start_log_date.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        return std::nullopt;
    if (const auto details = recorder::ParseTakeDetails(text.substr(end + 1)))
        info.details = *details;
    return info;
}

VideoTakeJournal::VideoTakeJournal(VideoTakeInfo info, fs::path info_path, fs::path capture_path,
                                   int lock_fd)
    : info_(std::move(info)),
      info_path_(std::move(info_path)),
      capture_path_(std::move(capture_path)),
      lock_fd_(lock_fd) {}

std::unique_ptr<VideoTakeJournal> VideoTakeJournal::Create(const fs::path& folder,
                                                           const std::string& base,
                                                           const VideoTakeInfo& info) {
    if (!recorder::PrepareTakesFolder(folder))
        return nullptr;
    const fs::path capture = folder / (base + std::string(kVideoTakeCaptureExtension));
    const fs::path description = folder / (base + std::string(kVideoTakeInfoExtension));
    // O_EXCL: an existing take is never overwritten.
    const int lock_fd = OpenLocked(capture, O_CREAT | O_EXCL);
    if (lock_fd < 0)
        return nullptr;
    if (!core::ReplaceFileAtomically(description, FormatVideoTakeInfo(info), 0600)) {
        std::error_code ignored;
        fs::remove(capture, ignored);
        ::close(lock_fd);
        return nullptr;
    }
    return std::unique_ptr<VideoTakeJournal>(
        new VideoTakeJournal(info, description, capture, lock_fd));
}

VideoTakeJournal::~VideoTakeJournal() {
    if (lock_fd_ >= 0)
        ::close(lock_fd_);
}

bool VideoTakeJournal::WriteDetails(const recorder::TakeDetails& details) {
    if (lock_fd_ < 0)
        return false;
    VideoTakeInfo changed = info_;
    changed.details = details;
    if (!core::ReplaceFileAtomically(info_path_, FormatVideoTakeInfo(changed), 0600))
        return false;
    info_ = std::move(changed);
    return true;
}

void VideoTakeJournal::Remove() {
    if (lock_fd_ < 0)
        return;
    std::error_code ignored;
    fs::remove(info_path_, ignored);
    fs::remove(capture_path_, ignored);
    ::close(lock_fd_);
    lock_fd_ = -1;
}

std::vector<LeftoverVideoTake> FindLeftoverVideoTakes(const fs::path& folder) {
    std::vector<LeftoverVideoTake> takes;
    std::error_code error;
    if (!fs::is_directory(fs::symlink_status(folder, error)))
        return takes;
    std::vector<fs::path> descriptions;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == kVideoTakeInfoExtension &&
            fs::is_regular_file(entry.symlink_status(error)))
            descriptions.push_back(entry.path());
    }
    std::sort(descriptions.begin(), descriptions.end());
    for (const fs::path& description : descriptions) {
        LeftoverVideoTake take;
        take.info_path = description;
        take.capture_path = fs::path(description).replace_extension(kVideoTakeCaptureExtension);
        const int fd = OpenLocked(take.capture_path, 0);
        if (fd < 0) {
            // No capture (a crash before it began): the description alone
            // is no take. A capture someone holds is a recorder open now.
            if (!fs::exists(fs::symlink_status(take.capture_path, error)))
                fs::remove(description, error);
            continue;
        }
        struct stat status {};
        const bool has_capture = ::fstat(fd, &status) == 0 && status.st_size > 0;
        ::close(fd);
        const std::optional<std::string> text = ReadSmallFile(description);
        const std::optional<VideoTakeInfo> info = text ? ParseVideoTakeInfo(*text) : std::nullopt;
        if (!has_capture || !info) {
            if (!has_capture)
                DiscardVideoTake(take);
            continue;
        }
        take.info = *info;
        take.capture_bytes = static_cast<std::uint64_t>(status.st_size);
        takes.push_back(std::move(take));
    }
    return takes;
}

void DiscardVideoTake(const LeftoverVideoTake& take) {
    std::error_code ignored;
    fs::remove(take.info_path, ignored);
    fs::remove(take.capture_path, ignored);
}

}  // namespace kivo::video
