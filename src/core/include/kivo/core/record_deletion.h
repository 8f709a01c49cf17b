// DeleteRecords: erases records as the main window's Delete command does.
//
// Each selected record's line in its record log is overwritten by an erased
// line ("99999999 " and "#" up to 400 characters, then a line feed), so every
// other line keeps its position and the log keeps its size; its index entry
// is removed; then the changes are committed (DataStoreSession::
// CommitChanges) and the recording containers are marked deleted in the
// store with one repository call.
// The erased lines are written in place in the working copy of each log (a
// write that fails puts back the lines already erased). The changes are
// durable before the containers are removed, so the store never lists a
// record whose recording is gone; the containers are noted beside the store
// first (pending_deletions.h), so a delete killed between the two is
// finished by the next writer instead of leaving them for good.
// A record's recording is deleted only by a recording name
// (recording_name.h): a line naming anything else stops the delete before
// any log changes.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "kivo/core/record_list.h"

namespace kivo::core {
class DataStoreSession;
}

namespace kivo::core {

class RecordIndex;

struct SelectedRecord {
    std::int32_t record_number = 0;
    core::ViewKind view = core::ViewKind::kNone;
    std::string recording_file;  // "D<stamp>.xrz" / ".xrv"
};

inline constexpr int kDeleteOk = 0;
inline constexpr int kDeleteFailed = 999;

// Texts of the Delete command.
inline constexpr const char* kDeleteOneQuestion = "Are you sure you want to delete message ID : ";
inline constexpr const char* kDeleteManyQuestion =
    "Are you sure you want to delete the selected records";
inline constexpr const char* kDeleteFailedText = "Failed to delete one or more messages";
inline constexpr const char* kDeletedText = "Message(s) Deleted";

// The 401-byte erased record line.
std::string ErasedRecordLine();

// The question for a selection: with one record its ID is named.
std::string DeleteQuestion(std::span<const SelectedRecord> selection,
                           const std::string& current_id);

// A record whose line names, as its recording, something that is no
// recording name.
struct RefusedRecording {
    std::int32_t record_number = 0;
    std::string name;
};

// The points between the changes a delete makes, in order.
enum class DeletionStep {
    kRecordingsNoted,  // the pending deletions are noted beside the store
    kLogsErased,       // the working logs hold the erased lines
    kStoreSaved,       // the store holds the erased logs
    kFinished,         // the recordings are deleted and the note is gone
};

struct DeletionOptions {
    // The store's own record index when null.
    RecordIndex* index = nullptr;
    // Receives the records refused for their recording name.
    std::vector<RefusedRecording>* refused = nullptr;
    // Called after each step (tests cut a delete short here).
    std::function<void(DeletionStep)> after_step;
};

// Erases the selected records of the open store. Records are handled in
// selection order; a record of a kind without a record log stops the work:
// the records before it stay erased, no container is removed now and 999 is
// returned. A log that cannot be read or replaced also gives 999, and so
// does a selected record whose line names no recording (nothing changes
// then). Returns 0 or 999.
int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection,
                  const DeletionOptions& options = {});
// The same with a given record index (tests).
int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection,
                  RecordIndex& index);

}  // namespace kivo::core
