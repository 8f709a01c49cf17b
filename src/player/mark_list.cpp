// Loading the marks list from the index-mark file.
#include "mark_list.h"

#include <algorithm>

#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/text_encoding.h"
#include "player_texts.h"

namespace kivo::player {

std::vector<PlayerMark> LoadMarks(const std::string& path) {
    recordstore::IndexMarkRead read;
    if (!recordstore::ReadIndexMarkFile(path, &read).ok())
        return {};
    std::vector<PlayerMark> marks;
    marks.reserve(read.marks.size());
    for (const recordstore::IndexMark& mark : read.marks) {
        PlayerMark row;
        row.comment = QString::fromStdString(recordstore::DisplayText(mark.comment));
        row.time_stamp = QString::fromUtf8(mark.time_stamp);
        row.time_ms = std::max<std::int64_t>(0, ParseHms(row.time_stamp));
        marks.push_back(std::move(row));
    }
    std::stable_sort(marks.begin(), marks.end(), [](const PlayerMark& a, const PlayerMark& b) {
        return a.time_ms < b.time_ms;
    });
    return marks;
}

}  // namespace kivo::player
