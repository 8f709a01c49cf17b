// The answering flow with SIPp as the caller: an independent SIP stack
// rings the local line and streams a wave file into the call.
#include <gtest/gtest.h>
#include <linphone/linphonecore.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "kivo/telephony/line_provider.h"
#include "kivo/telephony/sip_line.h"
#include "kivo/telephony/tapi_library.h"
#include "sipp_process.h"
#include "telephony_test_support.h"
#include "test_signals.h"

namespace kivo::test {
namespace {

using Clock = std::chrono::steady_clock;

TEST(SippCaller, AnsweredCallRecordsWhatSippStreamed) {
    if (!HaveProgram("sipp") || !HaveProgram("sox")) {
        GTEST_SKIP() << "sipp (sip-tester) or sox is not installed";
    }
    TempDir dir;
    // The caller's speech: six seconds of 1 kHz as 8 kHz u-law, for SIPp.
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -e u-law " + dir.file("speech.wav") +
                           " synth 6 sine 1000 vol 0.4")
                              .c_str()),
              0);
    WriteCallWave(dir.file("greeting.wav"), CallTone(1000, 440.0));
    WriteCallWave(dir.file("7.wav"), CallTone(300, 440.0));

    telephony::SipLineSettings settings;
    settings.name = "Local line";
    settings.local = true;
    settings.port = LC_SIP_TRANSPORT_RANDOM;
    settings.ring_period_ms = 200;
    telephony::SipLine* sip = nullptr;
    auto directory = [&] {
        std::vector<std::unique_ptr<telephony::LineProvider>> lines;
        auto line = std::make_unique<telephony::SipLine>(settings, dir.file(""));
        sip = line.get();
        lines.push_back(std::move(line));
        return lines;
    };
    TapiStatus status{};
    RecordingNotifier notifier;
    telephony::TapiLibrary library(status, directory, notifier, [](std::string_view) {});
    library.InitVar();
    status.rings = 1;
    status.autoAnswer = 1;
    library.Init();
    library.Open(nullptr);
    ASSERT_EQ(status.status, 0);
    const auto ready_by = Clock::now() + std::chrono::seconds(10);
    while (!sip->ready() && Clock::now() < ready_by) {
        library.Iterate();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(sip->ready());

    const pid_t sipp =
        StartSipp(dir.path().string(), SippScenario("caller_speaks.xml"), sip->listening_port());
    ASSERT_GT(sipp, 0);
    std::size_t handled = 0;
    int sipp_status = -1;
    std::string caller_name;
    std::string caller_number;
    const auto end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < end && notifier.Count(ZN2TAPI_MSG_IDLE) == 0) {
        library.Iterate();
        while (handled < notifier.messages.size()) {
            const int message = notifier.messages[handled++];
            if (message == ZN2TAPI_MSG_CALLER_ID) {
                caller_name = status.callerName;
                caller_number = status.callerNumber;
            } else if (message == ZN2TAPI_MSG_ANSWER_NOW) {
                library.Answer();
            } else if (message == ZN2TAPI_MSG_CONNECTED) {
                library.GetWaveId(4, "wave/in");
                library.GetWaveId(4, "wave/out");
                library.SetResource(dir.path().c_str(), 7);
                library.SetRecord(dir.file("take.raw").c_str(), dir.file("all.raw").c_str(),
                                  dir.file("message.wav").c_str());
                library.PlayFile(dir.file("greeting.wav").c_str());
            } else if (message == ZN2TAPI_MSG_DISCONNECTED) {
                status.recording = 1;
                library.Stop();
                library.Save();
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(::waitpid(sipp, &sipp_status, 0), sipp);
    EXPECT_TRUE(WIFEXITED(sipp_status) && WEXITSTATUS(sipp_status) == 0)
        << "sipp failed; see its log";
    EXPECT_EQ(caller_name, "SIPp Caller");
    EXPECT_EQ(caller_number, "7654321");
    EXPECT_EQ(notifier.Count(ZN2TAPI_MSG_ANSWER_NOW), 1);

    const auto saved = ReadWaveSamples(dir.file("message.wav"));
    const auto format = telephony::CallAudioFormat();
    EXPECT_GT(FrameCount(saved, format), 8000 * 3);  // six seconds less greeting and tone
    EXPECT_GT(ToneShare(saved, format, 1000.0), 0.5);
    library.Close();
}

TEST(SippCallee, BusyCalleePostsDisconnectedThenBusy) {
    if (!HaveProgram("sipp")) {
        GTEST_SKIP() << "sipp (sip-tester) is not installed";
    }
    TempDir dir;
    telephony::SipLineSettings settings;
    settings.name = "Local line";
    settings.local = true;
    settings.port = LC_SIP_TRANSPORT_RANDOM;
    telephony::SipLine* sip = nullptr;
    auto directory = [&] {
        std::vector<std::unique_ptr<telephony::LineProvider>> lines;
        auto line = std::make_unique<telephony::SipLine>(settings, dir.file(""));
        sip = line.get();
        lines.push_back(std::move(line));
        return lines;
    };
    TapiStatus status{};
    RecordingNotifier notifier;
    telephony::TapiLibrary library(status, directory, notifier, [](std::string_view) {});
    library.InitVar();
    status.rings = 3;
    library.Init();
    library.Open(nullptr);
    ASSERT_EQ(status.status, 0);
    const auto ready_by = Clock::now() + std::chrono::seconds(10);
    while (!sip->ready() && Clock::now() < ready_by) {
        library.Iterate();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const int sipp_port = SippPortFor(0);
    const pid_t sipp =
        StartSipp(dir.path().string(), SippScenario("callee_busy.xml"), 0, sipp_port);
    ASSERT_GT(sipp, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // SIPp binds its port
    library.Dial(("sip:bob@127.0.0.1:" + std::to_string(sipp_port)).c_str());
    EXPECT_EQ(status.status, 139);
    const auto end = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < end && notifier.Count(ZN2TAPI_MSG_IDLE) == 0) {
        library.Iterate();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int sipp_status = -1;
    ASSERT_EQ(::waitpid(sipp, &sipp_status, 0), sipp);
    EXPECT_TRUE(WIFEXITED(sipp_status) && WEXITSTATUS(sipp_status) == 0);
    EXPECT_EQ(notifier.Only({ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY, ZN2TAPI_MSG_FAILED}),
              (std::vector<int>{ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY}));
    library.Close();
}

}  // namespace
}  // namespace kivo::test
