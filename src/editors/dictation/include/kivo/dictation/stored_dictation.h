// StoredDictation: a dictation of the data store, opened for editing. Open
// extracts its recording container into the working folder, reads its record
// line and its keywords from the index, refuses a locked record, extracts its
// picture and reads its marks. The index-mark file is deleted once read: the
// marks live in the recorder until a save writes them again.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::dictation {

class StoredDictation {
public:
    // 0, or the message code to report: the container's own (108), 113 an
    // unreadable record line, 6 a locked record. The files it extracted stay
    // in the working folder for the caller to remove (RecordFiles::RemoveAll).
    int Open(const recorder::RecorderTarget& target, const recorder::RecordFiles& files);

    // The record line's fields; an empty recording quality reads as "0".
    const recordstore::RecordFields& fields() const { return fields_; }
    const std::string& keywords() const { return keywords_; }
    // The picture member as stored (B.GIF or B.JPG, or the lower-case name
    // an older record may carry) and its extracted file; empty without one.
    const std::string& picture_member() const { return picture_member_; }
    const std::filesystem::path& picture_path() const { return picture_path_; }
    // The marks in the order of the file.
    const std::vector<recordstore::IndexMark>& marks() const { return marks_; }

private:
    int ReadLine(const recorder::RecordFiles& files);
    void ReadKeywords(const recorder::RecorderTarget& target);
    void ExtractPicture(const recorder::RecordFiles& files);
    void ReadMarks(const recorder::RecordFiles& files);

    recordstore::RecordFields fields_;
    std::string keywords_;
    std::string picture_member_;
    std::filesystem::path picture_path_;
    std::vector<recordstore::IndexMark> marks_;
};

}  // namespace kivo::dictation
