#include "kivo/search/search_area.h"

#include <array>
#include <utility>

namespace kivo::search {

bool AreaAccepts(SearchArea area, int record_type) {
    switch (area) {
        case SearchArea::kDictation:
            return record_type == 0 || record_type == 5;
        case SearchArea::kMeeting:
            return record_type == 1;
        case SearchArea::kPhone:
            return record_type == 2 || record_type == 3;
        case SearchArea::kDiary:
            return record_type == 4;
        case SearchArea::kTranslation:
            return record_type > 10;
        case SearchArea::kVideo:
            return record_type == 9;
        case SearchArea::kAllExceptVideo:
            return record_type != 9;
    }
    return false;
}

std::optional<SearchArea> SearchAreaFromName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, SearchArea>, 7> kNames = {{
        {"dictation", SearchArea::kDictation},
        {"meeting", SearchArea::kMeeting},
        {"phone", SearchArea::kPhone},
        {"diary", SearchArea::kDiary},
        {"translation", SearchArea::kTranslation},
        {"video", SearchArea::kVideo},
        {"all", SearchArea::kAllExceptVideo},
    }};
    for (const auto& [text, area] : kNames) {
        if (text == name)
            return area;
    }
    return std::nullopt;
}

std::optional<int> RecordTypeOf(std::string_view kind_code) {
    if (kind_code.empty() || kind_code.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char c : kind_code) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace kivo::search
