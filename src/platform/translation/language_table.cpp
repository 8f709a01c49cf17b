// Building the language table from the installed pairs (see language_table.h).
#include "kivo/translation/language_table.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "kivo/translation/language_names.h"

namespace kivo::translation {
namespace {

constexpr char kRouteJoiner = '+';

// The installed pairs as a map: source name -> target name -> mode. The
// first mode in name order wins where two pairs join the same languages.
using PairMap = std::map<std::string, std::map<std::string, std::string>>;

PairMap MapPairs(const std::vector<InstalledPair>& pairs) {
    PairMap map;
    for (const InstalledPair& pair : pairs) {
        const std::string from = LanguageName(pair.from_code);
        const std::string to = LanguageName(pair.to_code);
        if (from != to)
            map[from].emplace(to, pair.mode);
    }
    return map;
}

struct Route {
    std::string code;
    std::string through;  // the intermediate language; empty for a direct pair
};

// A direct pair, or else the route through the intermediate language with
// the most installed pairs (the best-connected hub, Spanish in Debian's
// pairs), ties broken by name.
std::optional<Route> FindRoute(const PairMap& map, const std::string& from, const std::string& to) {
    const auto& direct = map.at(from);
    if (const auto found = direct.find(to); found != direct.end())
        return Route{found->second, ""};
    std::optional<Route> best;
    std::size_t best_pairs = 0;
    for (const auto& [middle, first_mode] : direct) {
        const auto onward = map.find(middle);
        if (onward == map.end())
            continue;
        const auto last = onward->second.find(to);
        if (last != onward->second.end() && onward->second.size() > best_pairs) {
            best = Route{first_mode + kRouteJoiner + last->second, middle};
            best_pairs = onward->second.size();
        }
    }
    return best;
}

LanguageChoice AvailableChoice(const std::string& from, const std::string& to, const Route& route) {
    std::string display = from + " to " + to;
    if (!route.through.empty())
        display += " (through " + route.through + ")";
    return LanguageChoice{route.code, display, to};
}

LanguageGroup BuildGroup(const PairMap& map, const std::string& from,
                         const std::set<std::string>& all_languages) {
    LanguageGroup group{from, {}};
    for (const std::string& to : all_languages) {
        if (to == from)
            continue;
        if (const std::optional<Route> route = FindRoute(map, from, to))
            group.choices.push_back(AvailableChoice(from, to, *route));
    }
    for (const std::string_view result : kResultLanguages) {
        const std::string to(result);
        const bool listed =
            std::any_of(group.choices.begin(), group.choices.end(),
                        [&to](const LanguageChoice& c) { return c.result_language == to; });
        if (to != from && !listed)
            group.choices.push_back(
                LanguageChoice{"", from + " to " + to + " (not installed)", to});
    }
    return group;
}

}  // namespace

std::vector<LanguageGroup> BuildLanguageTable(const std::vector<InstalledPair>& pairs) {
    const PairMap map = MapPairs(pairs);
    std::set<std::string> all_languages;
    for (const auto& [from, targets] : map) {
        all_languages.insert(from);
        for (const auto& target : targets)
            all_languages.insert(target.first);
    }
    std::vector<LanguageGroup> groups;
    for (const auto& source : map)
        groups.push_back(BuildGroup(map, source.first, all_languages));
    return groups;
}

std::vector<std::string> RouteOfCode(const std::string& code) {
    std::vector<std::string> modes;
    std::size_t begin = 0;
    while (true) {
        const std::size_t end = code.find(kRouteJoiner, begin);
        modes.push_back(
            code.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        if (end == std::string::npos)
            break;
        begin = end + 1;
    }
    const bool plain = std::all_of(modes.begin(), modes.end(), IsPlainModeName);
    if (!plain || modes.size() > 2)
        return {};
    return modes;
}

}  // namespace kivo::translation
