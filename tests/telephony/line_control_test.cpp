// The demo line's control commands and its socket.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "kivo/telephony/line_codes.h"
#include "kivo/telephony/line_control.h"
#include "kivo/telephony/simulated_line.h"
#include "kivo/telephony/tapi_library.h"
#include "telephony_test_support.h"

namespace kivo::test {
namespace {

using telephony::ExecuteLineCommand;

std::string SendCommand(const std::string& socket_path, const std::string& command,
                        telephony::SimulatedLine& line) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string text = command + "\n";
    EXPECT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    line.Iterate();  // the line answers the waiting connection
    char reply[256] = {};
    const ssize_t got = ::read(fd, reply, sizeof reply - 1);
    ::close(fd);
    return got > 0 ? std::string(reply, static_cast<std::size_t>(got)) : std::string();
}

TEST(LineControl, CommandsPlayTheOtherPartyAndRefuseWhatTheLineCannotDo) {
    TelephonyBench bench;
    bench.OpenLine(5, false);
    telephony::SimulatedLine& line = *bench.line;
    EXPECT_EQ(ExecuteLineCommand(line, "hangup"), "error no call on the line");
    EXPECT_EQ(ExecuteLineCommand(line, "ring 5551234 Ann  Smith"), "ok");
    EXPECT_EQ(ExecuteLineCommand(line, "ring 1 again"), "error the line is busy or not open");
    EXPECT_EQ(ExecuteLineCommand(line, "status"), "ok ringing");
    bench.Run(20);
    EXPECT_STREQ(bench.status.callerName, "Ann Smith");
    EXPECT_EQ(ExecuteLineCommand(line, "connect"), "error no call is being dialled");
    EXPECT_EQ(ExecuteLineCommand(line, "speak /no/such/file.wav").rfind("error", 0), 0u);
    EXPECT_EQ(ExecuteLineCommand(line, "hangup"), "ok");
    EXPECT_EQ(ExecuteLineCommand(line, "nodialtone maybe").rfind("error unknown", 0), 0u);
    EXPECT_EQ(ExecuteLineCommand(line, "").rfind("error unknown", 0), 0u);
}

TEST(LineControl, RingWithADashHasNoNumber) {
    TelephonyBench bench;
    bench.OpenLine(5, false);
    EXPECT_EQ(ExecuteLineCommand(*bench.line, "ring - Withheld"), "ok");
    bench.Run(20);
    EXPECT_STREQ(bench.status.callerName, "Withheld");
    EXPECT_EQ(bench.status.callerIdValid, 0);
}

TEST(LineControl, SpeakAndHeardMoveWaveFilesThroughTheCall) {
    TelephonyBench bench;
    bench.answering_machine = true;
    bench.OpenLine(1, true);
    ASSERT_EQ(ExecuteLineCommand(*bench.line, "ring 42 Bob"), "ok");
    bench.Run(TelephonyBench::kRingPeriodMs + 1100);
    const auto speech = CountingCallAudio(600, 9);
    WriteCallWave(bench.dir.file("caller.wav"), speech);
    EXPECT_EQ(ExecuteLineCommand(*bench.line, "speak " + bench.dir.file("caller.wav")), "ok");
    bench.Run(700);
    EXPECT_EQ(ExecuteLineCommand(*bench.line, "heard " + bench.dir.file("heard.wav")),
              "ok 16000 bytes");
    EXPECT_EQ(ReadWaveSamples(bench.dir.file("heard.wav")).size(), 16000u);
    EXPECT_EQ(ExecuteLineCommand(*bench.line, "hangup"), "ok");
    bench.Run(40);
    EXPECT_EQ(ReadWaveSamples(bench.dir.file("message.wav")), speech);
}

TEST(LineControl, TheSocketIsTheUsersAloneAndAnswersOneCommandPerConnection) {
    TempDir dir;
    telephony::SimulatedLine::Options options;
    options.control_socket_path = dir.file("line.sock");
    telephony::SimulatedLine line(options);
    RecordingNotifier notifier;
    struct NoEvents : telephony::LineEvents {
        void OnLineMessage(std::uint32_t, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                           std::uintptr_t) override {}
        void OnCallerAudio(const std::uint8_t*, std::size_t) override {}
        void OnPlaybackDone() override {}
    } events;
    ASSERT_EQ(line.Open(&events, 2), 0);
    struct stat info {};
    ASSERT_EQ(::stat(options.control_socket_path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0077, 0u);
    EXPECT_EQ(SendCommand(options.control_socket_path, "ring 5551234 Ann", line), "ok\n");
    EXPECT_EQ(SendCommand(options.control_socket_path, "status", line), "ok ringing\n");
    line.Close();
    EXPECT_NE(::access(options.control_socket_path.c_str(), F_OK), 0);
}

TEST(LineControl, AFileInTheSocketsPlaceIsLeftAloneAndTheLineStaysClosed) {
    TempDir dir;
    const std::string path = dir.file("line.sock");
    FILE* file = std::fopen(path.c_str(), "w");
    std::fputs("precious", file);
    std::fclose(file);
    telephony::SimulatedLine::Options options;
    options.control_socket_path = path;
    telephony::SimulatedLine line(options);
    struct NoEvents : telephony::LineEvents {
        void OnLineMessage(std::uint32_t, std::uintptr_t, std::uintptr_t, std::uintptr_t,
                           std::uintptr_t) override {}
        void OnCallerAudio(const std::uint8_t*, std::size_t) override {}
        void OnPlaybackDone() override {}
    } events;
    EXPECT_EQ(line.Open(&events, 2), telephony::kLineErrResourceUnavail);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
}

}  // namespace
}  // namespace kivo::test
