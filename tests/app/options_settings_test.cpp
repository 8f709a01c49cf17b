// Reading and writing the Options dialog's profile keys.
#include <gtest/gtest.h>

#include "kivo/core/profile_file.h"
#include "options_settings.h"
#include "temp_dir.h"

namespace kivo::app {
namespace {

class OptionsSettingsTest : public testing::Test {
protected:
    test::TempDir dir_;
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
};

TEST_F(OptionsSettingsTest, OpeningWritesTheDefaultsOfMissingKeys) {
    profile_.Write("tester", "Rings", "7");
    const OptionsSettings options = ReadOptions(profile_, "tester");
    EXPECT_EQ(options.rings, 7);
    EXPECT_EQ(profile_.Read("tester", "HighLight"), "N");
    EXPECT_EQ(profile_.Read("tester", "Currency"), "\xC2\xA3");
    EXPECT_EQ(profile_.Read("tester", "PhoneCost"), "0.00");
    EXPECT_EQ(profile_.Read("tester", "Compress"), "Y");
    EXPECT_EQ(profile_.Read("tester", "Rings"), "7");
    EXPECT_EQ(options, ReadOptions(profile_, "tester"));
}

TEST_F(OptionsSettingsTest, ExportPromptIsOnOnlyForANonZeroNumber) {
    profile_.Write("tester", "ExpPrompt", "Y");
    EXPECT_FALSE(ReadOptions(profile_, "tester").export_prompt);
    profile_.Write("tester", "ExpPrompt", "1");
    EXPECT_TRUE(ReadOptions(profile_, "tester").export_prompt);
}

TEST_F(OptionsSettingsTest, OutOfRangeNumbersReadAsTheirDefaults) {
    profile_.Write("tester", "Rings", "11");
    profile_.Write("tester", "Silence", "1");
    profile_.Write("tester", "RecQual", "4");
    const OptionsSettings options = ReadOptions(profile_, "tester");
    EXPECT_EQ(options.rings, 3);
    EXPECT_EQ(options.silence_s, 5);
    EXPECT_EQ(options.recording_quality, 0);
}

TEST_F(OptionsSettingsTest, WritingPutsEveryKeyInItsForm) {
    OptionsSettings options;
    options.phone_cost = "";
    options.meet_cost = "12.5";
    options.export_prompt = true;
    options.prime = true;
    options.compress = false;
    options.rings = 10;
    options.silence_s = 30;
    options.currency = "$";
    options.recording_quality = 3;
    ASSERT_TRUE(WriteOptions(profile_, "tester", options));
    EXPECT_EQ(profile_.Read("tester", "PhoneCost"), "0.00");
    EXPECT_EQ(profile_.Read("tester", "MeetCost"), "12.5");
    EXPECT_EQ(profile_.Read("tester", "ExpPrompt"), "1");
    EXPECT_EQ(profile_.Read("tester", "Prime"), "Y");
    EXPECT_EQ(profile_.Read("tester", "Compress"), "N");
    EXPECT_EQ(profile_.Read("tester", "HighLight"), "N");
    EXPECT_EQ(profile_.Read("tester", "Rings"), "10");
    EXPECT_EQ(profile_.Read("tester", "Silence"), "30");
    EXPECT_EQ(profile_.Read("tester", "Currency"), "$");
    EXPECT_EQ(profile_.Read("tester", "RecQual"), "3");

    options.export_prompt = false;
    WriteOptions(profile_, "tester", options);
    EXPECT_EQ(profile_.Read("tester", "ExpPrompt"), "0");
}

TEST_F(OptionsSettingsTest, CurrencyKeepsAtMost200CharactersWithoutSplittingOne) {
    OptionsSettings options;
    options.currency = std::string(250, 'x');
    WriteOptions(profile_, "tester", options);
    EXPECT_EQ(profile_.Read("tester", "Currency"), std::string(200, 'x'));

    options.currency = std::string(199, 'x') + "\xE2\x82\xAC\xE2\x82\xAC";
    WriteOptions(profile_, "tester", options);
    EXPECT_EQ(profile_.Read("tester", "Currency"), std::string(199, 'x') + "\xE2\x82\xAC");
}

}  // namespace
}  // namespace kivo::app
