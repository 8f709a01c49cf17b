// Qlwn: the thesaurus of the installed dictionaries.
//
//   - WordNet (packages wordnet-base, wordnet-dev) for English: the words of
//     every sense of the word as noun, verb, adjective and adverb, after
//     WordNet's own reduction to the base form ("invoices" -> "invoice").
//   - MyThes thesauri (package libmythes-dev and the mythes-* dictionaries,
//     "th_<language>_v2.idx" and ".dat" in /usr/share/mythes) for the other
//     languages: the synonyms of every meaning. An English MyThes thesaurus
//     is consulted only when WordNet is not installed.
//
// Open fails with a message that says what to install when neither is
// there. WordNet keeps its state in the library itself, so every WordNet
// look-up of the process is serialised behind one lock.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kivo/thesaurus/thesaurus.h"

namespace kivo::thesaurus {

struct QlwnFolders {
    // WordNet's library reads its own installed folder; it is used when
    // use_wordnet is set and wordnet_dictionary holds its index files.
    bool use_wordnet = true;
    std::string wordnet_dictionary = "/usr/share/wordnet";
    std::string mythes_dictionaries = "/usr/share/mythes";
};

struct QlwnOpening {
    std::unique_ptr<Thesaurus> thesaurus;  // null when nothing is installed
    std::string message;                   // why, when it is null
};

QlwnOpening OpenQlwn(const QlwnFolders& folders = {});

// The text shown when no dictionary is installed.
extern const char* const kNoDictionaryText;

}  // namespace kivo::thesaurus
