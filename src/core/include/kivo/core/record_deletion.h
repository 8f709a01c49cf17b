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
// record whose recording is gone.
#pragma once

#include <cstdint>
#include <span>
#include <string>

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

// Erases the selected records of the open store. Records are handled in
// selection order; a record of a kind without a record log stops the work:
// the records before it stay erased, no container is removed and 999 is
// returned. A log that cannot be read or replaced also gives 999.
// Returns 0 or 999.
int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection);
// The same with a given record index (tests).
int DeleteRecords(core::DataStoreSession& session, std::span<const SelectedRecord> selection,
                  RecordIndex& index);

}  // namespace kivo::core
