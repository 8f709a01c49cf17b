// "kivo-line answer": a small answering machine on one line, through the
// flat interface of the telephony library, as the program's answering
// machine drives it: answer after the rings, play the greeting and a tone,
// record the caller, save the message when the caller hangs up.
#pragma once

#include <string>

namespace kivo::line_tool {

struct AnsweringOptions {
    int device = 0;  // 0 is the demo line
    int rings = 2;
    std::string greeting_path;  // a wave file; a short spoken-like tone when empty
    std::string message_path;   // where the caller's message is saved
    bool once = false;          // stop after the first call
};

// Runs until interrupted (or after one call with `once`); returns the exit
// status.
int RunAnsweringDemo(const AnsweringOptions& options);

}  // namespace kivo::line_tool
