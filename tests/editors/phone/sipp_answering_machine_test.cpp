// The answering machine and the line test on a real SIP line with SIPp: SIPp
// rings the local line, the machine answers, greets, records the RTP audio
// SIPp streams (a 1 kHz tone as u-law) and stores the message as a new
// phone record ("Answer Machine Message", kind "2") in a real data store;
// the line test dials SIPp as a busy callee; the Phone Recorder dials SIPp,
// records what it says, hangs up and stores the call (kind "3").
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linphone/linphonecore.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/record_list.h"
#include "kivo/core/user_messages.h"
#include "kivo/phone/answering_machine.h"
#include "kivo/phone/call_recorder.h"
#include "kivo/phone/line_tester.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/telephony/sip_line.h"
#include "telephony_test_support.h"
#include "temp_dir.h"
#include "test_signals.h"

extern char** environ;

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

// Starts SIPp in `folder` with one call of the scenario: as a caller of
// 127.0.0.1:remote_port, or (remote_port 0) as a callee on local_port.
pid_t StartSipp(const fs::path& folder, const std::string& scenario_name, int remote_port,
                int local_port = 0) {
    const std::string scenario = KIVO_SIPP_SCENARIO_DIR "/" + scenario_name;
    const std::string log = (folder / "sipp.log").string();
    std::vector<std::string> args = {"sipp",      "-sf",      scenario,
                                     "-m",        "1",        "-i",
                                     "127.0.0.1", "-p",       std::to_string(local_port),
                                     "-nostdin",  "-timeout", "30s",
                                     "-trace_err"};
    if (remote_port != 0)
        args.insert(args.begin() + 1, "127.0.0.1:" + std::to_string(remote_port));
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_APPEND, 0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "sipp", &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The local SIP line as the only line device.
telephony::LineDirectory LocalLine(const fs::path& folder, telephony::SipLine** sip) {
    return [folder, sip] {
        telephony::SipLineSettings settings;
        settings.name = "Local line";
        settings.local = true;
        settings.port = LC_SIP_TRANSPORT_RANDOM;
        settings.ring_period_ms = 200;
        std::vector<std::unique_ptr<telephony::LineProvider>> lines;
        auto line = std::make_unique<telephony::SipLine>(settings, folder.string() + "/");
        *sip = line.get();
        lines.push_back(std::move(line));
        return lines;
    };
}

class PostedMessages : public telephony::Notifier {
public:
    void Post(void*, int message) override { pending.push_back(message); }
    std::vector<int> pending;
};

struct Stored : AnsweringMachineHost {
    void TelephonyFailed(int status) override { failures.push_back(status); }
    void MessageStored(const AnsweredCall& answered, std::int32_t number, int code) override {
        call = answered;
        record_number = number;
        save_code = code;
    }
    std::vector<int> failures;
    AnsweredCall call;
    std::int32_t record_number = -1;
    int save_code = -1;
};

TEST(SippCallerAndTheMachine, TheMachineAnswersGreetsAndStoresWhatSippSaid) {
    if (!HaveProgram("sipp") || !HaveProgram("sox"))
        GTEST_SKIP() << "sipp (sip-tester) or sox is not installed";
    test::TempDir dir;
    const fs::path work = dir.path() / "work";
    const fs::path sounds = dir.path() / "sounds";
    const fs::path line_folder = dir.path() / "line";
    for (const fs::path& folder : {work, sounds, line_folder})
        fs::create_directories(folder);
    // What SIPp says: six seconds of 1 kHz as 8 kHz u-law.
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -e u-law " + dir.file("speech.wav") +
                           " synth 6 sine 1000 vol 0.4")
                              .c_str()),
              0);

    core::ProfileFile profile(dir.file("KIVO.ini"));
    core::DataStoreSession store(work, &profile, "anna");
    const core::StoreLocation location{dir.path(), "KIVO"};
    const int built = store.BuildDataStore(location);
    ASSERT_TRUE(built == 0 || built == 102) << built;
    store.set_location(location);
    ASSERT_EQ(store.LoadDataStore(), 0);
    test::WriteCallWave((work / "xrgreet.wav").string(), test::CallTone(800, 0.3));
    test::WriteCallWave((sounds / "3001.wav").string(), test::CallTone(200, 0.3));

    telephony::SipLine* sip = nullptr;
    TapiStatus status{};
    PostedMessages posted;
    telephony::TapiLibrary library(status, LocalLine(line_folder, &sip), posted,
                                   [](std::string_view) {});
    Stored host;
    AnsweringMachine machine(
        library,
        [&] { return recorder::RecorderTarget{work, store.store_path(), &profile, "anna", 0, {}}; },
        sounds, host);
    library.InitVar();
    status.rings = 2;
    library.Init();
    library.Open(&posted);
    ASSERT_EQ(status.lineOpen, 1);
    machine.SetOn(true);
    const auto ready_by = Clock::now() + std::chrono::seconds(10);
    while (!sip->ready() && Clock::now() < ready_by) {
        library.Iterate();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(sip->ready());

    const pid_t sipp = StartSipp(dir.path(), "caller_speaks.xml", sip->listening_port());
    ASSERT_GT(sipp, 0);
    const auto end = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < end && host.record_number < 0) {
        library.Iterate();
        std::vector<int> messages;
        messages.swap(posted.pending);
        for (int message : messages)
            machine.HandleMessage(message);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int sipp_status = -1;
    ASSERT_EQ(::waitpid(sipp, &sipp_status, 0), sipp);
    EXPECT_TRUE(WIFEXITED(sipp_status) && WEXITSTATUS(sipp_status) == 0)
        << test::ReadFileText(dir.file("sipp.log"));
    library.Close();

    EXPECT_TRUE(host.failures.empty());
    ASSERT_EQ(host.save_code, 0);
    EXPECT_EQ(host.record_number, 1);
    EXPECT_EQ(host.call.caller_name, "SIPp Caller");
    EXPECT_EQ(host.call.caller_number, "7654321");

    core::RecordList list;
    ASSERT_EQ(list.List(core::ViewKind::kPhone, work), 1);
    EXPECT_EQ(list.rows()[0].image, core::kImageNewMessage);
    EXPECT_EQ(list.rows()[0].columns[2], "SIPp Caller");
    const std::string log = test::ReadFileText((work / "Voxwren.xrp").string());
    recordstore::RecordLine line;
    ASSERT_TRUE(
        recordstore::RecordLine::Parse(log.substr(recordstore::kRecordLineBytes), &line).ok());
    const recordstore::RecordFields fields = line.Fields();
    EXPECT_EQ(fields.kind_code, "2");
    EXPECT_EQ(fields.kind_number, "7");

    // The stored message is SIPp's tone, most of its six seconds.
    const fs::path opened = dir.path() / "opened";
    fs::create_directories(opened);
    ASSERT_EQ(recordstore::RecordingContainer(fields.container_name, recordstore::MediaKind::kAudio)
                  .OpenFromStore(opened.string(), store.store_path().string(), 0),
              recordstore::ContainerResult::kDone);
    const auto saved = test::ReadWaveSamples(
        (opened / (fields.container_name.substr(0, fields.container_name.size() - 4) + ".xrw"))
            .string());
    const auto format = telephony::CallAudioFormat();
    EXPECT_GT(test::FrameCount(saved, format), 8000 * 3);
    EXPECT_GT(test::ToneShare(saved, format, 1000.0), 0.5);
}

class LogLines : public LineTesterHost {
public:
    void AppendLog(std::string_view line) override { log += line; }
    void NoDialTone() override { ++no_dial_tone; }
    std::string log;
    int no_dial_tone = 0;
};

TEST(SippCalleeAndTheLineTest, ABusySipPeerIsLoggedAsBusyAndTheLineShutsDown) {
    if (!HaveProgram("sipp"))
        GTEST_SKIP() << "sipp (sip-tester) is not installed";
    test::TempDir dir;
    const fs::path line_folder = dir.path() / "line";
    fs::create_directories(line_folder);
    test::WriteCallWave(dir.file("greeting.wav"), test::CallTone(300, 0.3));
    TapiStatus status{};
    PostedMessages posted;
    telephony::SipLine* sip = nullptr;
    telephony::TapiLibrary library(status, LocalLine(line_folder, &sip), posted,
                                   [](std::string_view) {});
    library.InitVar();
    library.Init();
    LogLines host;
    LineTester tester(library, dir.path(), dir.file("greeting.wav"), host);
    // A free port for SIPp: the pid keeps parallel runs apart.
    const int sipp_port = 20000 + static_cast<int>(::getpid() % 20000);
    const pid_t sipp = StartSipp(dir.path(), "callee_busy.xml", 0, sipp_port);
    ASSERT_GT(sipp, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // SIPp binds its port
    ASSERT_EQ(tester.Start(0, "sip:bob@127.0.0.1:" + std::to_string(sipp_port), &posted),
              LineTester::StartResult::kRunning)
        << host.log;
    const auto end = Clock::now() + std::chrono::seconds(15);
    while (Clock::now() < end && tester.running()) {
        if (status.lineOpen != 0)
            library.Iterate();
        std::vector<int> messages;
        messages.swap(posted.pending);
        for (int message : messages)
            tester.HandleMessage(message);
        tester.Tick(std::chrono::milliseconds(20));
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int sipp_status = -1;
    ASSERT_EQ(::waitpid(sipp, &sipp_status, 0), sipp);
    EXPECT_FALSE(tester.running());
    EXPECT_EQ(host.no_dial_tone, 0);
    EXPECT_EQ(host.log,
              "Line opened : Passed\r\n"
              "Dialing...\r\n"
              "Dialing : Passed\r\n"
              "Disconnected : Passed\r\n"
              "The number dialed was busy.\r\n"
              "Idle : Passed\r\n"
              "Line shutdown : Passed\r\n"
              "================================\r\n\r\n");
}

TEST(SippCalleeAndThePhoneRecorder, ACallDialledToSippIsRecordedHungUpAndStored) {
    if (!HaveProgram("sipp") || !HaveProgram("sox"))
        GTEST_SKIP() << "sipp (sip-tester) or sox is not installed";
    test::TempDir dir;
    const fs::path work = dir.path() / "work";
    const fs::path takes = dir.path() / "Takes";
    const fs::path line_folder = dir.path() / "line";
    for (const fs::path& folder : {work, line_folder})
        fs::create_directories(folder);
    // What SIPp says: six seconds of 1 kHz as 8 kHz u-law.
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -e u-law " + dir.file("speech.wav") +
                           " synth 6 sine 1000 vol 0.4")
                              .c_str()),
              0);
    core::ProfileFile profile(dir.file("KIVO.ini"));
    core::DataStoreSession store(work, &profile, "anna");
    const core::StoreLocation location{dir.path(), "KIVO"};
    const int built = store.BuildDataStore(location);
    ASSERT_TRUE(built == 0 || built == 102) << built;
    store.set_location(location);
    ASSERT_EQ(store.LoadDataStore(), 0);

    telephony::SipLine* sip = nullptr;
    TapiStatus status{};
    PostedMessages posted;
    telephony::TapiLibrary library(status, LocalLine(line_folder, &sip), posted,
                                   [](std::string_view) {});
    recorder::RecorderTarget target{{}, {}, &profile, "anna", 0, takes};
    recorder::BindToSession(target, store);
    core::RecordingMessageReporter reporter{core::kAnswerYes};
    CallRecorder recorder(library, target, reporter);
    library.InitVar();
    library.Init();
    library.Open(&posted);
    ASSERT_EQ(status.lineOpen, 1);
    const auto ready_by = Clock::now() + std::chrono::seconds(10);
    while (!sip->ready() && Clock::now() < ready_by) {
        library.Iterate();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(sip->ready());

    // A free port for SIPp: the pid keeps parallel runs apart.
    const int sipp_port = 20000 + static_cast<int>((::getpid() + 7) % 20000);
    const pid_t sipp = StartSipp(dir.path(), "callee_speaks.xml", 0, sipp_port);
    ASSERT_GT(sipp, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // SIPp binds its port
    const std::string number = "bob@127.0.0.1:" + std::to_string(sipp_port);
    ASSERT_LE(number.size(), kDialNumberMaxChars);
    ASSERT_TRUE(recorder.Dial(number));

    // Recorded for three seconds once connected, then hung up.
    std::optional<Clock::time_point> recording_since;
    bool journal_kept = false;
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < end && recorder.stage() != CallStage::kEnded) {
        library.Iterate();
        std::vector<int> messages;
        messages.swap(posted.pending);
        for (int message : messages)
            recorder.HandleMessage(message);
        recorder.Refresh();
        if (recorder.stage() == CallStage::kConnected && !recording_since) {
            ASSERT_TRUE(recorder.Pickup());
            journal_kept = recorder.journal_kept();
            recording_since = Clock::now();
        }
        if (recording_since && Clock::now() - *recording_since > std::chrono::seconds(3))
            recorder.HangUp();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(recorder.stage(), CallStage::kEnded);
    const auto bye_by = Clock::now() + std::chrono::seconds(3);
    while (Clock::now() < bye_by && status.call != 0) {
        library.Iterate();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    int sipp_status = -1;
    ASSERT_EQ(::waitpid(sipp, &sipp_status, 0), sipp);
    EXPECT_TRUE(WIFEXITED(sipp_status) && WEXITSTATUS(sipp_status) == 0)
        << test::ReadFileText(dir.file("sipp.log"));
    library.Close();
    EXPECT_TRUE(journal_kept);

    ASSERT_EQ(recorder.Save(), 0);
    EXPECT_TRUE(reporter.reports().empty());
    EXPECT_TRUE(fs::is_empty(takes));
    const std::string log = test::ReadFileText((work / "Voxwren.xrp").string());
    recordstore::RecordLine line;
    ASSERT_TRUE(
        recordstore::RecordLine::Parse(log.substr(recordstore::kRecordLineBytes), &line).ok());
    const recordstore::RecordFields fields = line.Fields();
    EXPECT_EQ(fields.kind_code, "3");
    EXPECT_EQ(fields.subject, number);

    // The stored call is SIPp's tone, about the three seconds recorded.
    const fs::path opened = dir.path() / "opened";
    fs::create_directories(opened);
    ASSERT_EQ(recordstore::RecordingContainer(fields.container_name, recordstore::MediaKind::kAudio)
                  .OpenFromStore(opened.string(), store.store_path().string(), 0),
              recordstore::ContainerResult::kDone);
    const auto saved = test::ReadWaveSamples(
        (opened / (fields.container_name.substr(0, fields.container_name.size() - 4) + ".xrw"))
            .string());
    const auto format = telephony::CallAudioFormat();
    EXPECT_GT(test::FrameCount(saved, format), 8000 * 2);
    EXPECT_LT(test::FrameCount(saved, format), 8000 * 5);
    EXPECT_GT(test::ToneShare(saved, format, 1000.0), 0.5);
}

}  // namespace
}  // namespace kivo::phone
