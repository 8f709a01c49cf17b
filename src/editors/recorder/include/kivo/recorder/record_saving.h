// Saving what a recorder made as a new record: the record number from the
// profile ("RecID"), the index-mark file and the record line beside the
// recorder's wave, the picture copied in under its member name, all packed
// into a new recording container and stored with the record log of its kind
// (recordstore::RecordSaver), then the record's entry in the index
// (recordstore::RecordIndex). The recorder supplies only what differs: the
// fields of its kind and the log they go to.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_save.h"

namespace kivo::recorder {

// Writes the record's index-mark file (files.marks_path()) anew, one entry
// a mark in the order given. The mark comments joined for the index, or
// nullopt when the file cannot be written.
std::optional<std::string> WriteMarksFile(const RecordFiles& files,
                                          const std::vector<recordstore::IndexMark>& marks);

// Writes a built record line as the record file (files.line_path()); false
// when the line could not be built or the file not written.
bool WriteRecordFile(const recordstore::RecordLineBuild& line, const RecordFiles& files);

// The record's index entry: its number, kind and start date from the line's
// fields, the keywords, the marks' comments and where its line is in its log.
recordstore::IndexRecord IndexEntryOf(const recordstore::RecordFields& fields,
                                      std::string_view keywords, std::string_view mark_comments,
                                      std::uint64_t line_position);

// Adds or replaces the record's entry (IndexEntryOf) in the index of the
// working folder ("Voxwren.xri"). Keywords and comments are flattened to one
// line by the index. False when the index could not be written.
bool PutIndexEntry(const std::filesystem::path& working_folder,
                   const recordstore::RecordFields& fields, std::string_view keywords,
                   std::string_view mark_comments, std::uint64_t line_position);

// What a recorder saves as a new record.
struct NewRecord {
    recordstore::RecordFields fields;  // all but the record number
    recordstore::RecordLogKind log = recordstore::RecordLogKind::kMessages;
    std::vector<recordstore::IndexMark> marks;
    std::filesystem::path picture;  // a GIF or JPEG file to attach; empty for none
    // Further members already in the working folder, stored after the
    // picture in this order (a translation's ".xr1" and ".xr2" texts).
    std::vector<std::string> text_members;
    std::string keywords;  // for the index only
};

class NewRecordSave {
public:
    NewRecordSave(const RecorderTarget& target, const RecordFiles& files)
        : target_(target), files_(files) {}

    // Saves record; the recorder has written its wave (files.wave_path()).
    // 0, or the message code to report: 108 a file is missing (nothing was
    // stored), 109 the record did not reach the store, 110 the record is
    // stored but the index was not updated.
    int Save(const NewRecord& record);

    // The record number taken for the record; 0 before one is taken.
    std::int32_t record_number() const { return record_number_; }
    // Whether the record is in the store (also after 110).
    bool stored() const { return stored_; }

private:
    const RecorderTarget& target_;
    const RecordFiles& files_;
    std::int32_t record_number_ = 0;
    bool stored_ = false;
};

}  // namespace kivo::recorder
