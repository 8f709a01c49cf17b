// RecordingImport: one recording file (".xrz" with an audio record, ".xrv"
// with a video record of kind "9") made a new record of the open data store,
// with a new record number and its keywords.
//
// A recording file may come from a stranger. It is read only: its members are
// unpacked into a private folder of the working folder (names that could
// reach outside it, members larger than such a member can honestly be, more
// members than a recording has are refused before anything is unpacked), its
// record line is checked, and the record then takes the one road of every new
// record (recorder::NewRecordSave): a new number from "RecID", a new stamp,
// container, record log and index stored together, the index entry with the
// keywords. A failure leaves no trace in the store and nothing of the file in
// the working folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "kivo/recorder/recorder_target.h"

namespace kivo::recordstore {
class RecordIndex;
}

namespace kivo::exchange {

struct RecordingImportResult {
    // 0, or the message code: 114 the file cannot be read or is refused,
    // 115 it holds no usable record line, 108/109 the record did not reach
    // the store, 110 it did but the index was not updated.
    int message = 0;
    std::string reason;  // why, in a few words, for lists and the command line
    std::int32_t record_number = 0;
    bool stored = false;  // the record is in the store (also with 110)

    bool ok() const { return message == 0; }
};

class RecordingImport {
public:
    // source_index: the index of the data store the recordings come from, for
    // their keywords; null for recording files, whose keywords travel in the
    // file (the member B.xrk of an exported recording).
    RecordingImport(const recorder::RecorderTarget& target,
                    recordstore::RecordIndex* source_index = nullptr)
        : target_(target), source_index_(source_index) {}

    RecordingImportResult Import(const std::filesystem::path& recording_file) const;

private:
    const recorder::RecorderTarget& target_;
    recordstore::RecordIndex* source_index_;
};

}  // namespace kivo::exchange
