// A meeting's agenda, kept in the record-line file (".xrl") right after the
// 401-byte record line, so it travels with the record in its container.
// Layout: docs/formats/agenda.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/recordstore/status.h"

namespace kivo::format {

inline constexpr std::size_t kAgendaMaxItems = 1000;
inline constexpr std::size_t kAgendaItemMaxBytes = 255;
inline constexpr int kAgendaMaxDepth = 9;

struct AgendaItem {
    int depth = 1;  // 1 for a top item, 2 for an item under it, ... up to 9
    std::string text;
    bool operator==(const AgendaItem&) const = default;
};

struct Agenda {
    std::string title;
    std::vector<AgendaItem> items;
    bool operator==(const Agenda&) const = default;
};

// Stores the agenda after the first `line_bytes` bytes of the file (the
// record line), replacing any agenda there; the record line is kept as it
// is. An agenda with no title and no items removes the stored agenda.
recordstore::Status SaveAgenda(const std::string& record_line_path, const Agenda& agenda,
                               std::uint64_t line_bytes = 401);

// Reads the agenda stored after `line_bytes` bytes. A file with nothing
// after the record line gives an empty agenda.
recordstore::Status LoadAgenda(const std::string& record_line_path, Agenda* agenda,
                               std::uint64_t line_bytes = 401);

// The agenda as report text: the title on its own line, then one line per
// item indented by one tab per level, lines ending "\r\n"; empty when there
// is no agenda or the file cannot be read. `flags` is reserved (pass 0).
std::string AgendaPrint(const std::string& record_line_path, std::uint64_t line_bytes, int flags);

}  // namespace kivo::format
