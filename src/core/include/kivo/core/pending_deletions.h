// Pending deletions: the recordings a delete is about to remove from a data
// store, noted beside the store so that a delete cut short is finished by the
// next program that writes to the store.
//
// Deleting records changes the store in two repository calls: first the
// record logs with the erased lines are saved, then the recordings are marked
// deleted. A process killed between the two would leave recordings that no
// record names, in the store for good. So, before the first call, the names
// of the recordings go into a note beside the store's real file
// ("<store>-deleting", one name a line, written atomically and synced), and
// the note is removed after the second call.
//
// FinishPendingDeletions, run by every writer once it has unpacked the store
// (and by each delete before it adds its own names), marks deleted every
// noted recording that no live record line of the working logs names, then
// removes the note. A delete killed before its logs were saved is thereby
// dropped (its records are still listed and keep their recordings); one
// killed after is completed. A recording that a live record still names is
// never deleted, whatever the note says.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace kivo::core {

class DataStoreSession;

// The note of a store: beside the store's real file (symbolic links
// followed), named after it with "-deleting" appended.
std::filesystem::path PendingDeletionsPath(const std::filesystem::path& store);

// Adds names to the store's note, keeping the names it already holds, and
// makes the note durable. False when it cannot be written.
bool NotePendingDeletions(const std::filesystem::path& store, std::span<const std::string> names);

// The recording names in the store's note; none when there is no note.
// Lines that are not recording names are ignored.
std::vector<std::string> PendingDeletions(const std::filesystem::path& store);

// Finishes an interrupted delete of the open store as described above.
// True when there was nothing to do or the work is done (the note is gone);
// false when the store could not be read or changed (the note stays for the
// next writer).
bool FinishPendingDeletions(const DataStoreSession& session);

// What a writer already read of some working logs while it held the
// writer lock, so that finishing need not read them again: which of the
// names it looked for their live lines name, once its own changes to them
// are made.
struct NamedRecordingsRead {
    std::vector<std::string> logs;        // log member names read
    std::vector<std::string> looked_for;  // sorted recording names looked for
    std::vector<std::string> named;       // those that a live line names
};

// The same, taking what `read` knows of its logs instead of reading them
// again when every noted name is among the names it looked for (else every
// log is read, as above). The logs must not have changed since but by the
// writer's own erasures, which `read` allows for.
bool FinishPendingDeletions(const DataStoreSession& session, const NamedRecordingsRead& read);

}  // namespace kivo::core
