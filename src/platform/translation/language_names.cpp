// Language names and translation kind codes (see language_names.h).
#include "kivo/translation/language_names.h"

#include <algorithm>
#include <cctype>

namespace kivo::translation {
namespace {

struct KnownLanguage {
    std::string_view short_code;
    std::string_view long_code;
    std::string_view name;
};

constexpr KnownLanguage kKnownLanguages[] = {
    {"af", "afr", "Afrikaans"},
    {"an", "arg", "Aragonese"},
    {"ast", "ast", "Asturian"},
    {"be", "bel", "Belarusian"},
    {"bg", "bul", "Bulgarian"},
    {"br", "bre", "Breton"},
    {"ca", "cat", "Catalan"},
    {"da", "dan", "Danish"},
    {"de", "deu", "German"},
    {"en", "eng", "English"},
    {"eo", "epo", "Esperanto"},
    {"es", "spa", "Spanish"},
    {"eu", "eus", "Basque"},
    {"fr", "fra", "French"},
    {"gl", "glg", "Galician"},
    {"hi", "hin", "Hindi"},
    {"id", "ind", "Indonesian"},
    {"is", "isl", "Icelandic"},
    {"it", "ita", "Italian"},
    {"mk", "mkd", "Macedonian"},
    {"ms", "zlm", "Malay"},
    {"nl", "nld", "Dutch"},
    {"nn", "nno", "Norwegian Nynorsk"},
    {"nb", "nob", "Norwegian Bokmal"},
    {"no", "nor", "Norwegian"},
    {"oc", "oci", "Occitan"},
    {"pl", "pol", "Polish"},
    {"pt", "por", "Portuguese"},
    {"ro", "ron", "Romanian"},
    {"ru", "rus", "Russian"},
    {"sc", "srd", "Sardinian"},
    {"sh", "hbs", "Serbo-Croatian"},
    {"sl", "slv", "Slovenian"},
    {"sv", "swe", "Swedish"},
    {"szl", "szl", "Silesian"},
    {"uk", "ukr", "Ukrainian"},
    {"ur", "urd", "Urdu"},
    {"frp", "frp", "Arpitan"},
};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::string LanguageName(std::string_view code) {
    for (const KnownLanguage& language : kKnownLanguages) {
        if (code == language.short_code || code == language.long_code)
            return std::string(language.name);
    }
    return std::string(code);
}

int TranslationKindCode(std::string_view result_language) {
    constexpr int kFirstTranslationKind = 11;
    for (int index = 0; index < static_cast<int>(std::size(kResultLanguages)); ++index) {
        if (EqualIgnoringCase(result_language, kResultLanguages[index]))
            return kFirstTranslationKind + index;
    }
    return kFirstTranslationKind;
}

}  // namespace kivo::translation
