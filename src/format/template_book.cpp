// The data store's record templates (see template_book.h).
//
//   KIVO-TEMPLATES 1\n
//   N name\n            begins a template
//   S subject\n
//   C comment\n         one predefined index comment, in order
#include "kivo/format/template_book.h"

#include <algorithm>

#include "component_lines.h"

namespace kivo::format {
namespace {

constexpr std::string_view kMagicLine = "KIVO-TEMPLATES 1\n";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

void AddComment(std::vector<std::string>& comments, std::string_view text) {
    const std::string comment = OneLine(Trimmed(text), kTemplateCommentMaxBytes);
    if (!Trimmed(comment).empty() && comments.size() < kTemplateMaxComments)
        comments.emplace_back(Trimmed(comment));
}

}  // namespace

std::vector<RecordTemplate> ParseTemplateBook(std::string_view bytes) {
    bytes = bytes.substr(0, std::min(bytes.size(), kTemplateBookMaxBytes));
    std::vector<RecordTemplate> templates;
    bool taking = false;  // fields go to the last template
    ForEachComponentLine(bytes, [&](std::string_view line) {
        if (line.starts_with("N ")) {
            taking = templates.size() < kTemplateBookMaxTemplates;
            if (taking)
                templates.push_back({OneLine(line.substr(2), kTemplateNameMaxBytes), {}, {}});
        } else if (taking && line.starts_with("S ")) {
            templates.back().subject = OneLine(line.substr(2), kTemplateSubjectMaxBytes);
        } else if (taking && line.starts_with("C ")) {
            AddComment(templates.back().comments, line.substr(2));
        }
    });
    return templates;
}

std::string WriteTemplateBook(const std::vector<RecordTemplate>& templates) {
    std::string bytes(kMagicLine);
    const std::size_t count = std::min(templates.size(), kTemplateBookMaxTemplates);
    for (std::size_t t = 0; t < count; ++t) {
        const RecordTemplate& record = templates[t];
        bytes += "N " + OneLine(record.name, kTemplateNameMaxBytes) + "\n";
        bytes += "S " + OneLine(record.subject, kTemplateSubjectMaxBytes) + "\n";
        std::vector<std::string> comments;
        for (const std::string& comment : record.comments)
            AddComment(comments, comment);
        for (const std::string& comment : comments)
            bytes += "C " + comment + "\n";
    }
    return bytes;
}

std::vector<std::string> TemplateCommentsFromLines(std::string_view lines) {
    std::vector<std::string> comments;
    while (!lines.empty()) {
        const std::size_t end = std::min(lines.find('\n'), lines.size());
        AddComment(comments, lines.substr(0, end));
        lines.remove_prefix(std::min(end + 1, lines.size()));
    }
    return comments;
}

}  // namespace kivo::format
