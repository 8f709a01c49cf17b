// The accounts behind the account dialog: the checks on their settings, the
// configuration file rewritten around them, and passwords that go to the
// secret store and never to the file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "kivo/filesystem/failing_file_system.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/telephony/account_validation.h"
#include "kivo/telephony/line_accounts.h"
#include "kivo/telephony/line_configuration.h"
#include "temp_dir.h"

namespace kivo::telephony {
namespace {

SipLineSettings Office() {
    SipLineSettings account;
    account.name = "Office";
    account.user = "ann";
    account.domain = "pbx.example.org";
    account.transport = "tls";
    account.port = 0;
    return account;
}

// A secret store in memory that can be told to refuse.
class MemorySecretStore : public secrets::SecretStore {
public:
    secrets::SecretStatus Save(const std::string& account, const std::string& password) override {
        if (refuse) {
            return secrets::SecretStatus::Failed("the keyring is locked");
        }
        passwords[account] = password;
        return secrets::SecretStatus::Ok("kept in memory");
    }
    secrets::SecretLookup Lookup(const std::string& account) override {
        const auto found = passwords.find(account);
        if (found == passwords.end()) {
            return {secrets::SecretStatus::NotFound(), {}};
        }
        return {secrets::SecretStatus::Ok(), found->second};
    }
    secrets::SecretStatus Remove(const std::string& account) override {
        passwords.erase(account);
        return secrets::SecretStatus::Ok();
    }
    std::map<std::string, std::string> passwords;
    bool refuse = false;
};

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

TEST(AccountValidation, EachMissingOrMalformedSettingIsNamedInItsMessage) {
    EXPECT_EQ(ValidateAccount(Office(), {}), "");
    struct Case {
        void (*spoil)(SipLineSettings&);
        const char* expected_words;
    };
    const Case cases[] = {
        {[](SipLineSettings& a) { a.name.clear(); }, "Enter a name"},
        {[](SipLineSettings& a) { a.name = "Home]\n[local]\nenabled=Y"; }, "Line breaks"},
        {[](SipLineSettings& a) { a.name = "Home]"; }, "']'"},
        {[](SipLineSettings& a) { a.name = "demo LINE"; }, "belongs to a line of the program"},
        {[](SipLineSettings& a) { a.user.clear(); }, "Enter the user name"},
        {[](SipLineSettings& a) { a.user = "ann@pbx"; }, "cannot carry"},
        {[](SipLineSettings& a) { a.domain.clear(); }, "Enter the domain"},
        {[](SipLineSettings& a) { a.domain = "pbx example.org"; }, "not a host name"},
        {[](SipLineSettings& a) { a.domain = "pbx.example.org:5060"; }, "the port has its own"},
        {[](SipLineSettings& a) { a.proxy = "proxy.example.org:99999"; }, "outbound proxy"},
        {[](SipLineSettings& a) { a.transport = "sctp"; }, "UDP, TCP or TLS"},
        {[](SipLineSettings& a) { a.port = 70000; }, "port"},
        {[](SipLineSettings& a) { a.ring_period_ms = 100; }, "ring period"},
        {[](SipLineSettings& a) { a.user = std::string(300, 'a'); }, "longer than 255"},
    };
    for (const Case& c : cases) {
        SipLineSettings account = Office();
        c.spoil(account);
        const std::string message = ValidateAccount(account, {});
        EXPECT_NE(message.find(c.expected_words), std::string::npos)
            << "message: \"" << message << "\", expected to mention " << c.expected_words;
    }
    SipLineSettings with_proxy = Office();
    with_proxy.proxy = "sip-proxy.example.org:5080";
    with_proxy.domain = "10.0.0.1";
    EXPECT_EQ(ValidateAccount(with_proxy, {}), "");
}

TEST(AccountValidation, ASecondAccountOfTheSameNameIsRefusedWhateverItsCase) {
    SipLineSettings other = Office();
    other.name = "OFFICE";
    EXPECT_NE(ValidateAccount(Office(), {other}).find("exists already"), std::string::npos);
}

TEST(AccountConfigurationText, AccountsAreReplacedAndEveryOtherSectionIsKept) {
    const std::string before =
        "# my lines\n[demo]\nring_period_ms = 2500\n\n[account Old]\nuser = x\ndomain = y\n\n"
        "[local]\nenabled = Y\nport = 5080\n";
    SipLineSettings office = Office();
    office.proxy = "proxy.example.org";
    office.port = 5061;
    office.tls_ca_file = "/etc/kivo/pbx-ca.pem";
    const std::string after = WithAccounts(before, {office});
    EXPECT_NE(after.find("# my lines\n[demo]\nring_period_ms = 2500\n"), std::string::npos);
    EXPECT_NE(after.find("[local]\nenabled = Y\nport = 5080\n"), std::string::npos);
    EXPECT_EQ(after.find("[account Old]"), std::string::npos);

    const LineConfiguration read = ParseLineConfiguration(after);
    EXPECT_EQ(read.demo_ring_period_ms, 2500);
    ASSERT_EQ(read.sip_lines.size(), 2u);
    EXPECT_TRUE(read.sip_lines[0].local);
    const SipLineSettings& back = read.sip_lines[1];
    EXPECT_EQ(back.name, "Office");
    EXPECT_EQ(back.user, "ann");
    EXPECT_EQ(back.domain, "pbx.example.org");
    EXPECT_EQ(back.proxy, "proxy.example.org");
    EXPECT_EQ(back.transport, "tls");
    EXPECT_EQ(back.port, 5061);
    EXPECT_EQ(back.tls_ca_file, "/etc/kivo/pbx-ca.pem");
    EXPECT_EQ(back.ring_period_ms, 4000);
    // An account without a port keeps the transport's own.
    EXPECT_EQ(ParseAccounts(WithAccounts("", {Office()}))[0].port, 0);
}

class LineAccountsTest : public ::testing::Test {
protected:
    test::TempDir dir;
    std::string path = dir.file("kivo/telephony.conf");
    MemorySecretStore store;
};

TEST_F(LineAccountsTest, AddedAccountIsInTheFileAndItsPasswordOnlyInTheSecretStore) {
    LineAccounts accounts(path, store);
    ASSERT_TRUE(accounts.Load().saved());
    EXPECT_TRUE(accounts.accounts().empty());
    const AccountOutcome added = accounts.Add(Office(), std::string("pa55 word"));
    EXPECT_EQ(added.kind, AccountOutcome::Kind::kSaved);
    EXPECT_EQ(added.message, "kept in memory");
    EXPECT_EQ(store.passwords["Office"], "pa55 word");
    const std::string text = ReadFile(path);
    EXPECT_NE(text.find("[account Office]"), std::string::npos);
    EXPECT_EQ(text.find("pa55"), std::string::npos);

    LineAccounts reread(path, store);
    reread.Load();
    ASSERT_EQ(reread.accounts().size(), 1u);
    EXPECT_EQ(reread.accounts()[0].domain, "pbx.example.org");
    EXPECT_TRUE(reread.HasPassword("Office"));
}

TEST_F(LineAccountsTest, InvalidSettingsChangeNeitherTheFileNorTheSecretStore) {
    LineAccounts accounts(path, store);
    accounts.Load();
    SipLineSettings bad = Office();
    bad.domain = "not a host";
    const AccountOutcome refused = accounts.Add(bad, std::string("secret"));
    EXPECT_EQ(refused.kind, AccountOutcome::Kind::kInvalid);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(store.passwords.empty());
    EXPECT_TRUE(accounts.accounts().empty());
}

TEST_F(LineAccountsTest, RenamingMovesThePasswordAndRemovingForgetsIt) {
    LineAccounts accounts(path, store);
    accounts.Load();
    accounts.Add(Office(), std::string("secret"));
    SipLineSettings renamed = Office();
    renamed.name = "Work";
    EXPECT_EQ(accounts.Update(0, renamed, std::nullopt).kind, AccountOutcome::Kind::kSaved);
    EXPECT_EQ(store.passwords.count("Office"), 0u);
    EXPECT_EQ(store.passwords["Work"], "secret");

    EXPECT_EQ(accounts.Update(0, renamed, std::string("")).kind, AccountOutcome::Kind::kSaved);
    EXPECT_FALSE(accounts.HasPassword("Work"));
    accounts.Update(0, renamed, std::string("new"));
    EXPECT_EQ(accounts.Remove(0).kind, AccountOutcome::Kind::kSaved);
    EXPECT_TRUE(store.passwords.empty());
    EXPECT_TRUE(ParseAccounts(ReadFile(path)).empty());
}

TEST_F(LineAccountsTest, ARefusingSecretStoreLeavesTheAccountSavedAndSaysThePasswordIsNot) {
    LineAccounts accounts(path, store);
    accounts.Load();
    store.refuse = true;
    const AccountOutcome outcome = accounts.Add(Office(), std::string("secret"));
    EXPECT_EQ(outcome.kind, AccountOutcome::Kind::kPasswordNotKept);
    EXPECT_TRUE(outcome.saved());
    EXPECT_NE(outcome.message.find("the keyring is locked"), std::string::npos);
    EXPECT_EQ(accounts.accounts().size(), 1u);
}

TEST_F(LineAccountsTest, AnUnwritableFolderKeepsTheListAndThePasswordAsTheyWere) {
    std::ofstream(dir.file("kivo")) << "a file where the folder should be";
    LineAccounts accounts(path, store);
    accounts.Load();
    const AccountOutcome outcome = accounts.Add(Office(), std::string("secret"));
    EXPECT_NE(outcome.message.find("Cannot write"), std::string::npos);
    EXPECT_EQ(outcome.kind, AccountOutcome::Kind::kNotWritten);
    EXPECT_TRUE(accounts.accounts().empty());
    EXPECT_TRUE(store.passwords.empty());
}

// A write or a sync that fails while telephony.conf is replaced: the change
// is refused, the old file is whole, nothing is left beside it, and the
// password is not kept for an account that is not in the file.
TEST_F(LineAccountsTest, AFailedWriteOrSyncLeavesTheOldFileWholeAndKeepsNoPassword) {
    using filesystem::FsCall;
    for (const FsCall call : {filesystem::kCallWrite, filesystem::kCallSync}) {
        SCOPED_TRACE(call == filesystem::kCallWrite ? "write" : "sync");
        LineAccounts first(path, store);
        first.Load();
        ASSERT_TRUE(first.Add(Office(), std::nullopt).saved());
        const std::string before = ReadFile(path);

        filesystem::FailingFileSystem failing(filesystem::DefaultFileSystem());
        LineAccounts accounts(path, store, failing);
        ASSERT_TRUE(accounts.Load().saved());
        failing.Plan(filesystem::FailNth(call, 1, ENOSPC));
        SipLineSettings home = Office();
        home.name = "Home";
        const AccountOutcome outcome = accounts.Add(home, std::string("secret"));
        EXPECT_TRUE(failing.failed());
        EXPECT_EQ(outcome.kind, AccountOutcome::Kind::kNotWritten);
        EXPECT_NE(outcome.message.find("Cannot write " + path), std::string::npos);
        EXPECT_EQ(ReadFile(path), before);
        EXPECT_FALSE(std::filesystem::exists(path + ".new"));
        EXPECT_EQ(accounts.accounts().size(), 1u);
        EXPECT_TRUE(store.passwords.empty());
        std::filesystem::remove(path);
    }
}

TEST_F(LineAccountsTest, AnOversizedSettingsFileIsLeftAsItIsRatherThanCutShort) {
    std::filesystem::create_directories(dir.file("kivo"));
    const std::string oversized =
        "[demo]\n" + std::string(kMaxLineConfigurationBytes, '#') + "\n[local]\nenabled = Y\n";
    std::ofstream(path, std::ios::binary) << oversized;
    LineAccounts accounts(path, store);
    accounts.Load();
    const AccountOutcome outcome = accounts.Add(Office(), std::string("secret"));
    EXPECT_EQ(outcome.kind, AccountOutcome::Kind::kNotWritten);
    EXPECT_NE(outcome.message.find("does not rewrite"), std::string::npos);
    EXPECT_EQ(ReadFile(path), oversized);
    EXPECT_TRUE(store.passwords.empty());
}

}  // namespace
}  // namespace kivo::telephony
