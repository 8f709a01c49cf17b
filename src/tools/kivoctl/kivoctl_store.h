// The data store as one kivoctl command sees it: unpacked into a working
// folder of the command's own, either for reading only or for a change.
//
// A reading command (list, show) never writes to the store: it unpacks the
// members the store has and nothing else, so a store made before some
// component existed, or one the user may only read, is listed as it is.
// A changing command (delete, compact) unpacks the store as the program does
// when it opens one (adding the components an older store lacks) and then
// finishes a delete that an earlier run left half done.
//
// Both refuse at once a path that names a FIFO, a device, a socket or a
// folder: opening a FIFO would wait for ever for a writer.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "kivo/core/data_store_session.h"
#include "kivo/core/working_folder.h"
#include "kivoctl_signals.h"

namespace kivo::kivoctl {

// The path made absolute (as given when that fails).
std::filesystem::path AbsoluteStorePath(const std::string& path);

class CommandStore {
public:
    enum class Purpose { kRead, kChange };

    // Why the store at path cannot be opened for the purpose, found without
    // opening it: it exists but is no regular file (symbolic links
    // followed), "kivoctl: PATH is a FIFO, not a data store"; or, to change
    // it, the store or its folder (where the repository keeps its journal)
    // cannot be written. Nothing when there is no such reason.
    static std::optional<std::string> Refusal(const std::filesystem::path& path, Purpose purpose);

    // Returns 0 or the message code of the failure (105 when the path names
    // no regular file).
    int Open(const std::string& store_path, Purpose purpose);

    core::DataStoreSession& session() { return *session_; }
    const std::filesystem::path& working_folder() const { return folder_.path(); }

private:
    int UnpackForReading();

    // Declared first so that it ends last, after the folder is removed.
    std::optional<RegisteredFolder> registered_folder_;
    core::WorkingFolder folder_;
    std::optional<core::DataStoreSession> session_;
};

}  // namespace kivo::kivoctl
