// SIP calls between the library's local line and a second liblinphone core
// in the same process, over 127.0.0.1, with a private HOME and no IPv6.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linphone/linphonecore.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "kivo/telephony/line_configuration.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/telephony/sip_line.h"
#include "kivo/telephony/tapi_library.h"
#include "telephony_test_support.h"
#include "test_signals.h"

namespace kivo::test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGreetingHz = 440.0;
constexpr double kCallerHz = 1000.0;

// The other party: a plain liblinphone core speaking a wave file.
class Peer {
public:
    Peer(const std::string& data_folder, const std::string& speech_path,
         const std::string& heard_path) {
        LinphoneFactory* factory = linphone_factory_get();
        // The factory keeps one data folder per process: this core's own.
        std::filesystem::create_directories(data_folder);
        linphone_factory_set_data_dir(factory, data_folder.c_str());
        linphone_factory_set_config_dir(factory, data_folder.c_str());
        LinphoneCoreCbs* cbs = linphone_factory_create_core_cbs(factory);
        linphone_core_cbs_set_call_state_changed(cbs, &Peer::OnCallState);
        lc_ = linphone_factory_create_core_3(factory, nullptr, nullptr, nullptr);
        linphone_core_add_callbacks(lc_, cbs);
        linphone_core_cbs_unref(cbs);
        linphone_core_set_user_data(lc_, this);
        linphone_core_enable_ipv6(lc_, FALSE);
        linphone_core_set_audio_port(lc_, 7078);  // the library's default, kept on purpose
        linphone_core_set_use_files(lc_, TRUE);
        linphone_core_set_play_file(lc_, speech_path.c_str());
        linphone_core_set_record_file(lc_, heard_path.c_str());
        linphone_core_set_ring(lc_, nullptr);
        linphone_core_set_ringback(lc_, nullptr);
        linphone_core_enable_video_capture(lc_, FALSE);
        linphone_core_enable_video_display(lc_, FALSE);
        LinphoneTransports* transports = linphone_factory_create_transports(factory);
        linphone_transports_set_udp_port(transports, LC_SIP_TRANSPORT_RANDOM);
        linphone_transports_set_tcp_port(transports, LC_SIP_TRANSPORT_RANDOM);
        linphone_core_set_transports(lc_, transports);
        linphone_transports_unref(transports);
        linphone_core_set_primary_contact(lc_, "\"Ann Caller\" <sip:5551234@127.0.0.1>");
        linphone_core_start(lc_);
    }
    ~Peer() {
        linphone_core_set_user_data(lc_, nullptr);
        linphone_core_stop(lc_);
        linphone_core_unref(lc_);
    }

    bool on() const { return linphone_core_get_global_state(lc_) == LinphoneGlobalOn; }
    void Iterate() { linphone_core_iterate(lc_); }
    int port() const {
        LinphoneTransports* used = linphone_core_get_transports_used(lc_);
        const int port = linphone_transports_get_udp_port(used);
        linphone_transports_unref(used);
        return port;
    }
    void Call(const std::string& uri) { linphone_core_invite(lc_, uri.c_str()); }
    void HangUp() { linphone_core_terminate_all_calls(lc_); }

    bool busy = false;
    LinphoneCallState last_state = LinphoneCallStateIdle;

private:
    static void OnCallState(LinphoneCore* lc, LinphoneCall* call, LinphoneCallState state,
                            const char*) {
        auto* peer = static_cast<Peer*>(linphone_core_get_user_data(lc));
        if (peer == nullptr) {
            return;
        }
        peer->last_state = state;
        if (state == LinphoneCallStateIncomingReceived && peer->busy) {
            linphone_call_decline(call, LinphoneReasonBusy);
        }
    }

    LinphoneCore* lc_ = nullptr;
};

class SipLoopback : public ::testing::Test {
protected:
    void SetUp() override {
        const char* home = std::getenv("HOME");
        saved_home_ = home != nullptr ? home : "";
        ::setenv("HOME", dir_.path().c_str(), 1);
        WriteCallWave(dir_.file("greeting.wav"), CallTone(1000, kGreetingHz));
        WriteCallWave(dir_.file("7.wav"), CallTone(300, kGreetingHz));
        WriteCallWave(dir_.file("speech.wav"),
                      MakeTone(telephony::CallAudioFormat(), kCallerHz, 6000, 0.4));

        telephony::SipLineSettings settings;
        settings.name = "Local line";
        settings.local = true;
        settings.listen_address = "127.0.0.1";
        settings.port = LC_SIP_TRANSPORT_RANDOM;
        settings.ring_period_ms = 200;
        auto directory = [this, settings] {
            std::vector<std::unique_ptr<telephony::LineProvider>> lines;
            auto line = std::make_unique<telephony::SipLine>(settings);
            sip_ = line.get();
            lines.push_back(std::move(line));
            return lines;
        };
        library_ = std::make_unique<telephony::TapiLibrary>(status_, directory, notifier_,
                                                            [](std::string_view) {});
        peer_ = std::make_unique<Peer>(dir_.file("peer-data"), dir_.file("speech.wav"),
                                       dir_.file("peer-heard.wav"));
    }

    void TearDown() override {
        library_->Close();
        library_.reset();
        peer_.reset();
        ::setenv("HOME", saved_home_.c_str(), 1);
    }

    void OpenLine(int rings, bool auto_answer) {
        library_->InitVar();
        status_.rings = rings;
        status_.autoAnswer = auto_answer ? 1 : 0;
        library_->Init();
        library_->Open(this);
        ASSERT_EQ(status_.status, 0);
        ASSERT_TRUE(RunUntil([&] { return sip_->ready() && peer_->on(); }, 10000));
    }

    // Iterates both sides every 20 ms, the host reacting like the answering
    // machine, until `done` or the time runs out.
    template <typename Done>
    bool RunUntil(Done done, int limit_ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(limit_ms);
        while (Clock::now() < end) {
            library_->Iterate();
            peer_->Iterate();
            React();
            if (done()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    void React() {
        while (handled_ < notifier_.messages.size()) {
            const int message = notifier_.messages[handled_++];
            if (message == ZN2TAPI_MSG_ANSWER_NOW) {
                library_->Answer();
            } else if (message == ZN2TAPI_MSG_CONNECTED && status_.incoming == 1) {
                library_->GetWaveId(4, "wave/in");
                library_->GetWaveId(4, "wave/out");
                library_->SetResource(dir_.path().c_str(), 7);
                library_->SetRecord(dir_.file("take.raw").c_str(), dir_.file("all.raw").c_str(),
                                    dir_.file("message.wav").c_str());
                library_->PlayFile(dir_.file("greeting.wav").c_str());
            } else if (message == ZN2TAPI_MSG_DISCONNECTED && status_.incoming == 1 &&
                       status_.recorder.hasData != 0) {
                status_.recording = 1;
                library_->Stop();
                library_->Save();
            }
        }
    }

    std::string LocalUri(const std::string& user) const {
        return "sip:" + user + "@127.0.0.1:" + std::to_string(sip_->listening_port());
    }

    TempDir dir_;
    std::string saved_home_;
    TapiStatus status_{};
    RecordingNotifier notifier_;
    std::unique_ptr<telephony::TapiLibrary> library_;
    telephony::SipLine* sip_ = nullptr;
    std::unique_ptr<Peer> peer_;
    std::size_t handled_ = 0;
};

TEST_F(SipLoopback, AnsweredCallPlaysGreetingAndResourceThenRecordsTheCaller) {
    ASSERT_NO_FATAL_FAILURE(OpenLine(3, true));
    peer_->Call(LocalUri("kivo"));
    ASSERT_TRUE(RunUntil([&] { return notifier_.Count(ZN2TAPI_MSG_CONNECTED) > 0; }, 10000));
    EXPECT_EQ(notifier_.Only({ZN2TAPI_MSG_RING, ZN2TAPI_MSG_ANSWER_NOW}),
              (std::vector<int>{ZN2TAPI_MSG_RING, ZN2TAPI_MSG_ANSWER_NOW}));
    EXPECT_STREQ(status_.callerName, "Ann Caller");
    EXPECT_STREQ(status_.callerNumber, "5551234");
    EXPECT_EQ(status_.callerIdValid, 1);

    // Greeting (1 s) and resource (0.3 s), then the chain records.
    ASSERT_TRUE(RunUntil(
        [&] { return status_.recorder.takeFile >= 0 && status_.recorder.playing == 0; }, 8000));
    EXPECT_EQ(notifier_.Count(ZN2TAPI_MSG_RECORDING), 0);
    RunUntil([] { return false; }, 2000);
    EXPECT_GT(status_.recorder.maxLevel, 0);
    peer_->HangUp();
    ASSERT_TRUE(RunUntil([&] { return notifier_.Count(ZN2TAPI_MSG_IDLE) > 0; }, 5000));
    EXPECT_EQ(status_.status, 0);

    const auto saved = ReadWaveSamples(dir_.file("message.wav"));
    const auto format = telephony::CallAudioFormat();
    EXPECT_GT(FrameCount(saved, format), 8000);  // more than a second of the caller
    EXPECT_GT(ToneShare(saved, format, kCallerHz), 0.5);
    EXPECT_LT(ToneShare(saved, format, kGreetingHz), 0.1);
}

TEST_F(SipLoopback, BusyPeerPostsDisconnectedThenBusy) {
    ASSERT_NO_FATAL_FAILURE(OpenLine(3, false));
    peer_->busy = true;
    library_->Dial(("sip:bob@127.0.0.1:" + std::to_string(peer_->port())).c_str());
    EXPECT_EQ(status_.status, 139);
    ASSERT_TRUE(RunUntil([&] { return notifier_.Count(ZN2TAPI_MSG_IDLE) > 0; }, 10000));
    EXPECT_EQ(notifier_.Only({ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY, ZN2TAPI_MSG_FAILED}),
              (std::vector<int>{ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY}));
}

TEST_F(SipLoopback, UnreachablePeerGivesNoDialTone) {
    ASSERT_NO_FATAL_FAILURE(OpenLine(3, false));
    // Nothing listens on TCP port 9 (discard) on this machine.
    library_->Dial("sip:nobody@127.0.0.1:9;transport=tcp");
    EXPECT_EQ(status_.status, 139);
    ASSERT_TRUE(RunUntil([&] { return notifier_.Count(ZN2TAPI_MSG_IDLE) > 0; }, 10000));
    EXPECT_EQ(notifier_.Only({ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY, ZN2TAPI_MSG_FAILED}),
              (std::vector<int>{ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_FAILED}));
}

}  // namespace
}  // namespace kivo::test

namespace kivo::test {
namespace {

// Local addresses ("0100007F:13C4") bound to `port` in a /proc/net table.
std::vector<std::string> BoundAddresses(const std::string& table, int port) {
    std::ifstream file(table);
    std::string line;
    std::vector<std::string> found;
    char wanted[8];
    std::snprintf(wanted, sizeof wanted, ":%04X", port);
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string slot, local;
        fields >> slot >> local;
        if (local.size() > 5 && local.compare(local.size() - 5, 5, wanted) == 0) {
            found.push_back(local.substr(0, local.size() - 5));
        }
    }
    return found;
}

void SendDatagram(int port, const std::string& bytes) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&address),
             sizeof address);
    ::close(fd);
}

std::string Invite(int port, const std::string& from, const std::string& call_id) {
    const std::string target = "sip:kivo@127.0.0.1:" + std::to_string(port);
    return "INVITE " + target +
           " SIP/2.0\r\n"
           "Via: SIP/2.0/UDP 127.0.0.1:5999;branch=z9hG4bK-" +
           call_id +
           "\r\n"
           "Max-Forwards: 70\r\n"
           "From: " +
           from + ";tag=" + call_id +
           "\r\n"
           "To: <" +
           target +
           ">\r\n"
           "Call-ID: " +
           call_id +
           "@127.0.0.1\r\n"
           "CSeq: 1 INVITE\r\n"
           "Contact: <sip:eve@127.0.0.1:5999>\r\n"
           "Content-Length: 0\r\n\r\n";
}

TEST_F(SipLoopback, TheLocalLineListensOnTheLoopbackAddressOnly) {
    ASSERT_NO_FATAL_FAILURE(OpenLine(3, false));
    const int port = sip_->listening_port();
    ASSERT_GT(port, 0);
    const auto udp = BoundAddresses("/proc/net/udp", port);
    ASSERT_FALSE(udp.empty());
    for (const auto& address : udp) {
        EXPECT_EQ(address, "0100007F");
    }
    EXPECT_TRUE(BoundAddresses("/proc/net/udp6", port).empty());
}

TEST_F(SipLoopback, HostileInvitesNeverCrashAndTheCallerTextIsCleaned) {
    ASSERT_NO_FATAL_FAILURE(OpenLine(50, false));
    const int port = sip_->listening_port();
    // Garbage, a truncated request, and headers that do not parse.
    SendDatagram(port, std::string(3000, '\xff'));
    SendDatagram(port, "INVITE sip:kivo@127.0.0.1 SIP/2.0\r\nVia: \r\nFrom: <\r\n\r\n");
    SendDatagram(port, Invite(port, "\"\\\"unterminated <sip:@>", "bad1"));
    RunUntil([] { return false; }, 500);
    // A name full of controls and separators, far too long, with bytes
    // that are not UTF-8; a number with a line break escaped into it.
    std::string name = "\"Eve\\x01 \xAC\xFE";
    name += std::string(400, 'E');
    name += "\" <sip:12%0A34@127.0.0.1:5999>";
    SendDatagram(port, Invite(port, name, "hostile2"));
    ASSERT_TRUE(RunUntil([&] { return notifier_.Count(ZN2TAPI_MSG_CALLER_ID) > 0; }, 5000));
    const std::string kept_name = status_.callerName;
    const std::string kept_number = status_.callerNumber;
    EXPECT_LE(kept_name.size(), 79u);
    EXPECT_EQ(kept_name.rfind("Eve", 0), 0u);
    for (unsigned char c : kept_name + kept_number) {
        EXPECT_GE(c, 0x20);
        EXPECT_NE(c, 0x7F);
    }
    EXPECT_EQ(kept_number.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace kivo::test
