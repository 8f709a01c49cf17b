// InstantFilter: the rows of a list that a text typed into the search field
// matches, by the search dialog's words rule: the text is cut into words,
// and a row passes when one of the words occurs in its text, compared as
// searchable text (search_text.h). A text without words passes every row.
//
// A row's text is what the row is searched by: its subject, or its caller's
// name and number, and the record's keywords from the index. The texts are
// made searchable once, when the filter is built, so that each keystroke
// costs one pass of plain comparisons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "kivo/filesystem/file_system.h"

namespace kivo::search {

class InstantFilter {
public:
    InstantFilter() = default;
    explicit InstantFilter(const std::vector<std::string>& row_texts);

    std::size_t size() const { return texts_.size(); }

    // The positions of the matching rows, in order.
    std::vector<std::size_t> Matching(std::string_view typed) const;

private:
    std::vector<std::string> texts_;
};

// The keywords of every record of the index in the working folder, by
// record number (stored bytes; the later of two live entries wins). Empty
// when the index cannot be read; damaged entries are passed over.
std::unordered_map<std::int32_t, std::string> ReadIndexKeywords(filesystem::FileSystem& file_system,
                                                                const std::string& working_folder);

}  // namespace kivo::search
