// VideoMarksSaver: writes the marks the "Kivo Video Player" changed back
// into the stored video record, through core::RecordUpdater: the marks file
// B.xrs is rewritten in the working folder (in the meeting form the video
// recorder stores), put into the record's ".xrv" container there, and the
// container into the data store; the record's index entry gets the marks'
// comments, so they stay searchable. The media and the record line are not
// touched.
//
// Bound to the store its session held when it was made: after File > Open
// or New nothing is written anywhere.
//
// Plain C++ without Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/core/record_update.h"
#include "kivo/recordstore/index_mark_file.h"

namespace kivo::core {
class DataStoreSession;
}

namespace kivo::video {

class VideoMarksSaver {
public:
    enum class Outcome {
        kSaved,
        kNotBound,         // another store is open now; nothing written
        kMarksNotWritten,  // the marks file could not be written
        kNotStored,        // the container was not stored; the store is as before
        kIndexFailed,      // stored, but the index entry could not be written
    };
    struct Result {
        Outcome outcome = Outcome::kSaved;
        std::string detail;  // why, for traces
        bool ok() const { return outcome == Outcome::kSaved; }
        // The marks are in the data store (the index perhaps not).
        bool stored() const { return ok() || outcome == Outcome::kIndexFailed; }
    };

    // Binds to the store the session holds now.
    explicit VideoMarksSaver(core::DataStoreSession& store);

    bool bound() const { return updater_.bound(); }

    // container_name: "D" + stamp + ".xrv", unpacked in the working folder.
    Result Save(std::int32_t record_number, const std::string& container_name,
                const std::vector<recordstore::IndexMark>& marks) const;

private:
    core::DataStoreSession& store_;
    core::RecordUpdater updater_;
};

}  // namespace kivo::video
