// The repository engine's C++ interface. An Engine works on the FileSystem it
// is given and keeps no state between calls: every operation opens the
// repository, does its work, closes it, and returns a StatusRecord. The C
// exports of zn2xrrps.h are a thin layer over it (using the machine's file
// system); tests use it directly with fault-injecting file systems.
//
// A repository path may name a repository nested in others with ">>"
// ("outer.xrt>>inner.xrz"); only the reading operations accept that.
//
// Every operation that writes keeps the repository sound across a crash or an
// I/O error through a journal file next to the repository's real file
// ("<real path>-journal", symbolic links followed); the next open of any mode
// finishes or undoes an interrupted call
// (docs/decisions/repository-crash-safety.md).
//
// Between callers, one call writes at a time: a writing call waits (up to
// EngineOptions::lock_wait) while another writer holds the repository, and a
// reading call waits while a writing call is in the middle of its writes, so
// it reads a committed state; a wait that runs out fails with RPS01 naming
// the holder. A command of several calls holds a WriterLock across them and
// hands it to its Engine (kivo/repository/writer_lock.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/repository_time.h"
#include "kivo/repository/status_record.h"

namespace kivo::repository {

enum class ProgressPhase { kRead = 0, kWritten = 1 };

// Called after every block read or written: the phase, the byte count of the
// block, and a label (a disk path or "repository(member)").
using ProgressCallback =
    std::function<void(ProgressPhase phase, std::uint32_t byte_count, const std::string& label)>;

// Receives short fixed trace lines ending in a line feed.
using TraceSink = std::function<void(const std::string& line)>;

// How a member's bytes look as text (RPS_LoadFile).
enum class TextKind { kControl = 0, kCrLf = 1, kLf = 2, kCr = 3 };

struct LoadRequest {
    std::string name;
    void* buffer = nullptr;
    std::uint32_t buffer_size = 0;            // must equal the member size
    TextKind text_kind = TextKind::kControl;  // set by the call
};

class KeptDirectories;

struct EngineOptions {
    Clock clock = SystemClockNow;
    // Trace lines (journal recovery); none by default.
    TraceSink trace;
    // Bytes of old data a compaction journal keeps per checkpoint; a larger
    // window means fewer syncs, a smaller one a smaller journal.
    std::size_t compaction_window_bytes = 4u << 20;
    // How long a call waits for another writer, or a reader for a writing
    // call, before it gives up with RPS01 ("The repository is in use by ...").
    std::chrono::milliseconds lock_wait{3000};
    // Keep the crash journal "<repository>-journal" between writing calls
    // instead of making and removing a file for each: a call that commits
    // leaves the file idle (its first 8 bytes zero, synced), which every
    // opening takes for no journal, and the next call writes its journal
    // over it. Saves a file creation, a removal and a folder sync a call.
    // Compactions still make and remove their own. The caller removes the
    // idle file when it is done writing (DiscardIdleJournal); one left by a
    // crash is harmless and removed by the next such call.
    bool keep_idle_journal = false;
    // Directories kept between this owner's calls (kept_directories.h), or
    // null: every call decodes the directory it opens. Must outlive the
    // engine.
    KeptDirectories* kept_directories = nullptr;
};

// What Engine::Find tells about the members asked for.
struct FoundMembers {
    // Messages of the call; entries holds the live entry of every name asked
    // for that has one, in the order the names were given.
    StatusRecord status;
    // Live members in the whole repository (0 when it could not be read).
    std::uint32_t live_count = 0;
};

class WriterLock;

class Engine {
public:
    explicit Engine(filesystem::FileSystem& file_system, EngineOptions options = {});
    // An engine for the holder of `held`: its writing calls on the repository
    // that `held` covers work under that lock instead of waiting for it.
    // `held` must outlive the engine.
    Engine(filesystem::FileSystem& file_system, const WriterLock& held, EngineOptions options = {});

    StatusRecord Get(const std::string& repository, const std::string& directory,
                     const std::vector<std::string>& names, const ProgressCallback& progress = {});
    StatusRecord GetAll(const std::string& repository, const std::string& directory,
                        const ProgressCallback& progress = {});
    StatusRecord Put(const std::string& repository, const std::string& directory,
                     const std::vector<std::string>& names, const ProgressCallback& progress = {});
    StatusRecord PutAll(const std::string& repository, const std::string& directory,
                        const ProgressCallback& progress = {});
    StatusRecord Delete(const std::string& repository, const std::vector<std::string>& names);
    StatusRecord UnDelete(const std::string& repository, const std::string& name,
                          std::uint32_t version, const ProgressCallback& progress = {});
    StatusRecord Compress(const std::string& repository, const ProgressCallback& progress = {});
    StatusRecord CheckIntegrity(const std::string& repository);
    StatusRecord Info(const std::string& repository);
    // Looks the names up without listing the other members: on a repository
    // of 100,000 members it costs reading the directory, not building the list.
    FoundMembers Find(const std::string& repository, const std::vector<std::string>& names);
    StatusRecord AllInfo(const std::string& repository);
    StatusRecord LoadFile(const std::string& repository, LoadRequest& request);
    // Removes the idle journal a writer kept (EngineOptions::keep_idle_journal);
    // a journal of an interrupted call is played back as by any opening.
    StatusRecord DiscardIdleJournal(const std::string& repository);

private:
    filesystem::FileSystem& file_system_;
    EngineOptions options_;
    const WriterLock* held_lock_ = nullptr;
};

}  // namespace kivo::repository
