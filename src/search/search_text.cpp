#include "kivo/search/search_text.h"

#include <algorithm>

#include "kivo/recordstore/text_encoding.h"
#include "kivo/thesaurus/letter_case.h"

namespace kivo::search {

std::string SearchableText(std::string_view stored_bytes) {
    std::string text;
    SearchableTextInto(stored_bytes, &text);
    return text;
}

void SearchableTextInto(std::string_view stored_bytes, std::string* out) {
    // Most keywords are plain ASCII: upper-case them without decoding.
    if (std::all_of(stored_bytes.begin(), stored_bytes.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        out->assign(stored_bytes);
        for (char& c : *out) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
        return;
    }
    *out = thesaurus::UpperCase(recordstore::DisplayText(stored_bytes));
}

}  // namespace kivo::search
