// The language table built from the mode files of a data folder: direct
// pairs, a route through an intermediate language, the result languages
// without an installed route, and the mode names that are not pairs.
#include <gtest/gtest.h>

#include <fstream>

#include "kivo/translation/installed_pairs.h"
#include "kivo/translation/lang_trans.h"
#include "kivo/translation/language_names.h"
#include "kivo/translation/language_table.h"
#include "temp_dir.h"

namespace kivo::translation {
namespace {

void AddModes(const test::TempDir& folder, std::initializer_list<const char*> modes) {
    std::filesystem::create_directories(folder.path() / "modes");
    for (const char* mode : modes)
        std::ofstream(folder.path() / "modes" / (std::string(mode) + ".mode")) << "lt-proc x\n";
}

const LanguageChoice* FindChoice(const std::vector<LanguageGroup>& groups, const std::string& from,
                                 const std::string& to) {
    for (const LanguageGroup& group : groups) {
        if (group.source_language != from)
            continue;
        for (const LanguageChoice& choice : group.choices) {
            if (choice.result_language == to)
                return &choice;
        }
    }
    return nullptr;
}

TEST(InstalledPairsTest, VariantsAndDevelopmentModesAreNotPairs) {
    test::TempDir folder;
    AddModes(folder, {"eng-spa", "es-pt", "es-pt_BR", "eng-spa-tagger", "spa-eng"});
    std::ofstream(folder.path() / "modes" / "README") << "not a mode";
    const std::vector<InstalledPair> pairs = FindInstalledPairs(folder.path());
    ASSERT_EQ(pairs.size(), 3u);
    EXPECT_EQ(pairs[0].mode, "eng-spa");
    EXPECT_EQ(pairs[0].from_code, "eng");
    EXPECT_EQ(pairs[0].to_code, "spa");
    EXPECT_EQ(pairs[1].mode, "es-pt");
    EXPECT_EQ(pairs[2].mode, "spa-eng");
}

TEST(InstalledPairsTest, ModeNamesThatCouldCarryOptionsOrPathsAreRefused) {
    EXPECT_TRUE(IsPlainModeName("en-es"));
    EXPECT_TRUE(IsPlainModeName("eng-spa"));
    EXPECT_FALSE(IsPlainModeName("-u"));
    EXPECT_FALSE(IsPlainModeName("../x-y"));
    EXPECT_FALSE(IsPlainModeName("en-es;rm"));
    EXPECT_FALSE(IsPlainModeName("EN-ES"));
    EXPECT_FALSE(IsPlainModeName("english-spanish"));
}

TEST(LanguageTableTest, DirectPairAndPivotThroughSpanish) {
    const std::vector<LanguageGroup> groups = BuildLanguageTable(
        {{"eng-spa", "eng", "spa"}, {"es-pt", "es", "pt"}, {"spa-eng", "spa", "eng"}});
    const LanguageChoice* spanish = FindChoice(groups, "English", "Spanish");
    ASSERT_NE(spanish, nullptr);
    EXPECT_EQ(spanish->code, "eng-spa");
    EXPECT_EQ(spanish->display_name, "English to Spanish");

    // Two- and three-letter codes name the same language, so the Spanish of
    // "eng-spa" joins the Spanish of "es-pt".
    const LanguageChoice* portuguese = FindChoice(groups, "English", "Portuguese");
    ASSERT_NE(portuguese, nullptr);
    EXPECT_EQ(portuguese->code, "eng-spa+es-pt");
    EXPECT_EQ(portuguese->display_name, "English to Portuguese (through Spanish)");
    EXPECT_TRUE(portuguese->available());
}

TEST(LanguageTableTest, PivotPrefersTheBestConnectedIntermediate) {
    // Portuguese is reachable through Catalan and through Spanish; Spanish
    // has more pairs, so the route runs through it.
    const std::vector<LanguageGroup> groups = BuildLanguageTable({{"eng-cat", "eng", "cat"},
                                                                  {"cat-por", "cat", "por"},
                                                                  {"eng-spa", "eng", "spa"},
                                                                  {"es-pt", "es", "pt"},
                                                                  {"spa-ita", "spa", "ita"}});
    const LanguageChoice* portuguese = FindChoice(groups, "English", "Portuguese");
    ASSERT_NE(portuguese, nullptr);
    EXPECT_EQ(portuguese->code, "eng-spa+es-pt");
    const LanguageChoice* italian = FindChoice(groups, "English", "Italian");
    ASSERT_NE(italian, nullptr);
    EXPECT_EQ(italian->code, "eng-spa+spa-ita");
}

TEST(LanguageTableTest, ResultLanguagesWithoutRouteAreListedAsNotInstalled) {
    const std::vector<LanguageGroup> groups = BuildLanguageTable({{"eng-spa", "eng", "spa"}});
    ASSERT_EQ(groups.size(), 1u);
    const LanguageChoice* german = FindChoice(groups, "English", "German");
    ASSERT_NE(german, nullptr);
    EXPECT_FALSE(german->available());
    EXPECT_EQ(german->display_name, "English to German (not installed)");
    // Spanish first, then the five others of the six that are not English.
    EXPECT_TRUE(groups[0].choices.front().available());
    EXPECT_EQ(groups[0].choices.size(), 5u);
    EXPECT_EQ(FindChoice(groups, "English", "English"), nullptr);
}

TEST(LanguageTableTest, RouteOfCodeAcceptsOnlyOneOrTwoPlainModes) {
    EXPECT_EQ(RouteOfCode("eng-spa"), std::vector<std::string>{"eng-spa"});
    EXPECT_EQ(RouteOfCode("eng-spa+es-pt"), (std::vector<std::string>{"eng-spa", "es-pt"}));
    EXPECT_TRUE(RouteOfCode("").empty());
    EXPECT_TRUE(RouteOfCode("eng-spa+").empty());
    EXPECT_TRUE(RouteOfCode("a-b+c-d+e-f").empty());
    EXPECT_TRUE(RouteOfCode("eng-spa+-d").empty());
}

TEST(TranslationKindTest, ResultLanguageGivesKindIgnoringCase) {
    EXPECT_EQ(TranslationKindCode("English"), 11);
    EXPECT_EQ(TranslationKindCode("French"), 12);
    EXPECT_EQ(TranslationKindCode("Italian"), 13);
    EXPECT_EQ(TranslationKindCode("spanish"), 14);
    EXPECT_EQ(TranslationKindCode("German"), 15);
    EXPECT_EQ(TranslationKindCode("PORTUGUESE"), 16);
    EXPECT_EQ(TranslationKindCode("Catalan"), 11);
    EXPECT_EQ(TranslationKindCode(""), 11);
}

TEST(LangTransTableTest, EmptyDataFolderGivesMessage850) {
    test::TempDir folder;
    LangTrans library;
    EXPECT_EQ(library.InitLangTrans(folder.path()), -kMessageNoLanguages);
    EXPECT_EQ(kMessageNoLanguages, 850);
    EXPECT_EQ(library.InitLangTrans(folder.path() / "missing"), -850);
}

TEST(LangTransTableTest, KeysReadTheTable) {
    test::TempDir folder;
    AddModes(folder, {"eng-spa", "es-pt"});
    LangTrans library;
    // English and Spanish are the two source languages.
    ASSERT_EQ(library.InitLangTrans(folder.path()), 2);
    EXPECT_EQ(library.LangTransGetCodes("00", 1), "English");
    EXPECT_EQ(library.LangTransGetCodes("00", 0),
              std::to_string(library.groups()[0].choices.size()));
    EXPECT_EQ(library.LangTransGetCodes("0000", 0), "eng-spa+es-pt");
    EXPECT_EQ(library.LangTransGetCodes("res0000", 0), "Portuguese");
    EXPECT_EQ(library.LangTransGetCodes("0001", 1), "English to Spanish");
    EXPECT_EQ(library.LangTransGetCodes("0001", 0), "eng-spa");
    EXPECT_EQ(library.LangTransGetCodes("02", 0), "");
    EXPECT_EQ(library.LangTransGetCodes("0099", 0), "");
    EXPECT_EQ(library.LangTransGetCodes("0x", 0), "");
    EXPECT_EQ(library.LangTransGetCodes("res00", 0), "");
}

TEST(LangTransTableTest, CodeNotOfferedByTheTableIsNeverRun) {
    test::TempDir folder;
    AddModes(folder, {"eng-spa"});
    LangTrans library;
    ASSERT_EQ(library.InitLangTrans(folder.path()), 1);
    std::string translated = "old";
    EXPECT_FALSE(library.LangTransForm({"hello", "spa-eng"}, &translated).ok());
    EXPECT_FALSE(library.LangTransForm({"hello", ""}, &translated).ok());
    EXPECT_TRUE(translated.empty());
}

}  // namespace
}  // namespace kivo::translation
