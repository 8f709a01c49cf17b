// Priming a new recording: when the profile's "Prime" is "Y", New Recording
// starts with the texts of the last record of the current list (its ID and
// subject, for phone calls also the number and name) and the keywords of
// that record's index entry, so that a series of recordings on one matter
// need not be described again each time.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "kivo/core/record_list.h"

namespace kivo::core {

class ProfileFile;

struct RecordingPrime {
    std::string id;
    std::string subject;       // empty in the phone view
    std::string phone_number;  // phone view only
    std::string name;          // phone view only
    std::string keywords;      // the record index's keywords text
};

// True when the section's "Prime" is "Y". A missing value is written as "N"
// (and reads as no priming).
bool PrimingWanted(ProfileFile& profile, std::string_view section);

// The texts of one row of the list and its keywords from the index file
// (none read when index_path is empty); nothing when there is no such row.
std::optional<RecordingPrime> PrimeFromRow(const RecordList& list, int row,
                                           const std::filesystem::path& index_path);
// The same for the list's last row; nothing when the list is empty.
std::optional<RecordingPrime> PrimeFromLastRow(const RecordList& list,
                                               const std::filesystem::path& index_path);

// Both steps: nothing unless priming is wanted and the list has rows.
std::optional<RecordingPrime> PrimeNewRecording(ProfileFile& profile, std::string_view section,
                                                const RecordList& list,
                                                const std::filesystem::path& index_path);

}  // namespace kivo::core
