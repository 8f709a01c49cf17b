// The agenda kept after a meeting's record line in its ".xrl" file.
//
//   offset 401: "KIVO-AGENDA 1\n"
//               "T " title "\n"
//               "I " depth " " text "\n"     one per item, depth 1..9
//
// Texts are UTF-8 on one line (CR, LF and TAB become spaces), at most 255
// bytes. See docs/formats/agenda.md.
#include "kivo/format/agenda.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>

#include "kivo/recordstore/text_encoding.h"

namespace kivo::format {
namespace {

using recordstore::Status;

constexpr std::string_view kAgendaMagicLine = "KIVO-AGENDA 1\n";
// An agenda block is never read past this many bytes.
constexpr std::size_t kAgendaMaxBytes = 1 << 20;

std::string OneLine(std::string_view text) {
    return std::string(
        recordstore::CutAtCharBoundary(recordstore::FlattenLines(text), kAgendaItemMaxBytes));
}

Status ReadBytes(const std::string& path, std::uint64_t offset, std::size_t max_bytes,
                 std::string* bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return Status::NotFound("cannot open " + path);
    }
    file.seekg(static_cast<std::streamoff>(offset));
    bytes->assign(max_bytes, '\0');
    file.read(bytes->data(), static_cast<std::streamsize>(max_bytes));
    bytes->resize(static_cast<std::size_t>(file.gcount()));
    if (file.bad()) {
        return Status::IoError("cannot read " + path);
    }
    return Status::Ok();
}

Status ReplaceWith(const std::string& path, const std::string& bytes) {
    const std::string temporary = path + ".agenda-new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.flush();
        if (!file) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return Status::IoError("cannot write " + temporary);
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return Status::IoError("cannot replace " + path);
    }
    return Status::Ok();
}

std::string EncodeAgenda(const Agenda& agenda) {
    std::string block(kAgendaMagicLine);
    block += "T " + OneLine(agenda.title) + "\n";
    const std::size_t items = std::min(agenda.items.size(), kAgendaMaxItems);
    for (std::size_t i = 0; i < items; ++i) {
        const int depth = std::clamp(agenda.items[i].depth, 1, kAgendaMaxDepth);
        block += "I " + std::to_string(depth) + " " + OneLine(agenda.items[i].text) + "\n";
    }
    return block;
}

void DecodeLine(std::string_view line, Agenda* agenda) {
    if (line.starts_with("T ")) {
        agenda->title = OneLine(line.substr(2));
        return;
    }
    if (!line.starts_with("I ") || line.size() < 4 || line[3] != ' ' ||
        agenda->items.size() >= kAgendaMaxItems) {
        return;  // lines of a later version are passed over
    }
    int depth = 0;
    std::from_chars(line.data() + 2, line.data() + 3, depth);
    if (depth < 1 || depth > kAgendaMaxDepth) {
        return;
    }
    agenda->items.push_back({depth, OneLine(line.substr(4))});
}

}  // namespace

Status SaveAgenda(const std::string& record_line_path, const Agenda& agenda,
                  std::uint64_t line_bytes) {
    std::string line;
    Status status = ReadBytes(record_line_path, 0, static_cast<std::size_t>(line_bytes), &line);
    if (!status.ok()) {
        return status;
    }
    if (line.size() != line_bytes) {
        return Status::Corrupt(record_line_path + ": no complete record line to keep");
    }
    if (!agenda.title.empty() || !agenda.items.empty()) {
        line += EncodeAgenda(agenda);
    }
    return ReplaceWith(record_line_path, line);
}

Status LoadAgenda(const std::string& record_line_path, Agenda* agenda, std::uint64_t line_bytes) {
    *agenda = Agenda{};
    std::string block;
    Status status = ReadBytes(record_line_path, line_bytes, kAgendaMaxBytes, &block);
    if (!status.ok()) {
        return status;
    }
    if (block.empty()) {
        return Status::Ok();
    }
    if (!std::string_view(block).starts_with(kAgendaMagicLine)) {
        return Status::Corrupt(record_line_path + ": not an agenda after the record line");
    }
    std::string_view rest = std::string_view(block).substr(kAgendaMagicLine.size());
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        if (end == std::string_view::npos) {
            break;  // a torn last line
        }
        DecodeLine(rest.substr(0, end), agenda);
        rest.remove_prefix(end + 1);
    }
    return Status::Ok();
}

std::string AgendaPrint(const std::string& record_line_path, std::uint64_t line_bytes,
                        int /*flags*/) {
    Agenda agenda;
    if (!LoadAgenda(record_line_path, &agenda, line_bytes).ok()) {
        return {};
    }
    if (agenda.title.empty() && agenda.items.empty()) {
        return {};
    }
    std::string text = agenda.title + "\r\n";
    for (const AgendaItem& item : agenda.items) {
        text.append(static_cast<std::size_t>(item.depth), '\t');
        text += item.text + "\r\n";
    }
    return text;
}

}  // namespace kivo::format
