// The data store's meeting agendas ("Voxwren.xra"): the agendas the user
// prepared in Tools > Meeting Agendas..., from which a meeting is recorded.
// Layout: docs/formats/agenda-book.md.
//
// Only bytes in, bytes out: the caller reads and writes the component file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kivo/format/agenda.h"

namespace kivo::format {

inline constexpr std::size_t kAgendaBookMaxAgendas = 1000;
// A component file is never read past this many bytes.
inline constexpr std::size_t kAgendaBookMaxBytes = 8u << 20;

// The agendas of the file's bytes, in order. Unknown lines, the store's seed
// "999999999" and a torn last line are passed over; an item before the
// first title starts an agenda without a title; at most
// kAgendaBookMaxAgendas agendas of at most kAgendaMaxItems items each.
std::vector<Agenda> ParseAgendaBook(std::string_view bytes);

// The file's bytes for these agendas; ParseAgendaBook gives them back (texts
// on one line, cut to kAgendaItemMaxBytes, depths kept within 1 to 9).
std::string WriteAgendaBook(const std::vector<Agenda>& agendas);

// An agenda typed as an outline: one item per line, its depth one more than
// the number of tabs (or pairs of spaces) before it; blank lines are passed
// over. At most kAgendaMaxItems items.
std::vector<AgendaItem> AgendaItemsFromOutline(std::string_view outline);
// The items as such an outline, one tab per level below the top.
std::string OutlineOfAgendaItems(const std::vector<AgendaItem>& items);

}  // namespace kivo::format
