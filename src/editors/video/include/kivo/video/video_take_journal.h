// VideoTakeJournal: keeps a video capture recoverable while the video
// recorder is open, so that a crash, a kill or a power cut leaves it behind
// to be saved at the next start. It lives in the takes folder of the
// program's writable home, beside the dictation recorder's take journals:
//
//   <base>.avi  the capture file itself (the recorder captures into it)
//   <base>.xvq  the take's description, lines of text:
//                 "KIVO VIDEO TAKE 1"
//                 "start <dd/mm/yyyy HH:MM:SS>"
//               then the take's details (take_details.h): end, subject,
//               keywords and marks, as the recorder last had them.
//
// The description is written under a temporary name, synced and renamed
// into place, so it is whole or absent. The capture file is held under an
// exclusive advisory lock (flock) for as long as the journal is in use; the
// system drops the lock when the process ends in any way, so takes nobody
// holds are left-overs. Removing the journal deletes the description first.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/recorder/take_details.h"

namespace kivo::video {

inline constexpr std::string_view kVideoTakeInfoExtension = ".xvq";
inline constexpr std::string_view kVideoTakeCaptureExtension = ".avi";

struct VideoTakeInfo {
    std::string start_log_date;  // "dd/mm/yyyy HH:MM:SS"; may be empty
    recorder::TakeDetails details{};
};

// The description's text, and back (nullopt for anything else; damaged
// details are read as none).
std::string FormatVideoTakeInfo(const VideoTakeInfo& info);
std::optional<VideoTakeInfo> ParseVideoTakeInfo(std::string_view text);

class VideoTakeJournal {
public:
    // Creates folder/<base>.avi (empty, locked) and folder/<base>.xvq. Null
    // when they cannot be made (nothing is left behind then).
    static std::unique_ptr<VideoTakeJournal> Create(const std::filesystem::path& folder,
                                                    const std::string& base,
                                                    const VideoTakeInfo& info);
    // Lets the lock go; the files stay (a crash behaves the same way).
    ~VideoTakeJournal();
    VideoTakeJournal(const VideoTakeJournal&) = delete;
    VideoTakeJournal& operator=(const VideoTakeJournal&) = delete;

    // Writes the description anew with these details. False when it could
    // not be written (the one on disk is then the last that was).
    bool WriteDetails(const recorder::TakeDetails& details);
    // Deletes the take's files (the description first).
    void Remove();

    const std::filesystem::path& capture_path() const { return capture_path_; }
    const std::filesystem::path& info_path() const { return info_path_; }

private:
    VideoTakeJournal(VideoTakeInfo info, std::filesystem::path info_path,
                     std::filesystem::path capture_path, int lock_fd);

    VideoTakeInfo info_;
    std::filesystem::path info_path_;
    std::filesystem::path capture_path_;
    int lock_fd_ = -1;
};

struct LeftoverVideoTake {
    std::filesystem::path info_path;
    std::filesystem::path capture_path;
    VideoTakeInfo info;
    std::uint64_t capture_bytes = 0;
};

// The video takes of `folder` that nobody holds and that hold a capture, in
// name order (oldest first). Descriptions without a capture (a crash before
// the capture began) are removed on the way; links are passed over.
std::vector<LeftoverVideoTake> FindLeftoverVideoTakes(const std::filesystem::path& folder);
// Removes a left-over take's files.
void DiscardVideoTake(const LeftoverVideoTake& take);

}  // namespace kivo::video
