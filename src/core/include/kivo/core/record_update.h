// RecordUpdater: the one way a stored record is changed after it was saved:
// by the record edit dialogs, by the playback dialog's OK (marks, inserted
// audio) and by the recorders' edit mode.
//
// An update names the record's container (extracted into the working folder
// when the dialog opened) and brings any of: the record's new 401-byte line,
// members taken out of the container or put into it (a picture, the marks,
// the wave), and the record's index entry. In this order it
//   1. changes the working container once: the removed members go, the
//      changed ones and, with a new line, the line member (written from the
//      line) go in, and it is compacted;
//   2. replaces the record's line in the record log of its kind, in place
//      and under a lock of the log (every other line keeps its position);
//   3. puts the entry into the record index, its line position set to the
//      line's place in the log;
//   4. commits the log and index changes to the session's component
//      journal together with the container and then puts the container into
//      the data store (DataStoreSession::CommitChangesWithContainer): the
//      store grows by the container alone, and after a crash anywhere in
//      between holds the new container with the new line and entry, or the
//      old container with the old ones. A session without a journal (a
//      working folder filled by hand) puts container, log and index in one
//      repository call instead, container first.
// Should the store or the journal refuse them, the log line and the index
// entry are put back as they were: the working log and the index are left
// as before the update (the working container is the dialog's own copy).
//
// The whole update runs as one StoreOperation: under the store's writer
// lock, on working copies that hold every other writer's changes.
//
// An updater is bound to the store its session held when it was made: once
// the session has loaded another store (Open, New), every update is refused
// with kNotBound and nothing is written anywhere, so a dialog left open
// across a switch cannot write into a store it was not opened on.
//
// Plain C++ without Qt; runs on the caller's thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::core {

class DataStoreSession;

struct RecordChange {
    // "D" + stamp + ".xrz" in the working folder; empty when the container
    // is not touched by this update.
    std::string container_name;
    // The record's new line; its number names the record and its kind code
    // the record log. Absent: the log is left alone.
    std::optional<recordstore::RecordLine> line;
    // Container members marked deleted (a removed or replaced picture).
    std::vector<std::string> removed_members;
    // Files of the working folder put into the container (a picture, the
    // marks, the wave); the line member is added when a line is given.
    std::vector<std::string> changed_members;
    // The record's index entry as it is to be stored; absent: the index is
    // left alone.
    std::optional<recordstore::IndexRecord> index_entry;
};

enum class RecordUpdateStatus {
    kUpdated,
    kNotBound,         // the session holds another store now; nothing written
    kInvalidChange,    // not a live record's line, no log for its kind, an
                       // index entry of another record, nothing to store
    kContainerFailed,  // the container could not be changed; nothing stored
    kRecordNotFound,   // the log has no line of the record; nothing stored
    kLogUnusable,      // the log cannot be read or written; nothing stored
    kStoreFailed,      // the data store refused them; log and index put back
    kIndexFailed,      // stored, but the index entry could not be written
};

struct RecordUpdateResult {
    RecordUpdateStatus status = RecordUpdateStatus::kInvalidChange;
    std::uint64_t line_offset_bytes = 0;  // where the line is, when one was given
    std::string detail;                   // why it failed, for traces

    bool ok() const { return status == RecordUpdateStatus::kUpdated; }
    // Container and log are in the data store (the index perhaps not).
    bool stored() const { return ok() || status == RecordUpdateStatus::kIndexFailed; }
};

class RecordUpdater {
public:
    // Binds to the store the session holds now.
    explicit RecordUpdater(DataStoreSession& session);

    // True while the session still holds the store bound to.
    bool bound() const;

    RecordUpdateResult Update(const RecordChange& change) const;

private:
    DataStoreSession& session_;
    std::uint64_t store_generation_;
};

// A short English description of a status, for traces and test output.
const char* RecordUpdateStatusText(RecordUpdateStatus status);

}  // namespace kivo::core
