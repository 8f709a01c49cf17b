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
#include <functional>
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
// a mark in the order given, in the style of the recorder. The mark comments
// joined for the index, or nullopt when the file cannot be written.
std::optional<std::string> WriteMarksFile(
    const RecordFiles& files, const std::vector<recordstore::IndexMark>& marks,
    recordstore::IndexMarkStyle style = recordstore::IndexMarkStyle::kWithType);

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
// The same through an index object kept by the caller.
bool PutIndexEntry(recordstore::RecordIndex& index, const recordstore::RecordFields& fields,
                   std::string_view keywords, std::string_view mark_comments,
                   std::uint64_t line_position);

// What a recorder saves as a new record.
struct NewRecord {
    recordstore::RecordFields fields;  // all but the record number
    recordstore::RecordLogKind log = recordstore::RecordLogKind::kMessages;
    // kAudio: the media is the wave B.xrw, packed into B.xrz. kVideo: the
    // media is the converted video B.wmv, packed into B.xrv.
    recordstore::MediaKind media_kind = recordstore::MediaKind::kAudio;
    std::vector<recordstore::IndexMark> marks;
    // The meeting recorder and the recorders after it leave the mark type out.
    recordstore::IndexMarkStyle marks_style = recordstore::IndexMarkStyle::kWithType;
    std::filesystem::path picture;  // a GIF or JPEG file to attach; empty for none
    std::string keywords;           // for the index only
    // Adds what the kind keeps after the record line in the record file (a
    // meeting's agenda); called with the written file's path, false when it
    // could not be added. Empty: the file holds the line alone.
    std::function<bool(const std::filesystem::path& record_file)> extend_record_file;
    // Further files of the working folder stored in the container after the
    // picture (a translation's B.xr1 and B.xr2); they must exist.
    std::vector<std::string> extra_members;
};

class NewRecordSave {
public:
    NewRecordSave(const RecorderTarget& target, const RecordFiles& files)
        : target_(target), files_(files) {}

    // Saves record; the recorder has written its wave (files.wave_path()), or
    // for a video record its B.wmv.
    // 0, or the message code to report: 108 a file is missing (nothing was
    // stored), 109 the record did not reach the store, 110 the record is
    // stored but the index was not updated.
    // A target bound to a session (BindToSession) saves under the store's
    // writer lock and only while the session still holds the store it was
    // bound to: after File > Open or New (or with other paths than the
    // session's) the save is refused with 109 before anything is written.
    // The container goes into the store, then the log line and the index
    // entry into the session's component journal (CommitChanges); the record
    // is saved once both are durable.
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
