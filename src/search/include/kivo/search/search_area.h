// The areas of the search dialog and the record types each accepts. The
// record type is the kind code of the record (field 2 of its record line,
// kept in its index entry) read as a number.
#pragma once

#include <optional>
#include <string_view>

namespace kivo::search {

enum class SearchArea : int {
    kDictation = 0,       // types 0 and 5
    kMeeting = 1,         // type 1
    kPhone = 2,           // types 2 and 3
    kDiary = 4,           // type 4
    kTranslation = 5,     // types above 10
    kVideo = 9,           // type 9
    kAllExceptVideo = 99  // every type but 9; the dialog's first choice
};

bool AreaAccepts(SearchArea area, int record_type);

// "dictation", "meeting", "phone", "diary", "translation", "video", "all".
std::optional<SearchArea> SearchAreaFromName(std::string_view name);

// A kind code as a record type: one to four decimal digits, else nothing.
std::optional<int> RecordTypeOf(std::string_view kind_code);

}  // namespace kivo::search
