// Writing one record change into a data store, without the check that the
// store is the one a dialog was opened on: RecordUpdater (record_update.h)
// adds that check; ReplaceRecordLine (record_replace.h), the older entry of
// the recorders that store the container themselves, passes its own paths.
#pragma once

#include <filesystem>

#include "kivo/core/record_update.h"

namespace kivo::core {

struct RecordChangePlaces {
    std::filesystem::path store_path;      // the data store (".xrt")
    std::filesystem::path working_folder;  // its working copies
    // The record log to change, a file of the working folder; empty: the
    // log of the line's kind there.
    std::filesystem::path record_log;
};

// Steps 1 to 4 of record_update.h, with everything put back on failure.
RecordUpdateResult WriteRecordChange(const RecordChangePlaces& places, const RecordChange& change);

}  // namespace kivo::core
