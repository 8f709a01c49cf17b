#include "mythes_source.h"

#include <mythes.hxx>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>

namespace kivo::thesaurus {
namespace {

constexpr std::string_view kIndexPrefix = "th_";
constexpr std::string_view kIndexSuffix = "_v2.idx";

std::string Latin1ToUtf8(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

// "Kraftwagen (fachspr.)" -> "Kraftwagen"; "(Jahreszahl)" -> "".
std::string WithoutNotes(std::string_view term) {
    std::string text;
    int depth = 0;
    for (char c : term) {
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            depth = std::max(0, depth - 1);
        } else if (depth == 0) {
            text.push_back(c);
        }
    }
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

bool IsLatin1(const char* encoding) {
    if (encoding == nullptr)
        return false;
    const std::string_view name(encoding);
    return name.find("8859-1") != std::string_view::npos ||
           name.find("8859_1") != std::string_view::npos;
}

}  // namespace

std::vector<MyThesDictionary> FindMyThesDictionaries(const std::string& folder) {
    std::vector<MyThesDictionary> found;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= kIndexPrefix.size() + kIndexSuffix.size() ||
            !name.starts_with(kIndexPrefix) || !name.ends_with(kIndexSuffix)) {
            continue;
        }
        const std::string stem = name.substr(0, name.size() - std::string_view(".idx").size());
        const auto data = it->path().parent_path() / (stem + ".dat");
        std::error_code data_error;
        if (!std::filesystem::is_regular_file(data, data_error))
            continue;
        found.push_back({name.substr(kIndexPrefix.size(),
                                     name.size() - kIndexPrefix.size() - kIndexSuffix.size()),
                         it->path().string(), data.string()});
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.language < b.language; });
    return found;
}

std::unique_ptr<MyThesSource> MyThesSource::Open(const MyThesDictionary& dictionary) {
    // MyThes reports nothing when its files are unreadable: it is then empty.
    for (const std::string* path : {&dictionary.index_path, &dictionary.data_path}) {
        std::FILE* file = std::fopen(path->c_str(), "rb");
        if (file == nullptr)
            return nullptr;
        std::fclose(file);
    }
    auto thesaurus =
        std::make_unique<MyThes>(dictionary.index_path.c_str(), dictionary.data_path.c_str());
    const bool latin1 = IsLatin1(thesaurus->get_th_encoding());
    return std::unique_ptr<MyThesSource>(
        new MyThesSource(std::move(thesaurus), dictionary.language, latin1));
}

MyThesSource::MyThesSource(std::unique_ptr<MyThes> thesaurus, std::string language, bool latin1)
    : thesaurus_(std::move(thesaurus)), language_(std::move(language)), latin1_(latin1) {}

MyThesSource::~MyThesSource() = default;

std::vector<std::string> MyThesSource::Synonyms(std::string_view word, std::size_t max_words) {
    std::vector<std::string> words;
    if (word.empty() || word.size() >= MAX_WD_LEN || word.find('\0') != std::string_view::npos)
        return words;
    // A Latin-1 thesaurus is looked up with Latin-1 bytes; a word that has
    // none is not in it.
    std::string query;
    if (latin1_) {
        for (std::size_t i = 0; i < word.size(); ++i) {
            const auto byte = static_cast<unsigned char>(word[i]);
            if (byte < 0x80) {
                query.push_back(word[i]);
            } else if ((byte == 0xC2 || byte == 0xC3) && i + 1 < word.size()) {
                query.push_back(static_cast<char>(((byte & 0x03) << 6) |
                                                  (static_cast<unsigned char>(word[++i]) & 0x3F)));
            } else {
                return words;
            }
        }
    } else {
        query.assign(word);
    }
    mentry* meanings = nullptr;
    const int count = thesaurus_->Lookup(query.c_str(), static_cast<int>(query.size()), &meanings);
    for (int m = 0; m < count; ++m) {
        for (int s = 0; s < meanings[m].count && words.size() < max_words; ++s) {
            const char* raw = meanings[m].psyns[s];
            if (raw == nullptr)
                continue;
            std::string term = WithoutNotes(latin1_ ? Latin1ToUtf8(raw) : std::string(raw));
            if (!term.empty())
                words.push_back(std::move(term));
        }
    }
    if (meanings != nullptr)
        thesaurus_->CleanUpAfterLookup(&meanings, count);
    return words;
}

}  // namespace kivo::thesaurus
