// The translator's language library: the table of languages read from the
// translation pairs installed on this machine, and translation of a text by
// the Apertium translator, entirely offline (the text never leaves the
// machine). Each LangTrans holds its own table; nothing is shared between
// instances.
//
//   LangTrans library;
//   if (library.InitLangTrans("/usr/share/apertium") < 0) report 850;
//   library.LangTransGetCodes("00", 0)       -> languages in group 0 ("3")
//   library.LangTransGetCodes("0001", 0)     -> code of language 1 of group 0
//   library.LangTransGetCodes("0001", 1)     -> its display name
//   library.LangTransGetCodes("res0001", 0)  -> its result language
//   library.LangTransForm({text, code}, &translated)
#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "kivo/translation/command_limits.h"
#include "kivo/translation/language_table.h"
#include "kivo/translation/translation_status.h"

namespace kivo::translation {

// Debian's Apertium data folder.
inline constexpr const char* kDefaultDataFolder = "/usr/share/apertium";

class LangTrans {
public:
    explicit LangTrans(CommandLimits limits = {}) : limits_(limits) {}

    // Builds the table from the pairs installed in data_folder. The number
    // of groups, or -kMessageNoLanguages when no pair is installed.
    int InitLangTrans(const std::filesystem::path& data_folder);

    // One text of the table, empty for a key or field it does not have.
    // "GG" field 0: the number of languages of group GG; field 1: its source
    // language. "GGLL" field 0: the translation code of language LL of group
    // GG (empty when it has no installed route); field 1: its display name.
    // "resGGLL" field 0: its result language.
    std::string LangTransGetCodes(const std::string& key, int field) const;

    // Translates request[0] by the translation code request[1], every pair
    // of the route in turn. Fails for a code that is not a route of the
    // table, or when the translator fails or runs out of time.
    TranslationStatus LangTransForm(const std::array<std::string, 2>& request,
                                    std::string* translated) const;

    const std::vector<LanguageGroup>& groups() const { return groups_; }

private:
    bool IsOfferedCode(const std::string& code) const;

    CommandLimits limits_;
    std::filesystem::path data_folder_;
    std::vector<LanguageGroup> groups_;
};

}  // namespace kivo::translation
