// An account line registering with a registrar (SIPp) that asks for a digest:
// the password comes from the secret store, the line reports registered or
// failed with the registrar's status code, and a line whose registration
// failed has no dial tone.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "kivo/secrets/secret_store.h"
#include "kivo/telephony/sip_line.h"
#include "kivo/telephony/tapi_library.h"
#include "sipp_process.h"
#include "telephony_test_support.h"

namespace kivo::test {
namespace {

using Clock = std::chrono::steady_clock;

// A secret store holding one account's password.
class OnePasswordStore : public secrets::SecretStore {
public:
    OnePasswordStore(std::string account, std::string password)
        : account_(std::move(account)), password_(std::move(password)) {}
    secrets::SecretStatus Save(const std::string&, const std::string&) override {
        return secrets::SecretStatus::Ok();
    }
    secrets::SecretLookup Lookup(const std::string& account) override {
        ++lookups;
        if (account != account_) {
            return {secrets::SecretStatus::NotFound(), {}};
        }
        return {secrets::SecretStatus::Ok(), password_};
    }
    secrets::SecretStatus Remove(const std::string&) override {
        return secrets::SecretStatus::Ok();
    }
    int lookups = 0;

private:
    std::string account_;
    std::string password_;
};

std::string FolderText(const std::filesystem::path& folder) {
    std::string text;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.path().filename() != "sipp.log") {
            std::ifstream file(entry.path(), std::ios::binary);
            std::ostringstream content;
            content << file.rdbuf();
            text += content.str();
        }
    }
    return text;
}

// The account "Office" (ann at 127.0.0.1) against SIPp as its registrar.
class RegistrarBench {
public:
    explicit RegistrarBench(const std::string& password) : store_("Office", password) {
        sipp_port_ = SippPortFor(7);
        sipp_ = StartSipp(dir.path().string(), SippScenario("registrar_digest.xml"), 0, sipp_port_);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // SIPp binds its port
        telephony::SipLineSettings settings;
        settings.name = "Office";
        settings.user = "ann";
        settings.domain = "127.0.0.1";
        settings.port = sipp_port_;
        settings.transport = "udp";
        std::filesystem::create_directories(dir.file("line"));
        auto directory = [this, settings] {
            std::vector<std::unique_ptr<telephony::LineProvider>> lines;
            auto line = std::make_unique<telephony::SipLine>(
                settings, dir.file("line"), [this] { return store_.Lookup("Office").password; });
            sip = line.get();
            lines.push_back(std::move(line));
            return lines;
        };
        library = std::make_unique<telephony::TapiLibrary>(status, directory, notifier,
                                                           [](std::string_view) {});
        library->InitVar();
        status.rings = 3;
        library->Init();
        library->Open(nullptr);
    }

    ~RegistrarBench() {
        library->Close();
        if (sipp_ > 0 && ::waitpid(sipp_, nullptr, WNOHANG) == 0) {
            ::kill(sipp_, SIGTERM);
            ::waitpid(sipp_, nullptr, 0);
        }
    }

    // Lets the line work until its registration is settled (or 10 s pass).
    telephony::RegistrationState Settle() {
        const auto end = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < end) {
            library->Iterate();
            const telephony::RegistrationState state = sip->registration();
            if (state.state == telephony::Registration::kRegistered ||
                state.state == telephony::Registration::kFailed) {
                return state;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return sip->registration();
    }

    bool SippSucceeded() {
        int sipp_status = -1;
        const auto end = Clock::now() + std::chrono::seconds(5);
        while (Clock::now() < end) {
            if (::waitpid(sipp_, &sipp_status, WNOHANG) == sipp_) {
                sipp_ = -1;
                return WIFEXITED(sipp_status) && WEXITSTATUS(sipp_status) == 0;
            }
            library->Iterate();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    TempDir dir;
    TapiStatus status{};
    RecordingNotifier notifier;
    std::unique_ptr<telephony::TapiLibrary> library;
    telephony::SipLine* sip = nullptr;  // owned by the library
    OnePasswordStore store_;

private:
    int sipp_port_ = 0;
    pid_t sipp_ = -1;
};

TEST(SipRegistration, TheRightPasswordAnswersTheDigestChallengeAndRegisters) {
    if (!HaveProgram("sipp")) {
        GTEST_SKIP() << "sipp (sip-tester) is not installed";
    }
    RegistrarBench bench("s3cret pass");
    ASSERT_EQ(bench.status.status, 0);
    ASSERT_EQ(bench.status.lineOpen, 1u);
    const telephony::RegistrationState state = bench.Settle();
    EXPECT_EQ(state.state, telephony::Registration::kRegistered);
    EXPECT_EQ(state.sip_code, 200);
    EXPECT_TRUE(bench.sip->ready());
    EXPECT_TRUE(bench.SippSucceeded()) << "the registrar did not see a valid digest";
    EXPECT_EQ(bench.store_.lookups, 1);
    // The core keeps the password in memory: nothing in the line's folder holds it.
    EXPECT_EQ(FolderText(bench.dir.path()).find("s3cret pass"), std::string::npos);
}

TEST(SipRegistration, AWrongPasswordFailsWith403AndDiallingThenHasNoDialTone) {
    if (!HaveProgram("sipp")) {
        GTEST_SKIP() << "sipp (sip-tester) is not installed";
    }
    RegistrarBench bench("not the password");
    ASSERT_EQ(bench.status.status, 0);
    const telephony::RegistrationState state = bench.Settle();
    EXPECT_EQ(state.state, telephony::Registration::kFailed);
    EXPECT_EQ(state.sip_code, 403);
    EXPECT_FALSE(bench.sip->ready());

    bench.library->Dial("7001");
    EXPECT_EQ(bench.status.status, 139);  // accepted; the outcome follows as messages
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (Clock::now() < end && bench.notifier.Count(ZN2TAPI_MSG_IDLE) == 0) {
        bench.library->Iterate();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(bench.notifier.Only({ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_BUSY, ZN2TAPI_MSG_FAILED}),
              (std::vector<int>{ZN2TAPI_MSG_DISCONNECTED, ZN2TAPI_MSG_FAILED}));
}

TEST(SipRegistration, WithNoPasswordKeptTheChallengeEndsTheRegistrationWith401) {
    if (!HaveProgram("sipp")) {
        GTEST_SKIP() << "sipp (sip-tester) is not installed";
    }
    RegistrarBench bench("");
    ASSERT_EQ(bench.status.status, 0);
    const telephony::RegistrationState state = bench.Settle();
    EXPECT_EQ(state.state, telephony::Registration::kFailed);
    EXPECT_EQ(state.sip_code, 401);
}

}  // namespace
}  // namespace kivo::test
