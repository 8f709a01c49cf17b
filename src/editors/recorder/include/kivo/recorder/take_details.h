// TakeDetails: what a recorder knows of a recording besides its audio: the
// subject, the keywords, the marks (comments and types), whether it has a
// picture and when the recording last stopped. A take's description keeps
// them after its first lines (take_journal.h), so that a take recovered
// after a crash comes back as the user left it.
//
// Stored as UTF-8 text, one item a line, each line ending with a line feed:
//
//   end <dd/mm/yyyy HH:MM:SS>          empty while recording
//   subject <text>
//   keywords <text>
//   picture <gif|jpg>                  empty for none
//   mark <ms> <type 0|1|2> <comment>   one line a mark, in time order
//
// In texts a backslash is written "\\", a line feed "\n", a carriage return
// "\r" and a tab "\t"; no other byte below 0x20 occurs. Lines of other
// names are passed over (a later version may add some).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/recorder/recorder_marks.h"
#include "kivo/recordstore/record_picture.h"

namespace kivo::recorder {

struct TakeDetails {
    std::string end_log_date;  // "dd/mm/yyyy HH:MM:SS"; empty while recording
    std::string subject;
    std::string keywords;
    recordstore::PictureType picture = recordstore::PictureType::kNone;
    std::vector<RecorderMark> marks;

    bool operator==(const TakeDetails&) const = default;
};

// The item lines of the details.
std::string FormatTakeDetails(const TakeDetails& details);
// Nullopt when an item is damaged (a malformed mark or picture, a control
// byte or a bad escape in a text, a last line without its line feed).
std::optional<TakeDetails> ParseTakeDetails(std::string_view lines);

}  // namespace kivo::recorder
