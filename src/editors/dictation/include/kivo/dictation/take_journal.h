// TakeJournal: the files a recording keeps in the working folder while the
// recorder is open, so that a crash or power cut leaves the audio behind.
//
//   <base>.xrq  the take's description, three lines of text:
//                 "KIVO TAKE 1"
//                 "format <channels> <samples per second> <bits per sample>"
//                 "start <dd/mm/yyyy HH:MM:SS>"
//   <base>.xrj  the captured PCM in that format: what the recording held
//               when the journal began (a reviewed wave) and then every
//               take, appended as it arrives (WaveDocument's capture
//               journal).
//
// The description stays open under an exclusive advisory lock (flock) for
// as long as the journal is in use; the system drops the lock when the
// process ends in any way, so takes that nobody holds are left-overs.
// Removing the journal deletes both files before the lock is let go.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::dictation {

inline constexpr std::string_view kTakeInfoExtension = ".xrq";
inline constexpr std::string_view kTakeJournalExtension = ".xrj";
// Descriptions longer than this are not ours.
inline constexpr std::size_t kTakeInfoMaxBytes = 1024;

struct TakeInfo {
    wavefile::PcmFormat format;
    std::string start_log_date;  // "dd/mm/yyyy HH:MM:SS"; may be empty
};

// The description's text, and back. ParseTakeInfo refuses anything but the
// three lines above with a playable format.
std::string FormatTakeInfo(const TakeInfo& info);
std::optional<TakeInfo> ParseTakeInfo(std::string_view text);

class TakeJournal {
public:
    // Creates folder/<base>.xrq (written and synced, then locked) and
    // folder/<base>.xrj holding seed. Null when either cannot be made (no
    // file is left behind then).
    static std::unique_ptr<TakeJournal> Create(const std::filesystem::path& folder,
                                               const std::string& base, const TakeInfo& info,
                                               std::span<const std::uint8_t> seed);
    // Lets the lock go; the files stay (a crash behaves the same way).
    ~TakeJournal();
    TakeJournal(const TakeJournal&) = delete;
    TakeJournal& operator=(const TakeJournal&) = delete;

    // Deletes both files, then lets the lock go.
    void Remove();

    const std::filesystem::path& info_path() const { return info_path_; }
    const std::filesystem::path& journal_path() const { return journal_path_; }

private:
    TakeJournal(std::filesystem::path info_path, std::filesystem::path journal_path, int lock_fd);

    std::filesystem::path info_path_;
    std::filesystem::path journal_path_;
    int lock_fd_ = -1;
};

}  // namespace kivo::dictation
