// The translator's language library (see lang_trans.h).
#include "kivo/translation/lang_trans.h"

#include <charconv>
#include <optional>
#include <utility>

#include "command_pipe.h"

namespace kivo::translation {
namespace {

// Two decimal digits at text[at], or nullopt.
std::optional<std::size_t> TwoDigits(const std::string& text, std::size_t at) {
    std::size_t value = 0;
    const char* begin = text.data() + at;
    const auto [end, error] = std::from_chars(begin, begin + 2, value);
    if (error != std::errc() || end != begin + 2)
        return std::nullopt;
    return value;
}

}  // namespace

int LangTrans::InitLangTrans(const std::filesystem::path& data_folder) {
    data_folder_ = data_folder;
    groups_ = BuildLanguageTable(FindInstalledPairs(data_folder));
    if (groups_.empty())
        return -kMessageNoLanguages;
    return static_cast<int>(groups_.size());
}

std::string LangTrans::LangTransGetCodes(const std::string& key, int field) const {
    const bool result_key = key.rfind("res", 0) == 0;
    const std::string digits = result_key ? key.substr(3) : key;
    if (digits.size() != 2 && digits.size() != 4)
        return {};
    const std::optional<std::size_t> group = TwoDigits(digits, 0);
    if (!group || *group >= groups_.size())
        return {};
    const LanguageGroup& chosen_group = groups_[*group];
    if (digits.size() == 2) {
        if (result_key)
            return {};
        if (field == 0)
            return std::to_string(chosen_group.choices.size());
        return field == 1 ? chosen_group.source_language : std::string();
    }
    const std::optional<std::size_t> language = TwoDigits(digits, 2);
    if (!language || *language >= chosen_group.choices.size())
        return {};
    const LanguageChoice& choice = chosen_group.choices[*language];
    if (result_key)
        return field == 0 ? choice.result_language : std::string();
    if (field == 0)
        return choice.code;
    return field == 1 ? choice.display_name : std::string();
}

bool LangTrans::IsOfferedCode(const std::string& code) const {
    for (const LanguageGroup& group : groups_) {
        for (const LanguageChoice& choice : group.choices) {
            if (choice.available() && choice.code == code)
                return true;
        }
    }
    return false;
}

TranslationStatus LangTrans::LangTransForm(const std::array<std::string, 2>& request,
                                           std::string* translated) const {
    translated->clear();
    const std::string& code = request[1];
    const std::vector<std::string> route = RouteOfCode(code);
    if (route.empty() || !IsOfferedCode(code))
        return TranslationStatus::Error("no installed translation \"" + code + "\"");
    std::string text = request[0];
    for (const std::string& mode : route) {
        // -u: unknown words plain, without the translator's "*" marks.
        const std::vector<std::string> arguments = {"apertium", "-u", "-d", data_folder_.string(),
                                                    mode};
        std::string output;
        if (TranslationStatus run = RunFilterCommand(arguments, text, limits_, &output); !run.ok())
            return run;
        text = std::move(output);
    }
    *translated = std::move(text);
    return TranslationStatus::Ok();
}

}  // namespace kivo::translation
