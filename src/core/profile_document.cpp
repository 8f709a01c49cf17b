// Parsing and editing of INI text line by line; see profile_document.h.
#include "profile_document.h"

#include <cctype>

namespace kivo::core {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view s) {
    auto blank = [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
    };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The name of a section header line, or nothing when the line is not one.
std::optional<std::string_view> SectionName(std::string_view line) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() != '[')
        return std::nullopt;
    std::size_t close = t.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return Trim(t.substr(1, close - 1));
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyValue> ParseKeyLine(std::string_view line) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[')
        return std::nullopt;
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    std::string_view key = Trim(t.substr(0, eq));
    if (key.empty())
        return std::nullopt;
    std::string_view value = Trim(t.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return KeyValue{key, value};
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

ProfileDocument::ProfileDocument(std::string_view text) {
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        has_bom_ = true;
        text.remove_prefix(kUtf8Bom.size());
    }
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        Line line;
        if (nl == std::string_view::npos) {
            line.text = std::string(text);
            text = {};
        } else {
            std::string_view body = text.substr(0, nl);
            if (!body.empty() && body.back() == '\r') {
                body.remove_suffix(1);
                line.ending = "\r\n";
            } else {
                line.ending = "\n";
            }
            line.text = std::string(body);
            text.remove_prefix(nl + 1);
        }
        lines_.push_back(std::move(line));
    }
}

std::optional<ProfileDocument::Location> ProfileDocument::FindSection(
    std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto name = SectionName(lines_[i].text);
        if (!name || !EqualsIgnoringCase(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && !SectionName(lines_[end].text))
            ++end;
        return Location{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileDocument::FindKeyLine(const Location& where,
                                                        std::string_view key) const {
    for (std::size_t i = where.section_line + 1; i < where.end_line; ++i) {
        auto kv = ParseKeyLine(lines_[i].text);
        if (kv && EqualsIgnoringCase(kv->key, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileDocument::Find(std::string_view section,
                                                 std::string_view key) const {
    auto where = FindSection(section);
    if (!where)
        return std::nullopt;
    auto line = FindKeyLine(*where, key);
    if (!line)
        return std::nullopt;
    return std::string(ParseKeyLine(lines_[*line].text)->value);
}

std::string ProfileDocument::NewLineEnding() const {
    for (const Line& line : lines_) {
        if (!line.ending.empty())
            return line.ending;
    }
    return "\n";
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::string eol = NewLineEnding();
    auto where = FindSection(section);
    if (where) {
        if (auto at = FindKeyLine(*where, key)) {
            // Keep the key as it is spelt in the file and any indentation.
            std::string& text = lines_[*at].text;
            text = text.substr(0, text.find('=') + 1) + std::string(value);
            return;
        }
        // After the section's last non-blank line.
        std::size_t insert_at = where->end_line;
        while (insert_at > where->section_line + 1 && Trim(lines_[insert_at - 1].text).empty()) {
            --insert_at;
        }
        if (lines_[insert_at - 1].ending.empty())
            lines_[insert_at - 1].ending = eol;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert_at),
                      Line{std::string(key) + "=" + std::string(value), eol});
        return;
    }
    if (!lines_.empty() && lines_.back().ending.empty())
        lines_.back().ending = eol;
    lines_.push_back(Line{"[" + std::string(section) + "]", eol});
    lines_.push_back(Line{std::string(key) + "=" + std::string(value), eol});
}

std::string ProfileDocument::Text() const {
    std::string out;
    if (has_bom_)
        out += kUtf8Bom;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

}  // namespace kivo::core
