// Languages by their codes as the translation data names them (two-letter
// ISO 639-1 "en" or three-letter ISO 639-3 "eng": installed pairs use both),
// and the record kind code of a translation's result language.
#pragma once

#include <string>
#include <string_view>

namespace kivo::translation {

// "English" for "en" or "eng"; the code itself for a language this table
// does not know, so a new pair still shows up under a readable name.
std::string LanguageName(std::string_view code);

// The record kind of a translation by its result language, ignoring case:
// "English" 11, "French" 12, "Italian" 13, "Spanish" 14, "German" 15,
// "Portuguese" 16; any other name gives 11.
int TranslationKindCode(std::string_view result_language);

// The six result languages a translation record can have, in kind order.
inline constexpr std::string_view kResultLanguages[] = {"English", "French", "Italian",
                                                        "Spanish", "German", "Portuguese"};

}  // namespace kivo::translation
