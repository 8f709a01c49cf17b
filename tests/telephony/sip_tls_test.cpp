// An account registering over SIP-over-TLS with a registrar on 127.0.0.1
// whose certificate is self-signed: trusted through the account's CA file
// the line registers; with the system's authorities only, the unknown
// certificate ends the registration as failed, and dialling then has no
// dial tone.
//
// The registrar is a small TLS server in Python (tls_registrar.py): the
// SIP stack of liblinphone 5.1 does not accept incoming TLS connections
// ("New connection arriving on TLS, not handled"), and Debian's SIPp is
// built without TLS, so neither a second core nor SIPp can play it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "kivo/telephony/sip_line.h"
#include "kivo/telephony/tapi_library.h"
#include "sipp_process.h"
#include "telephony_test_support.h"

extern char** environ;

namespace kivo::test {
namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
    std::ifstream file(path);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

class SipTls : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveProgram("openssl") || !HaveProgram("python3")) {
            GTEST_SKIP() << "openssl or python3 is not installed";
        }
        // A self-signed certificate for 127.0.0.1, valid for a day. The SIP
        // stack's TLS (mbedTLS) matches the address against DNS names only.
        const std::string command =
            "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "
            "/CN=127.0.0.1 -addext subjectAltName=DNS:127.0.0.1,IP:127.0.0.1 -keyout " +
            dir_.file("key.pem") + " -out " + dir_.file("cert.pem") + " > /dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        StartRegistrar();
    }
    void TearDown() override {
        if (library_ != nullptr) {
            library_->Close();
        }
        library_.reset();
        if (registrar_ > 0) {
            ::kill(registrar_, SIGTERM);
            ::waitpid(registrar_, nullptr, 0);
        }
    }

    void StartRegistrar() {
        const std::string script = KIVO_TELEPHONY_TEST_DIR "/tls_registrar.py";
        std::vector<std::string> args = {"python3", script, dir_.file("cert.pem"),
                                         dir_.file("key.pem"), dir_.file("port")};
        std::vector<char*> argv;
        for (auto& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 2, dir_.file("registrar.log").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ASSERT_EQ(posix_spawnp(&registrar_, "python3", &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(dir_.file("port")) && Clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        registrar_port_ = std::atoi(ReadFile(dir_.file("port")).c_str());
        ASSERT_GT(registrar_port_, 0);
    }

    // Opens the account ann@127.0.0.1 over TLS, trusting `ca_file` (empty:
    // the system's authorities), and waits until its registration settles.
    telephony::RegistrationState OpenAccount(const std::string& ca_file) {
        telephony::SipLineSettings settings;
        settings.name = "Secure";
        settings.user = "ann";
        settings.domain = "127.0.0.1";
        settings.port = registrar_port_;
        settings.transport = "tls";
        settings.tls_ca_file = ca_file;
        std::filesystem::create_directories(dir_.file("line"));
        auto directory = [this, settings] {
            std::vector<std::unique_ptr<telephony::LineProvider>> lines;
            auto line = std::make_unique<telephony::SipLine>(settings, dir_.file("line"));
            sip_ = line.get();
            lines.push_back(std::move(line));
            return lines;
        };
        library_ = std::make_unique<telephony::TapiLibrary>(status_, directory, notifier_,
                                                            [](std::string_view) {});
        library_->InitVar();
        status_.rings = 3;
        library_->Init();
        library_->Open(nullptr);
        EXPECT_EQ(status_.status, 0);
        const auto end = Clock::now() + std::chrono::seconds(15);
        while (Clock::now() < end) {
            library_->Iterate();
            const telephony::RegistrationState state = sip_->registration();
            if (state.state == telephony::Registration::kRegistered ||
                state.state == telephony::Registration::kFailed) {
                return state;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return sip_->registration();
    }

    TempDir dir_;
    pid_t registrar_ = -1;
    int registrar_port_ = 0;
    TapiStatus status_{};
    RecordingNotifier notifier_;
    std::unique_ptr<telephony::TapiLibrary> library_;
    telephony::SipLine* sip_ = nullptr;
};

TEST_F(SipTls, AnAccountTrustingTheRegistrarsCertificateRegistersOverTls) {
    const telephony::RegistrationState state = OpenAccount(dir_.file("cert.pem"));
    EXPECT_EQ(state.state, telephony::Registration::kRegistered);
    EXPECT_EQ(state.sip_code, 200);
    EXPECT_NE(ReadFile(dir_.file("registrar.log")).find("REGISTER sip:127.0.0.1"),
              std::string::npos);
}

TEST_F(SipTls, AnUnknownSelfSignedCertificateFailsTheRegistrationAndLeavesNoDialTone) {
    const telephony::RegistrationState state = OpenAccount("");
    EXPECT_EQ(state.state, telephony::Registration::kFailed);
    EXPECT_EQ(ReadFile(dir_.file("registrar.log")).find("REGISTER"), std::string::npos);

    library_->Dial("7001");
    EXPECT_EQ(status_.status, 139);
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < end && notifier_.Count(ZN2TAPI_MSG_IDLE) == 0) {
        library_->Iterate();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(notifier_.Only({ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY, ZN2TAPI_MSG_FAILED}),
              (std::vector<int>{ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_FAILED}));
}

}  // namespace
}  // namespace kivo::test
