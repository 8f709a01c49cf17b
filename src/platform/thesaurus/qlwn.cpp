#include "kivo/thesaurus/qlwn.h"

#include <algorithm>
#include <unordered_set>

#include "kivo/thesaurus/letter_case.h"
#include "mythes_source.h"
#include "wordnet_source.h"

namespace kivo::thesaurus {

const char* const kNoDictionaryText =
    "Smart search needs a dictionary, and none is installed.\n"
    "Install WordNet (package wordnet-base) for English, or a MyThes thesaurus "
    "(packages mythes-de, mythes-fr ...) for another language.";

namespace {

bool IsEnglish(const std::string& language) {
    return language.starts_with("en");
}

class InstalledThesaurus final : public Thesaurus {
public:
    InstalledThesaurus(bool wordnet, std::vector<std::unique_ptr<MyThesSource>> mythes)
        : wordnet_(wordnet), mythes_(std::move(mythes)) {}

    std::vector<std::string> RelatedWords(std::string_view word, std::size_t max_words) override {
        const std::string key = LowerCase(word);
        std::vector<std::string> related;
        std::unordered_set<std::string> seen{key};
        const auto take = [&](std::vector<std::string> candidates) {
            for (auto& candidate : candidates) {
                if (related.size() >= max_words)
                    return;
                std::string lower = LowerCase(candidate);
                if (seen.insert(lower).second)
                    related.push_back(std::move(lower));
            }
        };
        if (wordnet_)
            take(WordNetSynonyms(key, max_words + 1));
        for (auto& source : mythes_)
            take(source->Synonyms(key, max_words + 1));
        return related;
    }

    std::vector<std::string> Sources() const override {
        std::vector<std::string> names;
        if (wordnet_)
            names.push_back("WordNet (English)");
        for (const auto& source : mythes_)
            names.push_back("MyThes " + source->language());
        return names;
    }

private:
    bool wordnet_;
    std::vector<std::unique_ptr<MyThesSource>> mythes_;
};

}  // namespace

QlwnOpening OpenQlwn(const QlwnFolders& folders) {
    const bool wordnet = folders.use_wordnet && WordNetAvailable(folders.wordnet_dictionary);
    std::vector<std::unique_ptr<MyThesSource>> mythes;
    for (const auto& dictionary : FindMyThesDictionaries(folders.mythes_dictionaries)) {
        if (wordnet && IsEnglish(dictionary.language))
            continue;
        if (auto source = MyThesSource::Open(dictionary))
            mythes.push_back(std::move(source));
    }
    if (!wordnet && mythes.empty())
        return {nullptr, kNoDictionaryText};
    return {std::make_unique<InstalledThesaurus>(wordnet, std::move(mythes)), {}};
}

}  // namespace kivo::thesaurus
