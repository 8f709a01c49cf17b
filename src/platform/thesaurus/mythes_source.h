// The synonyms of one installed MyThes thesaurus ("th_de_DE_v2.idx" and
// ".dat").
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class MyThes;

namespace kivo::thesaurus {

struct MyThesDictionary {
    std::string language;  // "de_DE"
    std::string index_path;
    std::string data_path;
};

// The thesauri of a folder, sorted by language.
std::vector<MyThesDictionary> FindMyThesDictionaries(const std::string& folder);

class MyThesSource {
public:
    // Null when the files cannot be read.
    static std::unique_ptr<MyThesSource> Open(const MyThesDictionary& dictionary);
    ~MyThesSource();

    const std::string& language() const { return language_; }

    // The synonyms of every meaning of word (lower case), in UTF-8, with the
    // thesaurus's notes in parentheses ("(ugs.)") taken off. May hold word
    // itself and repeats.
    std::vector<std::string> Synonyms(std::string_view word, std::size_t max_words);

private:
    MyThesSource(std::unique_ptr<MyThes> thesaurus, std::string language, bool latin1);

    std::unique_ptr<MyThes> thesaurus_;
    std::string language_;
    bool latin1_;  // the dictionary is ISO 8859-1, not UTF-8
};

}  // namespace kivo::thesaurus
