// Words of a text separated by single spaces (empty words count).
#include "kivo/recordstore/words.h"

namespace kivo::recordstore {

std::string_view WordAt(std::string_view text, int n) {
    if (n < 1 || text.empty()) {
        return {};
    }
    std::size_t start = 0;
    for (int word = 1; word < n; ++word) {
        const std::size_t space = text.find(' ', start);
        if (space == std::string_view::npos) {
            return {};
        }
        start = space + 1;
    }
    const std::size_t end = text.find(' ', start);
    return text.substr(start, end == std::string_view::npos ? text.size() - start : end - start);
}

std::size_t WordCount(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    std::size_t spaces = 0;
    for (const char byte : text) {
        spaces += byte == ' ' ? 1 : 0;
    }
    return spaces + 1;
}

std::vector<std::string_view> SplitWords(std::string_view text, std::size_t max_words) {
    std::vector<std::string_view> words;
    if (text.empty()) {
        return words;
    }
    std::size_t start = 0;
    while (words.size() < max_words) {
        const std::size_t end = text.find(' ', start);
        if (end == std::string_view::npos) {
            words.push_back(text.substr(start));
            break;
        }
        words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

}  // namespace kivo::recordstore
