// The demo line's control interface: one text command per connection on a
// Unix-domain socket (made readable and writable by the user alone), one
// reply line back. kivo-line is its client.
//
//   ring <number> [<name>...]   a call comes in ("-" for no number)
//   connect                     the party Kivo dialled answers
//   busy                        the party Kivo dialled is busy
//   speak <wave file>           the caller speaks the file (any PCM wave);
//                               the speech flows while Kivo records
//   hangup                      the other party hangs up
//   nodialtone on|off           take the dial tone away, or give it back
//   heard <wave file>           save what Kivo played into the call
//   status                      the line's state and the caller's number
//
// Replies begin with "ok" or "error". Commands are limited to 4096 bytes.
#pragma once

#include <string>
#include <string_view>

namespace kivo::telephony {

class SimulatedLine;

// Runs one command on the line and returns the reply line (no line feed).
std::string ExecuteLineCommand(SimulatedLine& line, std::string_view command);

// The socket path used when none is configured: $XDG_RUNTIME_DIR/kivo-line.sock,
// or /tmp/kivo-line-<uid>.sock without a runtime folder; KIVO_LINE_SOCKET
// overrides both.
std::string DefaultLineSocketPath();

class LineControlSocket {
public:
    explicit LineControlSocket(std::string path);
    ~LineControlSocket();
    LineControlSocket(const LineControlSocket&) = delete;
    LineControlSocket& operator=(const LineControlSocket&) = delete;

    bool listening() const { return fd_ >= 0; }
    // Answers the connections waiting now; never blocks for long.
    void Serve(SimulatedLine& line);

private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace kivo::telephony
