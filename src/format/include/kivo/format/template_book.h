// The data store's record templates ("Voxwren.xrc"), kept in Tools >
// Templates...: each a name, the subject a new record starts with, and the
// index comments the recorder offers one after the other as its predefined
// comments. Layout: docs/formats/template-book.md.
//
// Only bytes in, bytes out: the caller reads and writes the component file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kivo::format {

inline constexpr std::size_t kTemplateBookMaxTemplates = 1000;
inline constexpr std::size_t kTemplateNameMaxBytes = 60;
inline constexpr std::size_t kTemplateSubjectMaxBytes = 149;
// What one index mark's comment holds.
inline constexpr std::size_t kTemplateCommentMaxBytes = 50;
inline constexpr std::size_t kTemplateMaxComments = 200;
inline constexpr std::size_t kTemplateBookMaxBytes = 8u << 20;

struct RecordTemplate {
    std::string name;
    std::string subject;
    std::vector<std::string> comments;
    bool operator==(const RecordTemplate&) const = default;
};

// The templates of the file's bytes, in order. Unknown lines and a torn last
// line are passed over, as are fields before the first name; texts are cut
// to their limits; empty comments are dropped.
std::vector<RecordTemplate> ParseTemplateBook(std::string_view bytes);

// The file's bytes for these templates; ParseTemplateBook gives them back
// (texts on one line and cut to their limits, empty comments dropped).
std::string WriteTemplateBook(const std::vector<RecordTemplate>& templates);

// Comments typed one per line: blank lines dropped, each trimmed and cut to
// kTemplateCommentMaxBytes, at most kTemplateMaxComments.
std::vector<std::string> TemplateCommentsFromLines(std::string_view lines);

}  // namespace kivo::format
