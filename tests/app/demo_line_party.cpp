// The other party on the demo line (see demo_line_party.h).
#include "demo_line_party.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTest>
#include <chrono>
#include <cstring>
#include <future>

namespace kivo::test {

std::string SendToLine(const std::string& socket_path, const std::string& command) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (fd >= 0)
            ::close(fd);
        return "no line";
    }
    const std::string line = command + "\n";
    ::send(fd, line.data(), line.size(), MSG_NOSIGNAL);
    std::string reply;
    char chunk[256];
    pollfd wait{fd, POLLIN, 0};
    while (reply.find('\n') == std::string::npos && ::poll(&wait, 1, 5000) > 0) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got <= 0)
            break;
        reply.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return reply;
}

std::string SendToLineWhileRunning(const std::string& socket_path, const std::string& command) {
    auto reply = std::async(std::launch::async,
                            [socket_path, command] { return SendToLine(socket_path, command); });
    const bool ready = QTest::qWaitFor(
        [&reply] { return reply.wait_for(std::chrono::seconds(0)) == std::future_status::ready; },
        6000);
    if (!ready)
        return "no reply";
    return reply.get();
}

}  // namespace kivo::test
