// Reading the line-based component files of agendas and templates.
//
// Both files may be made by appending one exported file to another (Tools >
// Import > ... "From exported ... file" appends whole files), and a new data
// store's agenda file holds only "999999999" without a line end. So a reader
// passes over a run of '9's at the start of a line (the seed, alone or glued
// to the next file's first line), over lines it does not know, and over a
// torn last line.
#pragma once

#include <string>
#include <string_view>

#include "kivo/recordstore/text_encoding.h"

namespace kivo::format {

// The text on one line (CR, LF and TAB become spaces), cut at a character
// boundary to max_bytes.
inline std::string OneLine(std::string_view text, std::size_t max_bytes) {
    return std::string(recordstore::CutAtCharBoundary(recordstore::FlattenLines(text), max_bytes));
}

// Calls visit(line) for each whole line of bytes, without its line feed and
// without a leading run of '9's.
template <typename Visit>
void ForEachComponentLine(std::string_view bytes, Visit visit) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        if (end == std::string_view::npos)
            return;  // a torn last line
        std::string_view line = bytes.substr(0, end);
        line.remove_prefix(std::min(line.find_first_not_of('9'), line.size()));
        visit(line);
        bytes.remove_prefix(end + 1);
    }
}

}  // namespace kivo::format
