#include "line_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace kivo::line_tool {

namespace {
constexpr int kReplyWaitMs = 5000;
}

bool SendLineCommand(const std::string& socket_path, const std::string& command,
                     std::string* reply) {
    sockaddr_un address{};
    if (socket_path.size() >= sizeof address.sun_path) {
        *reply = "the socket path is too long: " + socket_path;
        return false;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socket_path.c_str(), socket_path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0) {
            ::close(fd);
        }
        *reply = "the demo line is not open (nothing listens at " + socket_path + ")";
        return false;
    }
    const std::string line = command + "\n";
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
        ::close(fd);
        *reply = "the demo line closed the connection";
        return false;
    }
    reply->clear();
    char chunk[512];
    pollfd wait{fd, POLLIN, 0};
    while (reply->find('\n') == std::string::npos && ::poll(&wait, 1, kReplyWaitMs) > 0) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            break;
        }
        reply->append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (reply->empty()) {
        *reply = "the demo line did not answer";
        return false;
    }
    reply->erase(reply->find_last_not_of("\r\n") + 1);
    return true;
}

}  // namespace kivo::line_tool
