// Splitting the predefined index comments text into its comments.
#include "kivo/recorder/predefined_comments.h"

#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/text_encoding.h"

namespace kivo::recorder {

std::vector<std::string> ParsePredefinedComments(std::string_view text) {
    text = recordstore::CutAtCharBoundary(text, kPredefinedCommentsMaxBytes);
    std::vector<std::string> comments;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view word = text.substr(start, end - start);
        if (!word.empty()) {
            // The word's own 0xAC bytes are spaces; what is left that is not
            // UTF-8 is Windows-1252 text.
            const std::string shown = recordstore::DisplayText(recordstore::RestoreSpaces(word));
            comments.emplace_back(
                recordstore::CutAtCharBoundary(shown, recordstore::kIndexMarkCommentMaxBytes));
        }
        start = end + 1;
    }
    return comments;
}

std::string PackPredefinedComments(const std::vector<std::string>& comments) {
    std::string text;
    for (const std::string& comment : comments) {
        if (comment.empty())
            continue;
        const std::string stored = recordstore::StoreSpaces(comment);
        const std::size_t needed = stored.size() + (text.empty() ? 0 : 1);
        if (text.size() + needed > kPredefinedCommentsMaxBytes)
            break;
        if (!text.empty())
            text += ' ';
        text += stored;
    }
    return text;
}

}  // namespace kivo::recorder
