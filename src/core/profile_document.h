// ProfileDocument: the text of an INI file as lines, with lookups and edits
// that keep every byte the edit does not touch (comments, blank lines,
// unknown keys, line endings, a byte-order mark).
//
// Syntax understood (that of Windows private profile files):
//   [Section]        a section header; the name is trimmed
//   key=value        a key in the current section; key and value are trimmed,
//                    and a value enclosed in matching quotes loses them
//   ; comment        any line that is neither is kept and ignored
// Names compare without regard to ASCII letter case; the first section and
// the first key of a name win.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::core {

class ProfileDocument {
public:
    // Parses the whole file text (which may be empty).
    explicit ProfileDocument(std::string_view text);

    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // Sets a value; adds the key (at the end of its section) or the section
    // (at the end of the file) when missing.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    std::string Text() const;

private:
    struct Line {
        std::string text;    // without its line ending
        std::string ending;  // "\r\n", "\n" or "" for a last line without one
    };
    struct Location {
        std::size_t section_line;  // index of the header line
        std::size_t end_line;      // one past the section's last line
    };

    std::optional<Location> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKeyLine(const Location& where, std::string_view key) const;
    std::string NewLineEnding() const;

    bool has_bom_ = false;
    std::vector<Line> lines_;
};

// ASCII case-insensitive equality.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kivo::core
