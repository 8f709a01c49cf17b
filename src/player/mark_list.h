// The index marks of an opened recording, as the player lists them: in time
// order, with the comment ready for the screen.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

namespace kivo::player {

struct PlayerMark {
    QString comment;     // stored 0xAC turned back into spaces
    QString time_stamp;  // "hh:mm:ss" as stored
    std::int64_t time_ms = 0;
};

// Reads the index-mark file at `path`, sorted by time (stable: marks at the
// same second keep their order). A missing or unreadable file gives no marks.
std::vector<PlayerMark> LoadMarks(const std::string& path);

}  // namespace kivo::player
