#include "kivoctl_search.h"

#include <cstdio>
#include <optional>

#include "kivo/core/user_messages.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/search/record_search.h"
#include "kivo/thesaurus/qlwn.h"
#include "kivoctl_commands.h"
#include "kivoctl_store.h"

namespace kivo::kivoctl {
namespace {

constexpr const char* kSearchUsage =
    "usage: kivoctl search STORE.xrt [--from DATE] [--to DATE] "
    "[--area dictation|meeting|phone|diary|translation|video|all] [--smart] [--statistics] "
    "[WORDS...]\n";

int SearchUsage(std::ostream& err, const std::string& problem) {
    err << "kivoctl: " << problem << "\n" << kSearchUsage;
    return kExitUsage;
}

bool ValidDate(int year, int month, int day) {
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

// "dd/mm/yyyy" or "yyyy-mm-dd" as yyyymmdd.
std::optional<std::int32_t> ParseDate(const std::string& text) {
    int a = 0, b = 0, c = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d/%d/%d%c", &a, &b, &c, &tail) == 3 && ValidDate(c, b, a))
        return search::DateNumber(c, b, a);
    if (std::sscanf(text.c_str(), "%d-%d-%d%c", &a, &b, &c, &tail) == 3 && ValidDate(a, b, c))
        return search::DateNumber(a, b, c);
    return std::nullopt;
}

std::string Cell(std::string text) {
    for (char& c : text) {
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    }
    return text;
}

}  // namespace

int CommandSearch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() < 2)
        return SearchUsage(err, "search needs a store path");
    search::SearchCriteria criteria;
    bool statistics = false;
    std::string words;
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if ((arg == "--from" || arg == "--to") && has_value) {
            const auto date = ParseDate(args[++i]);
            if (!date)
                return SearchUsage(err, "not a date: " + args[i]);
            (arg == "--from" ? criteria.from_date : criteria.to_date) = *date;
        } else if (arg == "--area" && has_value) {
            const auto area = search::SearchAreaFromName(args[++i]);
            if (!area)
                return SearchUsage(err, "unknown area " + args[i]);
            criteria.area = *area;
        } else if (arg == "--smart") {
            criteria.smart = true;
        } else if (arg == "--statistics") {
            statistics = true;
        } else if (arg.starts_with("--")) {
            return SearchUsage(err, "unknown option " + arg);
        } else {
            words += (words.empty() ? "" : " ") + arg;
        }
    }
    criteria.keywords = words;

    CommandStore store;
    if (auto refusal =
            CommandStore::Refusal(AbsoluteStorePath(args[1]), CommandStore::Purpose::kRead)) {
        err << *refusal << "\n";
        return kExitFailed;
    }
    if (const int code = store.Open(args[1], CommandStore::Purpose::kRead); code != 0) {
        err << core::MessageText(code) << "\n";
        return kExitFailed;
    }
    thesaurus::QlwnOpening qlwn;
    if (criteria.smart)
        qlwn = thesaurus::OpenQlwn();
    const search::RecordSearch searcher(filesystem::DefaultFileSystem(),
                                        store.working_folder().string());
    const search::SearchOutcome outcome = searcher.Run(criteria, qlwn.thesaurus.get());
    if (outcome.message_code == search::kIndexMissingMessage) {
        err << core::MessageText(outcome.message_code) << "\n";
        return kExitFailed;
    }
    if (!outcome.smart_search_problem.empty())
        err << "kivoctl: " << outcome.smart_search_problem << "\n";

    std::string header;
    for (const auto& column : search::kResultColumns)
        header += (header.empty() ? "" : "\t") + std::string(column.title);
    out << header << "\n";
    for (const auto& row : outcome.rows) {
        std::string line;
        for (const std::string& text : search::ResultTexts(row))
            line += (line.empty() ? "" : "\t") + Cell(text);
        out << line << "\n";
    }
    if (statistics) {
        out << "\nWord\tMatches\n";
        for (const auto& row : outcome.statistics)
            out << Cell(row.word) << "\t" << row.matches << "\n";
    }
    if (outcome.message_code == search::kNothingFoundMessage) {
        err << core::MessageText(outcome.message_code) << "\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace kivo::kivoctl
