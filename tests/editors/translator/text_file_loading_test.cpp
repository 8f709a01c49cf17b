// Loading a text to translate: UTF-8 and Windows-1252 files, cut to the limit
// at a character boundary, a huge file read only as far as the limit.
#include "kivo/translator/text_file_loading.h"

#include <gtest/gtest.h>

#include <fstream>

#include "temp_dir.h"

namespace kivo::translator {
namespace {

TEST(TextFileLoadingTest, Utf8StaysAsItIsWithoutItsByteOrderMark) {
    const LoadedText loaded = DecodeText(
        "\xEF\xBB\xBF"
        "Ma\xC3\xB1"
        "ana \xE2\x82\xAC",
        100);
    ASSERT_TRUE(loaded.ok);
    EXPECT_FALSE(loaded.cut);
    EXPECT_EQ(loaded.utf8,
              "Ma\xC3\xB1"
              "ana \xE2\x82\xAC");
}

TEST(TextFileLoadingTest, Windows1252BecomesUtf8) {
    // "café" ending in a lone 0xE9, the euro sign 0x80 and curly quotes.
    const LoadedText loaded = DecodeText(
        "\x93"
        "caf\xE9"
        "\x94 \x80"
        "5 caf\xE9",
        100);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.utf8,
              "\xE2\x80\x9C"
              "caf\xC3\xA9"
              "\xE2\x80\x9D \xE2\x82\xAC"
              "5 caf\xC3\xA9");
}

TEST(TextFileLoadingTest, LimitCutsBetweenCharacters) {
    // "ñ" is two bytes: a limit of 2 keeps "a", never half of "ñ".
    LoadedText loaded = DecodeText("a\xC3\xB1z", 2);
    EXPECT_TRUE(loaded.cut);
    EXPECT_EQ(loaded.utf8, "a");
    // Windows-1252 "é" becomes two bytes of UTF-8, cut the same way.
    loaded = DecodeText("a\xE9z", 2);
    EXPECT_TRUE(loaded.cut);
    EXPECT_EQ(loaded.utf8, "a");
}

TEST(TextFileLoadingTest, LargeFileIsReadOnlyToTheLimit) {
    test::TempDir folder;
    std::string text;
    while (text.size() < 100000)
        text += "el ni\xC3\xB1o ";
    std::ofstream(folder.path() / "big.txt", std::ios::binary) << text;
    const LoadedText loaded = LoadTextFile(folder.path() / "big.txt", 1001);
    ASSERT_TRUE(loaded.ok);
    EXPECT_TRUE(loaded.cut);
    EXPECT_LE(loaded.utf8.size(), 1001u);
    EXPECT_GE(loaded.utf8.size(), 998u);
    // Still UTF-8: the long text was not taken for Windows-1252.
    EXPECT_EQ(loaded.utf8, text.substr(0, loaded.utf8.size()));
}

TEST(TextFileLoadingTest, MissingFileIsNotLoaded) {
    test::TempDir folder;
    EXPECT_FALSE(LoadTextFile(folder.path() / "none.txt").ok);
}

}  // namespace
}  // namespace kivo::translator
