// The data store's meeting agendas (see agenda_book.h).
//
//   999999999\n                  the store's seed; passed over
//   KIVO-AGENDAS 1\n
//   T title\n                    begins an agenda
//   I depth text\n               one of its items, depth 1..9
#include "kivo/format/agenda_book.h"

#include <algorithm>

#include "component_lines.h"

namespace kivo::format {
namespace {

constexpr std::string_view kSeedLine = "999999999\n";
constexpr std::string_view kMagicLine = "KIVO-AGENDAS 1\n";

void ReadItem(std::string_view line, std::vector<Agenda>& agendas) {
    if (line.size() < 4 || line[3] != ' ' || line[2] < '1' || line[2] > '0' + kAgendaMaxDepth)
        return;
    if (agendas.empty())
        agendas.emplace_back();  // items before any title
    Agenda& agenda = agendas.back();
    if (agenda.items.size() < kAgendaMaxItems)
        agenda.items.push_back({line[2] - '0', OneLine(line.substr(4), kAgendaItemMaxBytes)});
}

}  // namespace

std::vector<Agenda> ParseAgendaBook(std::string_view bytes) {
    bytes = bytes.substr(0, std::min(bytes.size(), kAgendaBookMaxBytes));
    std::vector<Agenda> agendas;
    bool full = false;
    ForEachComponentLine(bytes, [&](std::string_view line) {
        if (line.starts_with("T ")) {
            full = agendas.size() >= kAgendaBookMaxAgendas;
            if (!full)
                agendas.push_back({OneLine(line.substr(2), kAgendaItemMaxBytes), {}});
        } else if (line.starts_with("I ") && !full) {
            ReadItem(line, agendas);
        }
    });
    return agendas;
}

std::string WriteAgendaBook(const std::vector<Agenda>& agendas) {
    std::string bytes(kSeedLine);
    bytes += kMagicLine;
    const std::size_t count = std::min(agendas.size(), kAgendaBookMaxAgendas);
    for (std::size_t a = 0; a < count; ++a) {
        bytes += "T " + OneLine(agendas[a].title, kAgendaItemMaxBytes) + "\n";
        const std::size_t items = std::min(agendas[a].items.size(), kAgendaMaxItems);
        for (std::size_t i = 0; i < items; ++i) {
            const AgendaItem& item = agendas[a].items[i];
            bytes += "I " + std::to_string(std::clamp(item.depth, 1, kAgendaMaxDepth)) + " " +
                     OneLine(item.text, kAgendaItemMaxBytes) + "\n";
        }
    }
    return bytes;
}

std::vector<AgendaItem> AgendaItemsFromOutline(std::string_view outline) {
    std::vector<AgendaItem> items;
    while (!outline.empty() && items.size() < kAgendaMaxItems) {
        const std::size_t end = std::min(outline.find('\n'), outline.size());
        std::string_view line = outline.substr(0, end);
        outline.remove_prefix(std::min(end + 1, outline.size()));
        int depth = 1;
        while (!line.empty() && (line.front() == '\t' || line.starts_with("  "))) {
            line.remove_prefix(line.front() == '\t' ? 1 : 2);
            ++depth;
        }
        const std::size_t first = line.find_first_not_of(" \r");
        if (first == std::string_view::npos)
            continue;
        line.remove_prefix(first);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.remove_suffix(1);
        items.push_back({std::min(depth, kAgendaMaxDepth), OneLine(line, kAgendaItemMaxBytes)});
    }
    return items;
}

std::string OutlineOfAgendaItems(const std::vector<AgendaItem>& items) {
    std::string outline;
    for (const AgendaItem& item : items) {
        outline.append(static_cast<std::size_t>(std::clamp(item.depth, 1, kAgendaMaxDepth) - 1),
                       '\t');
        outline += item.text + "\n";
    }
    return outline;
}

}  // namespace kivo::format
