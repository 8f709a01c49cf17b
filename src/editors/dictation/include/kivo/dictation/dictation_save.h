// DictationSave: saves what the dictation recorder holds. A new dictation is
// a new record of kind "0" in "Voxwren.xrr", saved through the recorder
// kit's NewRecordSave. An edited dictation is one core::RecordUpdater
// update: its own container gets the wave, the marks, the new line and its
// picture member changed or removed as the user chose; its line is replaced
// in its record log and its index entry replaced.
//
// The recorder has written its wave (RecordFiles::wave_path()) before; for
// an edit whose audio is unchanged, the wave extracted from the store is
// the one saved.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/index_mark_file.h"

namespace kivo::core {
class RecordUpdater;
struct RecordChange;
}  // namespace kivo::core

namespace kivo::dictation {

class StoredDictation;

// What the recorder holds when it saves.
struct DictationDraft {
    std::string subject;
    std::string keywords;
    std::filesystem::path picture;  // a GIF or JPEG file; empty for none
    std::string start_log_date;     // "dd/mm/yyyy HH:MM:SS"
    std::string end_log_date;       // empty: now
    std::int64_t length_ms = 0;
    std::vector<recordstore::IndexMark> marks;  // in time order
};

class DictationSave {
public:
    DictationSave(const recorder::RecorderTarget& target, const recorder::RecordFiles& files)
        : target_(target), files_(files) {}

    // 0, or the message code to report (108, 109, 110).
    int SaveNew(const DictationDraft& draft);
    // updater is the one bound when the stored dictation was opened: once
    // another store is open it refuses, and 109 is returned.
    int SaveEdited(const DictationDraft& draft, const StoredDictation& stored,
                   const core::RecordUpdater& updater);

    // The new record's number (0 before one is taken).
    std::int32_t record_number() const { return record_number_; }
    // Whether the record reached the store (also when the index was not
    // updated afterwards).
    bool stored() const { return stored_; }

private:
    int AddPictureChange(const DictationDraft& draft, const StoredDictation& stored,
                         core::RecordChange* change) const;

    const recorder::RecorderTarget& target_;
    const recorder::RecordFiles& files_;
    std::int32_t record_number_ = 0;
    bool stored_ = false;
};

}  // namespace kivo::dictation
