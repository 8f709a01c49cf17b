// The details of a take as text (see take_details.h).
#include "kivo/recorder/take_details.h"

#include <charconv>

namespace kivo::recorder {
namespace {

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                // Other control bytes have no place in these texts.
                if (static_cast<unsigned char>(c) >= 0x20)
                    out += c;
        }
    }
    return out;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) < 0x20)
            return std::nullopt;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        switch (text[i]) {
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            default:
                return std::nullopt;
        }
    }
    return out;
}

std::string_view PictureWord(recordstore::PictureType picture) {
    switch (picture) {
        case recordstore::PictureType::kGif:
            return "gif";
        case recordstore::PictureType::kJpg:
            return "jpg";
        case recordstore::PictureType::kNone:
            break;
    }
    return "";
}

// "<ms> <type> <comment>"
std::optional<RecorderMark> ParseMark(std::string_view text) {
    RecorderMark mark;
    const auto [after_time, time_error] =
        std::from_chars(text.data(), text.data() + text.size(), mark.time_ms);
    if (time_error != std::errc() || mark.time_ms < 0)
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(after_time - text.data()));
    if (text.size() < 3 || text[0] != ' ' || text[2] != ' ' || text[1] < '0' || text[1] > '2')
        return std::nullopt;
    mark.type = static_cast<recordstore::IndexMarkType>(text[1] - '0');
    const auto comment = Unescape(text.substr(3));
    if (!comment)
        return std::nullopt;
    mark.comment = *comment;
    return mark;
}

// Splits "name rest" at its first space.
std::pair<std::string_view, std::string_view> NameAndValue(std::string_view line) {
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return {line, {}};
    return {line.substr(0, space), line.substr(space + 1)};
}

}  // namespace

std::string FormatTakeDetails(const TakeDetails& details) {
    std::string text = "end " + Escape(details.end_log_date) + "\n";
    text += "subject " + Escape(details.subject) + "\n";
    text += "keywords " + Escape(details.keywords) + "\n";
    text += "picture " + std::string(PictureWord(details.picture)) + "\n";
    for (const RecorderMark& mark : details.marks) {
        text += "mark " + std::to_string(mark.time_ms) + " " +
                std::to_string(static_cast<int>(mark.type)) + " " + Escape(mark.comment) + "\n";
    }
    return text;
}

std::optional<TakeDetails> ParseTakeDetails(std::string_view text) {
    if (!text.empty() && !text.ends_with('\n'))
        return std::nullopt;
    TakeDetails details;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const auto [name, value] = NameAndValue(text.substr(0, end));
        text.remove_prefix(end + 1);
        if (name == "mark") {
            const auto mark = ParseMark(value);
            if (!mark)
                return std::nullopt;
            details.marks.push_back(*mark);
            continue;
        }
        if (name == "picture") {
            if (value == "gif")
                details.picture = recordstore::PictureType::kGif;
            else if (value == "jpg")
                details.picture = recordstore::PictureType::kJpg;
            else if (!value.empty())
                return std::nullopt;
            continue;
        }
        std::string* into = name == "end"        ? &details.end_log_date
                            : name == "subject"  ? &details.subject
                            : name == "keywords" ? &details.keywords
                                                 : nullptr;
        if (into == nullptr)
            continue;  // an item of a later version
        const auto unescaped = Unescape(value);
        if (!unescaped)
            return std::nullopt;
        *into = *unescaped;
    }
    return details;
}

}  // namespace kivo::recorder
