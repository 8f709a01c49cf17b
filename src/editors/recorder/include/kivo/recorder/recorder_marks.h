// RecorderMarks: the index marks of a recording being made, kept sorted by
// time, with the rules that keep them on the same words when audio is
// inserted before them or cut out around them, and the editing of their
// comments in the marks list.
//
// Times are milliseconds from the start of the recording; the index-mark
// file stores them as "hh:mm:ss" (whole seconds).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/recordstore/index_mark_file.h"

namespace kivo::recorder {

struct RecorderMark {
    std::int64_t time_ms = 0;
    std::string comment;  // at most 50 bytes, cut at a character boundary
    recordstore::IndexMarkType type = recordstore::IndexMarkType::kUser;

    bool operator==(const RecorderMark&) const = default;
};

class RecorderMarks {
public:
    // Adds a mark; the comment is cut to 50 bytes. False when the list
    // already holds the most marks an index-mark file can carry.
    bool Add(std::int64_t time_ms, std::string_view comment,
             recordstore::IndexMarkType type = recordstore::IndexMarkType::kUser);

    // Audio of (to_ms - from_ms) was inserted at from_ms: every mark at or
    // after from_ms moves later by that span.
    void ShiftForInsert(std::int64_t from_ms, std::int64_t to_ms);
    // Audio [from_ms, to_ms) was cut out: marks inside it are deleted, marks
    // at or after to_ms move earlier by the span.
    void ShiftForCut(std::int64_t from_ms, std::int64_t to_ms);

    // Replaces the comment of mark `row` (only marks typed by the user can
    // be edited); an empty comment is stored as a single space.
    bool EditComment(std::size_t row, std::string_view comment);

    // Appends other's marks (made while an insert was being recorded, so
    // they were not shifted with the older ones).
    void Merge(const RecorderMarks& other);
    void Clear() { marks_.clear(); }
    // Puts the marks in time order again (marks of one time keep their order).
    void SortByTime() { Sort(); }

    const std::vector<RecorderMark>& marks() const { return marks_; }
    std::size_t size() const { return marks_.size(); }

    // The marks as the index-mark file entries, in time order.
    std::vector<recordstore::IndexMark> ToIndexMarks() const;

private:
    void Sort();

    std::vector<RecorderMark> marks_;
};

}  // namespace kivo::recorder
