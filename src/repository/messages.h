// The engine's message table (RPS01 ... RPS23) and the step numbers that name
// where a failure happened. The texts, severities and step numbers of the
// format are fixed; the steps from 50 on are this engine's own (the journal
// and checks the format has no number for), listed in
// docs/formats/repository.md.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "kivo/repository/status_record.h"

namespace kivo::repository {

using MessageArgument = std::variant<std::int64_t, std::string>;

// Formats the message of `code` with its arguments in order ("%i" takes a
// number, "%s" a text). The text is cut at 999 characters.
Message MakeMessage(MessageCode code, const std::vector<MessageArgument>& arguments);

// The "- %s" text for a read that returned fewer bytes than asked.
inline constexpr char kShortReadText[] = "Unexpected end of file";
// The "- %s" text for a write that took fewer bytes than given.
inline constexpr char kShortWriteText[] = "Short write";

// Step numbers of this engine's own.
namespace step {
inline constexpr int kJournalCreate = 50;
inline constexpr int kJournalWrite = 51;
inline constexpr int kJournalSync = 52;
inline constexpr int kRepositorySync = 53;
inline constexpr int kJournalRemove = 54;
inline constexpr int kJournalRead = 55;
inline constexpr int kJournalRestore = 56;
inline constexpr int kRepositoryTruncate = 57;
inline constexpr int kRepositoryStat = 58;
// RPS05: the directory offset lies inside the header or past the end.
inline constexpr int kDirectoryOffsetOutside = 6;
// RPS05: the header's entry count differs from the entries in the directory.
inline constexpr int kEntryCountMismatch = 7;
}  // namespace step

// RPS21 field numbers, in the order CheckIntegrity compares them.
namespace field {
inline constexpr int kMagic = 1;
inline constexpr int kMemberOffset = 2;
inline constexpr int kCreated = 3;
inline constexpr int kAccessed = 4;
inline constexpr int kWritten = 5;
inline constexpr int kStored = 6;
inline constexpr int kDeletedAt = 7;
inline constexpr int kSize = 8;
inline constexpr int kAttributes = 9;
inline constexpr int kDeleted = 10;
inline constexpr int kNameLength = 11;
inline constexpr int kVersion = 12;
inline constexpr int kName = 13;
}  // namespace field

}  // namespace kivo::repository
