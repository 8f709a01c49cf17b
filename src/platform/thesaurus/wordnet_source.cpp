#include "wordnet_source.h"

#include <wn.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

namespace kivo::thesaurus {
namespace {

// WordNet keeps its open files and buffers in globals of its own.
std::mutex& WordNetLock() {
    static std::mutex lock;
    return lock;
}

bool OpenWordNetLocked() {
    static bool opened = false;
    if (!opened)
        opened = wninit() == 0;
    return opened;
}

std::string WithSpaces(const char* term) {
    std::string text(term);
    std::replace(text.begin(), text.end(), '_', ' ');
    return text;
}

}  // namespace

bool WordNetAvailable(const std::string& folder) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(std::filesystem::path(folder) / "index.noun", error))
        return false;
    std::lock_guard<std::mutex> hold(WordNetLock());
    return OpenWordNetLocked();
}

std::vector<std::string> WordNetSynonyms(std::string_view word, std::size_t max_words) {
    std::vector<std::string> words;
    // WordNet's functions take writable C strings and stop at a NUL.
    std::string query(word);
    if (query.empty() || query.find('\0') != std::string::npos || query.size() > 200)
        return words;
    std::lock_guard<std::mutex> hold(WordNetLock());
    if (!OpenWordNetLocked())
        return words;
    for (int part_of_speech = NOUN; part_of_speech <= ADV; ++part_of_speech) {
        const char* base = morphstr(query.data(), part_of_speech);
        std::string lemma = base != nullptr ? std::string(base) : query;
        SynsetPtr senses = findtheinfo_ds(lemma.data(), part_of_speech, SYNS, ALLSENSES);
        for (SynsetPtr sense = senses; sense != nullptr; sense = sense->nextss) {
            for (int i = 0; i < sense->wcount && words.size() < max_words; ++i)
                words.push_back(WithSpaces(sense->words[i]));
        }
        if (senses != nullptr)
            free_syns(senses);
    }
    return words;
}

}  // namespace kivo::thesaurus
