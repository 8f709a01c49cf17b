// The index marks of a recording and their shifting rules.
#include "kivo/dictation/dictation_marks.h"

#include <algorithm>

#include "qldate.h"

namespace kivo::dictation {

using recordstore::IndexMark;
using recordstore::IndexMarkType;

std::string DurationText(std::int64_t ms) {
    char text[QLDATE_BUFFER_BYTES] = {};
    conv_millisec(ms, text);
    return text;
}

bool DictationMarks::Add(std::int64_t time_ms, std::string_view comment, IndexMarkType type) {
    if (marks_.size() >= recordstore::kMaxIndexMarks)
        return false;
    // MakeIndexMark cuts at a character boundary and turns line breaks into spaces.
    const IndexMark cut = recordstore::MakeIndexMark("", comment);
    marks_.push_back({std::max<std::int64_t>(time_ms, 0), cut.comment, type});
    Sort();
    return true;
}

void DictationMarks::ShiftForInsert(std::int64_t from_ms, std::int64_t to_ms) {
    const std::int64_t span_ms = to_ms - from_ms;
    if (span_ms <= 0)
        return;
    for (DictationMark& mark : marks_) {
        if (mark.time_ms >= from_ms)
            mark.time_ms += span_ms;
    }
    Sort();
}

void DictationMarks::ShiftForCut(std::int64_t from_ms, std::int64_t to_ms) {
    const std::int64_t span_ms = to_ms - from_ms;
    if (span_ms <= 0)
        return;
    std::erase_if(marks_, [&](const DictationMark& mark) {
        return mark.time_ms >= from_ms && mark.time_ms < to_ms;
    });
    for (DictationMark& mark : marks_) {
        if (mark.time_ms >= to_ms)
            mark.time_ms -= span_ms;
    }
    Sort();
}

bool DictationMarks::EditComment(std::size_t row, std::string_view comment) {
    if (row >= marks_.size() || marks_[row].type != IndexMarkType::kUser)
        return false;
    const IndexMark cut = recordstore::MakeIndexMark("", comment);
    marks_[row].comment = cut.comment.empty() ? std::string(" ") : cut.comment;
    return true;
}

void DictationMarks::Merge(const DictationMarks& other) {
    for (const DictationMark& mark : other.marks_) {
        if (marks_.size() >= recordstore::kMaxIndexMarks)
            break;
        marks_.push_back(mark);
    }
    Sort();
}

std::vector<IndexMark> DictationMarks::ToIndexMarks() const {
    std::vector<IndexMark> out;
    out.reserve(marks_.size());
    for (const DictationMark& mark : marks_)
        out.push_back(
            recordstore::MakeIndexMark(DurationText(mark.time_ms), mark.comment, mark.type));
    return out;
}

void DictationMarks::Sort() {
    std::stable_sort(
        marks_.begin(), marks_.end(),
        [](const DictationMark& a, const DictationMark& b) { return a.time_ms < b.time_ms; });
}

}  // namespace kivo::dictation
