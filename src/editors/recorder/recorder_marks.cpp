// The index marks of a recording and their shifting rules.
#include "kivo/recorder/recorder_marks.h"

#include <algorithm>

#include "kivo/recordstore/clock.h"

namespace kivo::recorder {

using recordstore::IndexMark;
using recordstore::IndexMarkType;

bool RecorderMarks::Add(std::int64_t time_ms, std::string_view comment, IndexMarkType type) {
    if (marks_.size() >= recordstore::kMaxIndexMarks)
        return false;
    // MakeIndexMark cuts at a character boundary and turns line breaks into spaces.
    const IndexMark cut = recordstore::MakeIndexMark("", comment);
    marks_.push_back({std::max<std::int64_t>(time_ms, 0), cut.comment, type});
    Sort();
    return true;
}

void RecorderMarks::ShiftForInsert(std::int64_t from_ms, std::int64_t to_ms) {
    const std::int64_t span_ms = to_ms - from_ms;
    if (span_ms <= 0)
        return;
    for (RecorderMark& mark : marks_) {
        if (mark.time_ms >= from_ms)
            mark.time_ms += span_ms;
    }
    Sort();
}

void RecorderMarks::ShiftForCut(std::int64_t from_ms, std::int64_t to_ms) {
    const std::int64_t span_ms = to_ms - from_ms;
    if (span_ms <= 0)
        return;
    std::erase_if(marks_, [&](const RecorderMark& mark) {
        return mark.time_ms >= from_ms && mark.time_ms < to_ms;
    });
    for (RecorderMark& mark : marks_) {
        if (mark.time_ms >= to_ms)
            mark.time_ms -= span_ms;
    }
    Sort();
}

bool RecorderMarks::EditComment(std::size_t row, std::string_view comment) {
    if (row >= marks_.size() || marks_[row].type != IndexMarkType::kUser)
        return false;
    const IndexMark cut = recordstore::MakeIndexMark("", comment);
    marks_[row].comment = cut.comment.empty() ? std::string(" ") : cut.comment;
    return true;
}

void RecorderMarks::Merge(const RecorderMarks& other) {
    for (const RecorderMark& mark : other.marks_) {
        if (marks_.size() >= recordstore::kMaxIndexMarks)
            break;
        marks_.push_back(mark);
    }
    Sort();
}

std::vector<IndexMark> RecorderMarks::ToIndexMarks() const {
    std::vector<IndexMark> out;
    out.reserve(marks_.size());
    for (const RecorderMark& mark : marks_)
        out.push_back(recordstore::MakeIndexMark(recordstore::DurationText(mark.time_ms),
                                                 mark.comment, mark.type));
    return out;
}

void RecorderMarks::Sort() {
    std::stable_sort(
        marks_.begin(), marks_.end(),
        [](const RecorderMark& a, const RecorderMark& b) { return a.time_ms < b.time_ms; });
}

}  // namespace kivo::recorder
