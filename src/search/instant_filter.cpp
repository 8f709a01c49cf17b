#include "kivo/search/instant_filter.h"

#include <charconv>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/search/search_text.h"
#include "kivo/search/search_words.h"

namespace kivo::search {

InstantFilter::InstantFilter(const std::vector<std::string>& row_texts) {
    texts_.reserve(row_texts.size());
    for (const std::string& text : row_texts)
        texts_.push_back(SearchableText(text));
}

std::vector<std::size_t> InstantFilter::Matching(std::string_view typed) const {
    const SearchWords words = SearchWords::FromKeywordText(typed);
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < texts_.size(); ++i) {
        if (words.empty() || words.FirstMatch(texts_[i], {}))
            rows.push_back(i);
    }
    return rows;
}

std::unordered_map<std::int32_t, std::string> ReadIndexKeywords(filesystem::FileSystem& file_system,
                                                                const std::string& working_folder) {
    std::unordered_map<std::int32_t, std::string> keywords;
    recordstore::RecordIndex index(
        file_system, filesystem::JoinPath(working_folder, std::string(recordstore::kIndexName)));
    index.ForEachEntry([&](std::string_view entry) {
        const std::string_view number_text = recordstore::IndexEntryField(entry, 0);
        std::int32_t number = 0;
        const char* end = number_text.data() + number_text.size();
        const auto parsed = std::from_chars(number_text.data(), end, number);
        if (parsed.ec == std::errc() && parsed.ptr == end && number > 0)
            keywords[number] = recordstore::IndexEntryField(entry, 3);
        return true;
    });
    return keywords;
}

}  // namespace kivo::search
