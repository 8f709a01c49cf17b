// The language table of the translator: for each source language (a group)
// the languages its text can be translated into, each with the translation
// code that runs it, the name shown in "Select Language" and the result
// language's name.
//
// A target is reached by an installed pair, or where none exists through one
// intermediate language (English to Portuguese as English to Spanish, then
// Spanish to Portuguese). Each of the six result languages a translation
// record can have that cannot be reached from a group is still listed in it,
// marked "(not installed)" and without a code, so it is never offered and
// then failed.
//
// Translation codes are the pair modes of the route joined by "+":
// "eng-spa" direct, "eng-spa+es-pt" through Spanish.
#pragma once

#include <string>
#include <vector>

#include "kivo/translation/installed_pairs.h"

namespace kivo::translation {

struct LanguageChoice {
    std::string code;             // empty when no installed route exists
    std::string display_name;     // "English to Portuguese (through Spanish)"
    std::string result_language;  // "Portuguese"
    bool available() const { return !code.empty(); }
};

struct LanguageGroup {
    std::string source_language;  // "English"
    std::vector<LanguageChoice> choices;
};

// The groups in source-name order, the choices of each in target-name order
// with the unavailable ones last. No groups when no pair is installed.
std::vector<LanguageGroup> BuildLanguageTable(const std::vector<InstalledPair>& pairs);

// The pair modes of a translation code, in the order they run; empty when
// the code is not a route of one or two plain mode names.
std::vector<std::string> RouteOfCode(const std::string& code);

}  // namespace kivo::translation
