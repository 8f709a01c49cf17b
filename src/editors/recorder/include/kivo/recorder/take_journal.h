// TakeJournal: the files a recording keeps while the recorder is open, so
// that a crash, a kill or a power cut leaves the audio behind. They live in
// the takes folder of the program's writable home ("Takes"), which the
// system does not empty at boot as it may empty the temporary root.
//
//   <name>.xrq  the take's description, three lines of text:
//                 "KIVO TAKE 1"
//                 "format <channels> <samples per second> <bits per sample>"
//                 "start <dd/mm/yyyy HH:MM:SS>"
//   <name>.xrj  the captured PCM in that format: what the recording held
//               when the journal began (a reviewed wave) and then every
//               take, appended as it arrives (WaveDocument's capture
//               journal).
//
// <name> is the record's base name ("D" + stamp), or that and "-2", "-3"...
// when a file of that name is already there: an existing take is never
// overwritten.
//
// The description is written under a temporary name, synced and then
// linked into place, so it is either whole or absent. It stays open under
// an exclusive advisory lock (flock) for as long as the journal is in use;
// the system drops the lock when the process ends in any way, so takes that
// nobody holds are left-overs. The audio reaches the disk when the owner
// calls Sync (the recorder does so about once a second while recording and
// on Stop). Removing the journal deletes both files before the lock is let
// go.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::recorder {

inline constexpr std::string_view kTakeInfoExtension = ".xrq";
inline constexpr std::string_view kTakeJournalExtension = ".xrj";
// Descriptions longer than this are not ours.
inline constexpr std::size_t kTakeInfoMaxBytes = 1024;
// A description being written; never read as a take.
inline constexpr std::string_view kTakeInfoPartSuffix = ".new";

struct TakeInfo {
    wavefile::PcmFormat format;
    std::string start_log_date;  // "dd/mm/yyyy HH:MM:SS"; may be empty
};

// The description's text, and back. ParseTakeInfo refuses anything but the
// three lines above with a playable format.
std::string FormatTakeInfo(const TakeInfo& info);
std::optional<TakeInfo> ParseTakeInfo(std::string_view text);

// Makes folder (and its parents) when missing, the folder itself with mode
// 0700. True when folder is then a real folder (no link) of this user; one
// that others may enter is narrowed to 0700.
bool PrepareTakesFolder(const std::filesystem::path& folder);

class TakeJournal {
public:
    // What a journal starts with: a function that hands its bytes, in order,
    // to the writer it is given (which returns false once writing fails).
    using ChunkWriter = std::function<bool(const std::uint8_t*, std::size_t)>;
    using Seed = std::function<bool(const ChunkWriter&)>;

    // Creates folder/<name>.xrj holding seed and folder/<name>.xrq (written,
    // synced and locked before it appears), then syncs the folder. Null when
    // they cannot be made (no file is left behind then).
    static std::unique_ptr<TakeJournal> Create(const std::filesystem::path& folder,
                                               const std::string& base, const TakeInfo& info,
                                               const Seed& seed);
    static std::unique_ptr<TakeJournal> Create(const std::filesystem::path& folder,
                                               const std::string& base, const TakeInfo& info,
                                               std::span<const std::uint8_t> seed);
    // Lets the lock go; the files stay (a crash behaves the same way).
    ~TakeJournal();
    TakeJournal(const TakeJournal&) = delete;
    TakeJournal& operator=(const TakeJournal&) = delete;

    // Deletes both files, then lets the lock go.
    void Remove();

    // Makes what has been appended to the audio so far durable
    // (fdatasync). False when the system reports a write error.
    bool Sync();
    // The size of the audio file at the last successful Sync (or Create).
    std::uint64_t synced_bytes() const { return synced_bytes_; }

    const std::filesystem::path& info_path() const { return info_path_; }
    const std::filesystem::path& journal_path() const { return journal_path_; }

private:
    TakeJournal(std::filesystem::path info_path, std::filesystem::path journal_path, int lock_fd,
                int journal_fd, std::uint64_t synced_bytes);

    std::filesystem::path info_path_;
    std::filesystem::path journal_path_;
    int lock_fd_ = -1;     // the description, locked
    int journal_fd_ = -1;  // the audio, for syncing only
    std::uint64_t synced_bytes_ = 0;
};

}  // namespace kivo::recorder
