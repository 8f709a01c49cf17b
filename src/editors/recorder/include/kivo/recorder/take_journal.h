// TakeJournal: the files a recording keeps while its recorder is open, so
// that a crash, a kill or a power cut leaves the recording behind. They live
// in the takes folder of the program's writable home ("Takes"), which the
// system does not empty at boot as it may empty the temporary root.
//
//   <name>.xrq  the take's description, lines of text:
//                 "KIVO TAKE 2"
//                 "format <channels> <samples per second> <bits per sample>"
//                 "start <dd/mm/yyyy HH:MM:SS>"   the recording's start
//                 "kind <recorder>"               recorder_kind.h: "dictation" ...
//               then the take's details (take_details.h): end, subject,
//               keywords, picture and marks, as the recorder last had them.
//               Descriptions of version 1 (the first three lines only,
//               "KIVO TAKE 1") are read too, as dictations without details.
//   <name>.xrj  the captured PCM in that format: what the recording held
//               when the journal began (a reviewed wave) and then every
//               take, appended as it arrives (WaveDocument's capture
//               journal).
//   <name>.gif, <name>.jpg  a copy of the picture the details name.
//
// <name> is the record's base name ("D" + stamp), or that and "-2", "-3"...
// when a file of that name is already there: an existing take is never
// overwritten.
//
// The description and the picture are written under a temporary name
// (<file>.new, locked while written), synced and then linked or renamed into
// place, so each is either whole or absent, and a description is only ever
// found beside its audio; details change by writing the whole description
// anew. The description stays open under an exclusive advisory lock (flock)
// for as long as the journal is in use (a new description is locked before
// it replaces the old one); the system drops the lock when the process ends
// in any way, so takes that nobody holds are left-overs. The audio reaches
// the disk when the owner calls Sync (the recorder does so about once a
// second while recording and on Stop). Removing the journal deletes the
// description first, then the other files, before the lock is let go.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "kivo/recorder/recorder_kind.h"
#include "kivo/recorder/take_details.h"
#include "kivo/recordstore/record_picture.h"
#include "kivo/wavefile/pcm_format.h"

namespace kivo::recorder {

inline constexpr std::string_view kTakeInfoExtension = ".xrq";
inline constexpr std::string_view kTakeJournalExtension = ".xrj";
// Descriptions longer than this are not ours (5000 marks fit).
inline constexpr std::size_t kTakeInfoMaxBytes = 1024 * 1024;
// A file of the take being written; never read as part of a take.
inline constexpr std::string_view kTakePartSuffix = ".new";

struct TakeInfo {
    wavefile::PcmFormat format;
    std::string start_log_date;  // "dd/mm/yyyy HH:MM:SS"; may be empty
    RecorderKind kind = RecorderKind::kDictation;
    TakeDetails details{};
};

// The description's text (version 2), and back. ParseTakeInfo refuses
// anything but the lines above (version 1 or 2) with a playable format and
// a known recorder; damaged details are read as none (the audio is still a
// take).
std::string FormatTakeInfo(const TakeInfo& info);
std::optional<TakeInfo> ParseTakeInfo(std::string_view text);

// The other files of a take, named after its description.
std::filesystem::path TakeJournalPath(const std::filesystem::path& info_path);
// <name>.gif or <name>.jpg; empty for kNone.
std::filesystem::path TakePicturePath(const std::filesystem::path& info_path,
                                      recordstore::PictureType type);

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

    // Deletes the take's files (the description first), then lets the lock go.
    void Remove();

    // Makes what has been appended to the audio so far durable
    // (fdatasync). False when the system reports a write error.
    bool Sync();
    // The size of the audio file at the last successful Sync (or Create).
    std::uint64_t synced_bytes() const { return synced_bytes_; }

    // Writes the description anew with these details, durably, and a copy
    // of picture_file beside it (details.picture is taken from its name; an
    // empty path is no picture). The copy is made only when the file or its
    // type changed since the last write; a picture of the other type goes
    // once the description no longer names it. False when something could
    // not be written: the description on disk is then the last one that was.
    bool WriteDetails(const TakeDetails& details, const std::filesystem::path& picture_file);

    const std::filesystem::path& info_path() const { return info_path_; }
    const std::filesystem::path& journal_path() const { return journal_path_; }

private:
    TakeJournal(TakeInfo info, std::filesystem::path info_path, std::filesystem::path journal_path,
                int lock_fd, int journal_fd, std::uint64_t synced_bytes);

    TakeInfo info_;  // as the description on disk has it
    std::filesystem::path info_path_;
    std::filesystem::path journal_path_;
    int lock_fd_ = -1;     // the description on disk, locked
    int journal_fd_ = -1;  // the audio, for syncing only
    std::uint64_t synced_bytes_ = 0;
    // The picture beside the details, and the file it was copied from.
    recordstore::PictureType picture_type_ = recordstore::PictureType::kNone;
    std::filesystem::path picture_source_;
};

}  // namespace kivo::recorder
