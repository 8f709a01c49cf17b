// Passwords kept for the user's accounts: the private file used where no
// secret service runs, the store that falls back to it, and the desktop's
// store itself (against a real keyring when the test environment has one).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/secrets/desktop_secret_store.h"
#include "kivo/secrets/fallback_secret_store.h"
#include "kivo/secrets/private_file_secret_store.h"
#include "temp_dir.h"

namespace kivo::secrets {
namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

mode_t ModeOf(const std::string& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_mode & 07777;
}

TEST(PrivateFileSecretStore, PasswordsOfAnyBytesComeBackAndOnlyTheUserCanReadTheFile) {
    test::TempDir dir;
    const std::string path = dir.file("config/kivo/line-passwords");
    PrivateFileSecretStore store(path);
    const std::string awkward = "pa ss\nword\t=\xC3\xA9[x]";
    ASSERT_TRUE(store.Save("Office line", awkward).ok());
    ASSERT_TRUE(store.Save("Home\n[x]", "second").ok());
    ASSERT_TRUE(store.Save("Office line", awkward + "!").ok());  // replaces

    PrivateFileSecretStore reopened(path);
    EXPECT_EQ(reopened.Lookup("Office line").password, awkward + "!");
    EXPECT_EQ(reopened.Lookup("Home\n[x]").password, "second");
    EXPECT_EQ(reopened.Lookup("Nobody").status.code(), SecretStatus::Code::kNotFound);
    EXPECT_EQ(ModeOf(path), 0600u);
    EXPECT_EQ(ModeOf(dir.file("config/kivo")), 0700u);
    EXPECT_EQ(ReadFile(path).find("pa ss"), std::string::npos);

    ASSERT_TRUE(reopened.Remove("Office line").ok());
    EXPECT_EQ(store.Lookup("Office line").status.code(), SecretStatus::Code::kNotFound);
    EXPECT_TRUE(store.Remove("never kept").ok());
}

TEST(PrivateFileSecretStore, AFileOthersMayReadIsNeitherTrustedNorOverwritten) {
    test::TempDir dir;
    const std::string path = dir.file("line-passwords");
    PrivateFileSecretStore store(path);
    ASSERT_TRUE(store.Save("Office", "secret").ok());
    ::chmod(path.c_str(), 0644);
    const SecretLookup lookup = store.Lookup("Office");
    EXPECT_EQ(lookup.status.code(), SecretStatus::Code::kFailed);
    EXPECT_TRUE(lookup.password.empty());
    EXPECT_NE(lookup.status.message().find("chmod 600"), std::string::npos);
    const std::string before = ReadFile(path);
    EXPECT_FALSE(store.Save("Office", "other").ok());
    EXPECT_EQ(ReadFile(path), before);
}

TEST(PrivateFileSecretStore, ASymbolicLinkInPlaceOfTheFileIsNotFollowed) {
    test::TempDir dir;
    std::ofstream(dir.file("elsewhere")) << "not a password file\n";
    std::filesystem::create_symlink(dir.file("elsewhere"), dir.file("line-passwords"));
    PrivateFileSecretStore store(dir.file("line-passwords"));
    EXPECT_EQ(store.Lookup("Office").status.code(), SecretStatus::Code::kFailed);
    EXPECT_FALSE(store.Save("Office", "secret").ok());
    EXPECT_EQ(ReadFile(dir.file("elsewhere")), "not a password file\n");
}

TEST(PrivateFileSecretStore, GarbledLinesAreSkippedAndTheRestIsRead) {
    test::TempDir dir;
    const std::string path = dir.file("line-passwords");
    PrivateFileSecretStore store(path);
    ASSERT_TRUE(store.Save("A", "1").ok());
    {
        std::ofstream file(path, std::ios::app);
        file << "zz 12\n4\n" << std::string(5000, 'f') << "\n";
    }
    EXPECT_EQ(store.Lookup("A").password, "1");
}

TEST(PrivateFileSecretStore, AFileOfAnotherOwnerIsNotTrusted) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    test::TempDir dir;
    const std::string path = dir.file("line-passwords");
    PrivateFileSecretStore store(path);
    ASSERT_TRUE(store.Save("Office", "secret").ok());
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    EXPECT_EQ(store.Lookup("Office").status.code(), SecretStatus::Code::kFailed);
    const std::string before = ReadFile(path);
    EXPECT_FALSE(store.Save("Office", "other").ok());
    EXPECT_EQ(ReadFile(path), before);
}

// A write or a sync that fails while the file is replaced: Save says so, the
// old file is whole (and still 0600), and no temporary file is left beside it.
TEST(PrivateFileSecretStore, AFailedWriteOrSyncLeavesTheOldFileWhole) {
    using filesystem::FsCall;
    for (const FsCall call : {filesystem::kCallWrite, filesystem::kCallSync}) {
        SCOPED_TRACE(call == filesystem::kCallWrite ? "write" : "sync");
        test::TempDir dir;
        const std::string path = dir.file("line-passwords");
        ASSERT_TRUE(PrivateFileSecretStore(path).Save("Office", "old secret").ok());
        const std::string before = ReadFile(path);

        filesystem::FailingFileSystem failing(filesystem::DefaultFileSystem());
        failing.Plan(filesystem::FailNth(call, 1, ENOSPC));
        PrivateFileSecretStore store(path, failing);
        const SecretStatus saved = store.Save("Office", "new secret");
        EXPECT_TRUE(failing.failed());
        EXPECT_EQ(saved.code(), SecretStatus::Code::kFailed);
        EXPECT_NE(saved.message().find("Cannot write " + path), std::string::npos)
            << saved.message();
        EXPECT_EQ(ReadFile(path), before);
        EXPECT_EQ(ModeOf(path), 0600u);
        EXPECT_FALSE(std::filesystem::exists(path + ".new"));
        EXPECT_EQ(store.Lookup("Office").password, "old secret");
    }
}

// A desktop store that answers as a machine without a secret service, or
// as one whose keyring holds the passwords.
class ScriptedDesktop : public SecretStore {
public:
    explicit ScriptedDesktop(bool service) : service_(service) {}
    SecretStatus Save(const std::string& account, const std::string& password) override {
        if (!service_) {
            return SecretStatus::NoService("no session bus");
        }
        kept_[account] = password;
        return SecretStatus::Ok();
    }
    SecretLookup Lookup(const std::string& account) override {
        if (!service_) {
            return {SecretStatus::NoService("no session bus"), {}};
        }
        const auto found = kept_.find(account);
        if (found == kept_.end()) {
            return {SecretStatus::NotFound(), {}};
        }
        return {SecretStatus::Ok(), found->second};
    }
    SecretStatus Remove(const std::string& account) override {
        kept_.erase(account);
        return service_ ? SecretStatus::Ok() : SecretStatus::NoService("no session bus");
    }
    bool service_;
    std::map<std::string, std::string> kept_;
};

TEST(FallbackSecretStore, WithoutASecretServiceThePasswordGoesToThePrivateFileAndTheUserIsTold) {
    test::TempDir dir;
    auto desktop = std::make_unique<ScriptedDesktop>(false);
    ScriptedDesktop* desktop_view = desktop.get();
    FallbackSecretStore store(std::move(desktop),
                              std::make_unique<PrivateFileSecretStore>(dir.file("pw")));
    const SecretStatus saved = store.Save("Office", "secret");
    ASSERT_TRUE(saved.ok());
    EXPECT_NE(saved.message().find("No secret service runs"), std::string::npos);
    EXPECT_NE(saved.message().find(dir.file("pw")), std::string::npos);
    EXPECT_EQ(saved.message().find("secret\""), std::string::npos);
    EXPECT_EQ(store.Lookup("Office").password, "secret");

    // Once a keyring runs, a new password goes there and the file copy goes away.
    desktop_view->service_ = true;
    EXPECT_EQ(store.Lookup("Office").password, "secret");  // still found in the file
    const SecretStatus moved = store.Save("Office", "newer");
    EXPECT_NE(moved.message().find("desktop's secret store"), std::string::npos);
    EXPECT_EQ(PrivateFileSecretStore(dir.file("pw")).Lookup("Office").status.code(),
              SecretStatus::Code::kNotFound);
    EXPECT_EQ(store.Lookup("Office").password, "newer");
    EXPECT_TRUE(store.Remove("Office").ok());
    EXPECT_EQ(store.Lookup("Office").status.code(), SecretStatus::Code::kNotFound);
}

// The desktop's store as libsecret reaches it. Without a session bus, and
// with a keyring daemon that no one unlocked (a headless machine), it must
// say that no service runs (not fail in some other way); with the keyring
// the test environment starts (KIVO_TEST_KEYRING=1) it keeps, finds and
// forgets a password.
TEST(DesktopSecretStore, WithoutAUsableSecretServiceItSaysSo) {
    if (std::getenv("KIVO_TEST_NO_SECRET_SERVICE") == nullptr) {
        GTEST_SKIP() << "run by the tests without a bus and with a keyring no one unlocked";
    }
    DesktopSecretStore store;
    EXPECT_EQ(store.Save("Office", "secret").code(), SecretStatus::Code::kNoService);
    // A keyring daemon with nothing unlocked finds nothing; no bus at all is no service.
    // Either way the fall-back store goes on to the private file.
    const SecretStatus::Code looked_up = store.Lookup("Office").status.code();
    EXPECT_TRUE(looked_up == SecretStatus::Code::kNoService ||
                looked_up == SecretStatus::Code::kNotFound);
}

TEST(DesktopSecretStore, AGnomeKeyringKeepsFindsAndForgetsThePassword) {
    if (std::getenv("KIVO_TEST_KEYRING") == nullptr) {
        GTEST_SKIP() << "run by the keyring test, under its own session bus and keyring";
    }
    DesktopSecretStore store;
    const SecretStatus saved = store.Save("Office", "s3cret pass");
    ASSERT_TRUE(saved.ok()) << saved.message();
    ASSERT_TRUE(store.Save("Home", "other").ok());
    EXPECT_EQ(store.Lookup("Office").password, "s3cret pass");
    EXPECT_EQ(store.Lookup("Home").password, "other");
    ASSERT_TRUE(store.Remove("Office").ok());
    EXPECT_EQ(store.Lookup("Office").status.code(), SecretStatus::Code::kNotFound);
    EXPECT_EQ(store.Lookup("Home").password, "other");
}

}  // namespace
}  // namespace kivo::secrets
