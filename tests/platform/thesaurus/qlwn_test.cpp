// Related words from the installed dictionaries and from MyThes thesauri
// made by the test.
#include "kivo/thesaurus/qlwn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "temp_dir.h"

namespace kivo::thesaurus {
namespace {

bool Has(const std::vector<std::string>& words, const std::string& word) {
    return std::find(words.begin(), words.end(), word) != words.end();
}

// Writes a MyThes thesaurus "th_<language>_v2" in encoding: each entry a
// word with one meaning and its synonyms.
void WriteMyThes(const std::filesystem::path& folder, const std::string& language,
                 const std::string& encoding,
                 const std::vector<std::pair<std::string, std::vector<std::string>>>& entries) {
    std::string data = encoding + "\n";
    std::string index = encoding + "\n" + std::to_string(entries.size()) + "\n";
    for (const auto& [word, synonyms] : entries) {
        index += word + "|" + std::to_string(data.size()) + "\n";
        data += word + "|1\n-";
        for (const auto& synonym : synonyms)
            data += "|" + synonym;
        data += "\n";
    }
    const std::string stem = "th_" + language + "_v2";
    std::ofstream(folder / (stem + ".idx"), std::ios::binary) << index;
    std::ofstream(folder / (stem + ".dat"), std::ios::binary) << data;
}

QlwnFolders MyThesOnly(const std::filesystem::path& folder) {
    QlwnFolders folders;
    folders.use_wordnet = false;
    folders.mythes_dictionaries = folder.string();
    return folders;
}

TEST(QlwnTest, WithoutAnyDictionaryOpeningSaysWhatToInstall) {
    kivo::test::TempDir empty;
    const auto opening = OpenQlwn(MyThesOnly(empty.path()));
    EXPECT_EQ(opening.thesaurus, nullptr);
    EXPECT_NE(opening.message.find("wordnet-base"), std::string::npos);
    EXPECT_NE(opening.message.find("mythes"), std::string::npos);
}

TEST(QlwnTest, MyThesSynonymsComeInLowerCaseWithoutNotesOrTheWordItself) {
    kivo::test::TempDir dir;
    WriteMyThes(dir.path(), "xx_XX", "UTF-8",
                {{"rechnung", {"Rechnung", "Faktura (veraltet)", "Abrechnung", "Faktura"}},
                 {"straße", {"Gasse", "Weg"}}});
    const auto opening = OpenQlwn(MyThesOnly(dir.path()));
    ASSERT_NE(opening.thesaurus, nullptr) << opening.message;
    EXPECT_EQ(opening.thesaurus->Sources(), (std::vector<std::string>{"MyThes xx_XX"}));
    EXPECT_EQ(opening.thesaurus->RelatedWords("RECHNUNG", 10),
              (std::vector<std::string>{"faktura", "abrechnung"}));
    EXPECT_EQ(opening.thesaurus->RelatedWords("STRASSE", 10), std::vector<std::string>{});
    EXPECT_EQ(opening.thesaurus->RelatedWords("STRAßE", 1), (std::vector<std::string>{"gasse"}));
    EXPECT_TRUE(opening.thesaurus->RelatedWords("unbekannt", 10).empty());
    EXPECT_TRUE(opening.thesaurus->RelatedWords("", 10).empty());
}

TEST(QlwnTest, ALatin1ThesaurusIsLookedUpAndAnsweredInUtf8) {
    kivo::test::TempDir dir;
    WriteMyThes(dir.path(), "fr_FR", "ISO8859-1",
                {{"\xE9l\xE8ve", {"\xC9tudiant", "disciple"}}});  // élève: Étudiant
    const auto opening = OpenQlwn(MyThesOnly(dir.path()));
    ASSERT_NE(opening.thesaurus, nullptr) << opening.message;
    EXPECT_EQ(opening.thesaurus->RelatedWords("ÉLÈVE", 10),
              (std::vector<std::string>{"étudiant", "disciple"}));
    EXPECT_TRUE(opening.thesaurus->RelatedWords("жук", 10).empty());  // not Latin-1
}

TEST(QlwnTest, WordNetGivesEnglishSynonymsOfTheBaseForm) {
    const auto opening = OpenQlwn({.use_wordnet = true, .mythes_dictionaries = "/nonexistent"});
    if (opening.thesaurus == nullptr)
        GTEST_SKIP() << "WordNet is not installed";
    const auto related = opening.thesaurus->RelatedWords("INVOICES", 50);
    EXPECT_TRUE(Has(related, "bill")) << related.size();
    EXPECT_TRUE(Has(related, "invoice") || !Has(related, "invoices"));
    const auto car = opening.thesaurus->RelatedWords("car", 50);
    EXPECT_TRUE(Has(car, "automobile"));
    EXPECT_TRUE(Has(car, "railway car"));  // WordNet's underscores become spaces
    EXPECT_FALSE(Has(car, "car"));
    EXPECT_LE(opening.thesaurus->RelatedWords("car", 3).size(), 3u);
}

TEST(QlwnTest, TheInstalledGermanThesaurusIsUsedBesideWordNet) {
    if (!std::filesystem::exists("/usr/share/mythes/th_de_DE_v2.idx"))
        GTEST_SKIP() << "mythes-de is not installed";
    const auto opening = OpenQlwn();
    ASSERT_NE(opening.thesaurus, nullptr) << opening.message;
    EXPECT_TRUE(Has(opening.thesaurus->Sources(), "MyThes de_DE"));
    EXPECT_TRUE(Has(opening.thesaurus->RelatedWords("RECHNUNG", 200), "faktura"));
}

}  // namespace
}  // namespace kivo::thesaurus
