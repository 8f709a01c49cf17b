// PlaybackSaver: writes what the playback dialog changed in a stored
// recording back into the data store the dialog was opened on, through
// RecordUpdater: the index marks, and after an insertion the wave and the
// record line with its new duration (in the container and in the record
// log); the marks' comments go into the record's index entry.
//
// The recording's container, wave, marks and record line are the files the
// dialog extracted into the working folder ("D" + stamp + ".xrz" and B's
// members). The wave is stored encoded and left in the working folder as a
// plain wave, so playing goes on after a save.
//
// Plain C++ without Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kivo/core/record_update.h"
#include "kivo/recordstore/index_mark_file.h"

namespace kivo::core {
class DataStoreSession;
}

namespace kivo::playback {

class PlaybackSaver {
public:
    enum class Outcome {
        kSaved,
        kMarksNotWritten,  // the index-mark file could not be written
        kNotBound,         // the data store open now is another one; nothing written
        kMarksNotStored,   // the container (marks only) was not stored
        kAudioNotStored,   // the container with the inserted audio was not stored
        kIndexFailed,      // stored, but the index entry could not be written
    };
    struct Result {
        Outcome outcome = Outcome::kSaved;
        std::string detail;  // why, for traces and the dialog's error text
        // The record has no index entry, so no mark comments were indexed.
        bool without_index_entry = false;
        bool ok() const { return outcome == Outcome::kSaved; }
    };

    // What the dialog saves of one recording.
    struct Changes {
        std::int32_t record_number = 0;
        std::string container_name;  // "D" + stamp + ".xrz"
        std::vector<recordstore::IndexMark> marks;
        // The new length "hh:mm:ss" when the working wave holds inserted
        // audio; absent when only the marks changed.
        std::optional<std::string> new_duration;
    };

    // Binds to the store the session holds now.
    explicit PlaybackSaver(core::DataStoreSession& store);

    // True while the session still holds the store bound to.
    bool bound() const { return updater_.bound(); }

    Result Save(const Changes& changes) const;

private:
    core::RecordChange AudioChange(const Changes& changes, const std::string& base) const;
    std::optional<recordstore::IndexRecord> IndexEntry(const Changes& changes,
                                                       std::string* failure) const;

    core::DataStoreSession& store_;
    core::RecordUpdater updater_;
};

}  // namespace kivo::playback
