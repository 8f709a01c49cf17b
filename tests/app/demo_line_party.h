// The other party on the demo line in window tests: commands sent to the
// line's control socket, as the kivo-line tool sends them.
#pragma once

#include <string>

namespace kivo::test {

// One command to the socket; the reply line ("no line" when it cannot be
// reached).
std::string SendToLine(const std::string& socket_path, const std::string& command);

// The same, sent from another thread while the window's event loop runs (the
// line answers from that loop); waits up to six seconds.
std::string SendToLineWhileRunning(const std::string& socket_path, const std::string& command);

}  // namespace kivo::test
