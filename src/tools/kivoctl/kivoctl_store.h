// The data store as one kivoctl command sees it: unpacked into a working
// folder of the command's own, either for reading only or for a change.
//
// A reading command (list, show) never writes to the store: it unpacks the
// members the store has and nothing else, so a store made before some
// component existed, or one the user may only read, is listed as it is.
// A changing command (delete, compact) first takes the store's writer lock
// and holds it until the command object ends, so that no other writer (the
// program, another kivoctl, xrrps) changes the store between the command's
// reading and its writing; a command that finds the store held waits a few
// seconds and then gives up, naming the holder. Under the lock it unpacks the
// store as the program does when it opens one (adding the components an
// older store lacks) and finishes a delete that an earlier run left half
// done. Readers take no lock: each repository call reads a committed state.
//
// Both refuse at once a path that names a FIFO, a device, a socket or a
// folder: opening a FIFO would wait for ever for a writer.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "kivo/core/data_store_session.h"
#include "kivo/core/working_folder.h"
#include "kivo/repository/writer_lock.h"
#include "kivoctl_signals.h"

namespace kivo::kivoctl {

// The path made absolute (as given when that fails).
std::filesystem::path AbsoluteStorePath(const std::string& path);

class CommandStore {
public:
    // kAddRecords: unpacked as for a change, but without holding the writer
    // lock across the command: new records are stored by the record store's
    // own calls, each under the lock while it writes, as the program stores
    // them.
    enum class Purpose { kRead, kChange, kAddRecords };

    // Why the store at path cannot be opened for the purpose, found without
    // opening it: it exists but is no regular file (symbolic links
    // followed), "kivoctl: PATH is a FIFO, not a data store"; or, to change
    // it, the store or its folder (where the repository keeps its journal)
    // cannot be written. Nothing when there is no such reason.
    static std::optional<std::string> Refusal(const std::filesystem::path& path, Purpose purpose);

    // Returns 0 or the message code of the failure (105 when the path names
    // no regular file), or kStoreHeld when another writer kept the store for
    // the whole wait (lock_message() then says who).
    int Open(const std::string& store_path, Purpose purpose);
    static constexpr int kStoreHeld = -1;
    // "PATH is in use by kivoctl (process 4242)", or the repository's own
    // message when the lock could not be taken for another reason.
    const std::string& lock_message() const { return lock_message_; }

    core::DataStoreSession& session() { return *session_; }
    const std::filesystem::path& working_folder() const { return folder_.path(); }

private:
    int UnpackForReading();
    bool TakeWriterLock(const std::filesystem::path& store);

    // Declared first so that it ends last: the lock is let go after the last
    // write, and the folder is unregistered after it is removed.
    std::optional<repository::WriterLock> writer_lock_;
    std::string lock_message_;
    std::optional<RegisteredFolder> registered_folder_;
    core::WorkingFolder folder_;
    std::optional<core::DataStoreSession> session_;
};

}  // namespace kivo::kivoctl
