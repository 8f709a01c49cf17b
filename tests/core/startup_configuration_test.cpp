// The configuration phase of start-up: first-start keys, settings read after
// the store opened, and values that are missing or out of range.
#include "kivo/core/startup_configuration.h"

#include <gtest/gtest.h>

#include <vector>

#include "file_bytes.h"
#include "kivo/core/profile_file.h"
#include "temp_dir.h"

namespace kivo::core {
namespace {

using test::ReadFileText;
using test::TempDir;
using test::WriteFileText;

// The key names of one section, in file order.
std::vector<std::string> KeysOf(const std::string& text, const std::string& section) {
    std::vector<std::string> keys;
    bool inside = false;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::string line = text.substr(start, end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line[0] == '[') {
            inside = line == "[" + section + "]";
        } else if (inside && line.find('=') != std::string::npos) {
            keys.push_back(line.substr(0, line.find('=')));
        }
    }
    return keys;
}

class StartupConfigurationTest : public ::testing::Test {
protected:
    TempDir home;
    ProfileFile profile{home.file("KIVO.ini")};
    StartupConfiguration configuration{profile, home.path() / "Profiles", "anna"};
};

TEST_F(StartupConfigurationTest, FirstStartWritesExactlyTheFirstStartKeys) {
    WriteFileText(home.file("KIVO.ini"), "[Default]\nInternet=http://kivo.example.org/\n");
    StartupProfile result = configuration.ReadProfile();
    EXPECT_TRUE(result.first_start);
    EXPECT_EQ(result.store_name, "KIVO");
    EXPECT_EQ(result.user_folder, home.path() / "Profiles" / "anna");
    EXPECT_TRUE(std::filesystem::is_directory(result.user_folder));

    const std::string text = ReadFileText(home.file("KIVO.ini"));
    EXPECT_EQ(KeysOf(text, "anna"),
              (std::vector<std::string>{"LastPath", "LastFile", "RecID", "CommID", "Rings",
                                        "PhoneCost", "MeetCost", "Prime", "PhWarn", "ExpPrompt",
                                        "Silence", "Internet", "Compress", "RecQual"}));
    EXPECT_EQ(profile.Read("anna", "LastPath"), result.user_folder.string());
    EXPECT_EQ(profile.Read("anna", "RecID"), "0");
    EXPECT_EQ(profile.Read("anna", "CommID"), "X");
    EXPECT_EQ(profile.Read("anna", "PhoneCost"), "0.00");
    EXPECT_EQ(profile.Read("anna", "ExpPrompt"), "N");
    EXPECT_EQ(profile.Read("anna", "Internet"), "http://kivo.example.org/");

    // The same start then adds ADiary; HighLight and Currency belong to the
    // Options dialog.
    configuration.ApplySettings();
    auto keys = KeysOf(ReadFileText(home.file("KIVO.ini")), "anna");
    EXPECT_EQ(keys.size(), 15u);
    EXPECT_EQ(keys.back(), "ADiary");
    EXPECT_EQ(profile.Read("anna", "HighLight"), "Bad");
}

TEST_F(StartupConfigurationTest, FirstStartRecordsAChosenLineDeviceInBase16) {
    StartupProfile result =
        configuration.ReadProfile([] { return std::optional<std::uint32_t>(26); });
    EXPECT_EQ(result.line_device, 26u);
    EXPECT_EQ(profile.Read("anna", "CommID"), "1a");
    StartupProfile again = configuration.ReadProfile();
    EXPECT_FALSE(again.first_start);
    EXPECT_EQ(again.line_device, 26u);  // read back in the base it was written in
}

TEST_F(StartupConfigurationTest, LaterStartUsesLastPathAndLastFile) {
    WriteFileText(home.file("KIVO.ini"),
                  "[anna]\nLastPath=/stores/office\nLastFile=Office\nCommID=X\n");
    bool asked = false;
    StartupProfile result = configuration.ReadProfile([&] {
        asked = true;
        return std::optional<std::uint32_t>();
    });
    EXPECT_FALSE(result.first_start);
    EXPECT_EQ(result.store().StorePath(), "/stores/office/Office.xrt");
    EXPECT_TRUE(asked);  // "X": no device chosen yet, so the selection runs
    EXPECT_FALSE(result.line_device.has_value());
}

TEST_F(StartupConfigurationTest, MissingCommIdIsNoDeviceRatherThanDeviceZero) {
    WriteFileText(home.file("KIVO.ini"), "[anna]\nLastPath=/s\n");
    EXPECT_FALSE(configuration.ReadProfile().line_device.has_value());
}

TEST_F(StartupConfigurationTest, ExportPromptIsOnOnlyForANonZeroNumber) {
    const std::pair<const char*, bool> cases[] = {{"N", false}, {"Y", false}, {"0", false},
                                                  {"1", true},  {"2", true},  {" 3x", true}};
    for (const auto& [value, on] : cases) {
        profile.Write("anna", "ExpPrompt", value);
        EXPECT_EQ(configuration.ApplySettings().export_prompt, on) << value;
    }
}

TEST_F(StartupConfigurationTest, MissingSettingsAreWrittenWithTheirDefaults) {
    StartupSettings settings = configuration.ApplySettings();
    EXPECT_EQ(settings.rings, 3);
    EXPECT_FALSE(settings.export_prompt);
    EXPECT_FALSE(settings.diary_reminder);
    EXPECT_EQ(settings.recording_quality, 0);
    EXPECT_EQ(settings.answer_machine, AnswerMachineStart::kOff);
    EXPECT_EQ(profile.Read("anna", "Rings"), "3");
    EXPECT_EQ(profile.Read("anna", "ExpPrompt"), "0");
    EXPECT_EQ(profile.Read("anna", "ADiary"), "N");
    EXPECT_EQ(profile.Read("anna", "Compress"), "Y");
    EXPECT_EQ(profile.Read("anna", "RecQual"), "0");
    EXPECT_EQ(profile.Read("anna", "AutoMessage"), "Bad");  // never written here
}

TEST_F(StartupConfigurationTest, OutOfRangeValuesReadAsDefaults) {
    WriteFileText(home.file("KIVO.ini"),
                  "[anna]\nRings=40\nRecQual=9\nADiary=Y\nAutoMessage=1\nExpPrompt=1\n");
    StartupSettings settings = configuration.ApplySettings();
    EXPECT_EQ(settings.rings, 3);
    EXPECT_EQ(settings.recording_quality, 0);
    EXPECT_TRUE(settings.diary_reminder);
    EXPECT_EQ(settings.answer_machine, AnswerMachineStart::kOn);
    EXPECT_EQ(profile.Read("anna", "Rings"), "40");  // the user's value is left alone
}

TEST_F(StartupConfigurationTest, AnswerMachineOtherValuesLeaveItUnchanged) {
    profile.Write("anna", "AutoMessage", "0");
    EXPECT_EQ(configuration.ApplySettings().answer_machine, AnswerMachineStart::kOff);
    profile.Write("anna", "AutoMessage", "Y");
    EXPECT_EQ(configuration.ApplySettings().answer_machine, AnswerMachineStart::kUnchanged);
}

TEST(ProfileValues, IntegersReadAsTheCLibraryDoes) {
    EXPECT_EQ(ProfileInteger("Y"), 0);
    EXPECT_EQ(ProfileInteger("  12abc"), 12);
    EXPECT_EQ(ProfileInteger("-4"), -4);
    EXPECT_EQ(ProfileInteger(""), 0);
    EXPECT_GT(ProfileInteger("99999999999999999999999"), 10);  // no overflow
}

TEST(ProfileValues, LineDevicesRoundTripInBase16) {
    for (std::uint32_t device : {0u, 9u, 10u, 255u, 4096u}) {
        EXPECT_EQ(ParseLineDevice(FormatLineDevice(device)), device);
    }
    EXPECT_FALSE(ParseLineDevice("X").has_value());
    EXPECT_FALSE(ParseLineDevice("Bad").has_value());
    EXPECT_FALSE(ParseLineDevice("123456789").has_value());
}

}  // namespace
}  // namespace kivo::core
