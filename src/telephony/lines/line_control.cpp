#include "kivo/telephony/line_control.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "kivo/telephony/line_provider.h"
#include "kivo/telephony/simulated_line.h"
#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::telephony {
namespace {

constexpr std::size_t kMaxCommandBytes = 4096;
constexpr int kReadWaitMs = 200;

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// Splits "verb rest" at the first space.
std::pair<std::string, std::string> SplitWord(const std::string& text) {
    const auto space = text.find(' ');
    if (space == std::string::npos) {
        return {text, {}};
    }
    return {text.substr(0, space), Trim(std::string_view(text).substr(space + 1))};
}

std::string Result(bool done, const char* refusal) {
    return done ? "ok" : std::string("error ") + refusal;
}

std::string SpeakFile(SimulatedLine& line, const std::string& path) {
    wavefile::WaveData wave;
    const auto read = wavefile::ReadWaveFile(path, &wave);
    if (!read.ok()) {
        return "error " + read.message();
    }
    const auto pcm = wave.info.format.AsPlayablePcm();
    if (!pcm) {
        return "error not a PCM wave file";
    }
    const auto samples =
        wavefile::ConvertPcm(wave.samples.data(), wave.samples.size(), *pcm, CallAudioFormat());
    return Result(line.Speak(samples), "no call on the line");
}

std::string SaveHeard(SimulatedLine& line, const std::string& path) {
    const auto written = wavefile::WritePcmWave(path, CallAudioFormat(), line.heard());
    return written.ok() ? "ok " + std::to_string(line.heard().size()) + " bytes"
                        : "error " + written.message();
}

}  // namespace

std::string ExecuteLineCommand(SimulatedLine& line, std::string_view command) {
    const auto [verb, rest] = SplitWord(Trim(command));
    if (verb == "ring") {
        auto [number, name] = SplitWord(rest);
        if (number == "-") {
            number.clear();
        }
        return Result(line.Ring(number, name), "the line is busy or not open");
    }
    if (verb == "connect") {
        return Result(line.Connect(), "no call is being dialled");
    }
    if (verb == "busy") {
        return Result(line.Busy(), "no call is being dialled");
    }
    if (verb == "hangup") {
        return Result(line.HangUp(), "no call on the line");
    }
    if (verb == "speak" && !rest.empty()) {
        return SpeakFile(line, rest);
    }
    if (verb == "heard" && !rest.empty()) {
        return SaveHeard(line, rest);
    }
    if (verb == "nodialtone" && (rest == "on" || rest == "off")) {
        line.SetNoDialTone(rest == "on");
        return "ok";
    }
    if (verb == "status") {
        std::ostringstream reply;
        reply << "ok " << line.StateName();
        if (!line.dialled_number().empty()) {
            reply << " dialled " << line.dialled_number();
        }
        return reply.str();
    }
    return "error unknown command (ring, connect, busy, speak, hangup, nodialtone, heard, status)";
}

std::string DefaultLineSocketPath() {
    if (const char* forced = std::getenv("KIVO_LINE_SOCKET"); forced != nullptr && *forced) {
        return forced;
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
        return std::string(runtime) + "/kivo-line.sock";
    }
    return "/tmp/kivo-line-" + std::to_string(::getuid()) + ".sock";
}

LineControlSocket::LineControlSocket(std::string path) : path_(std::move(path)) {
    sockaddr_un address{};
    if (path_.size() >= sizeof address.sun_path) {
        return;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    // A socket left behind by an earlier run is replaced; anything else at
    // that path is left alone and the line stays closed.
    struct stat existing {};
    if (::lstat(path_.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode) || existing.st_uid != ::getuid()) {
            return;
        }
        ::unlink(path_.c_str());
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return;
    }
    const mode_t old_mask = ::umask(0077);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(old_mask);
    if (!bound || ::listen(fd, 4) != 0) {
        ::close(fd);
        return;
    }
    fd_ = fd;
}

LineControlSocket::~LineControlSocket() {
    if (fd_ >= 0) {
        ::close(fd_);
        ::unlink(path_.c_str());
    }
}

void LineControlSocket::Serve(SimulatedLine& line) {
    if (fd_ < 0) {
        return;
    }
    for (;;) {
        const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            return;
        }
        std::string command;
        char chunk[512];
        pollfd wait{client, POLLIN, 0};
        while (command.find('\n') == std::string::npos && command.size() < kMaxCommandBytes &&
               ::poll(&wait, 1, kReadWaitMs) > 0) {
            const ssize_t got = ::read(client, chunk, sizeof chunk);
            if (got <= 0) {
                break;
            }
            command.append(chunk, static_cast<std::size_t>(got));
        }
        command = command.substr(0, std::min(command.find('\n'), kMaxCommandBytes));
        const std::string reply = ExecuteLineCommand(line, command) + "\n";
        [[maybe_unused]] const ssize_t sent =
            ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        ::close(client);
    }
}

}  // namespace kivo::telephony
