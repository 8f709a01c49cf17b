// The client side of the demo line's control socket: one command, one reply.
#pragma once

#include <string>

namespace kivo::line_tool {

// Sends `command` to the line listening at `socket_path` and returns its
// reply line; false with a message in *reply when the line cannot be reached.
bool SendLineCommand(const std::string& socket_path, const std::string& command,
                     std::string* reply);

}  // namespace kivo::line_tool
