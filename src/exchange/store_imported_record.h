// The last step of every file import: the new record saved into the store
// as every new record is (recorder::NewRecordSave), through the run's save
// runner, its working files removed, and the outcome reported.
#pragma once

#include <cstdint>
#include <functional>

#include "kivo/exchange/import_audio_file.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recorder/recorder_target.h"

namespace kivo::exchange {

struct ImportedRecord {
    const recorder::RecordFiles& files;
    recorder::NewRecord record;
    std::int64_t length_ms = 0;
    // Removes the record's working files once the save has taken them (or
    // failed); the importer knows which files it made.
    std::function<void()> remove_working_files;
};

// Saves the record; kImported with its number, or kNotSaved with the save's
// message code. Progress: kind 0 at 33 before the save and 66 after it, then
// 100 and status 3 (done) when stored.
AudioImportResult StoreImportedRecord(const recorder::RecorderTarget& target,
                                      const SaveRunner& run_save, const ImportedRecord& imported,
                                      const AudioImportProgress& progress);

}  // namespace kivo::exchange
