// Translation by the Apertium pairs installed on this machine (Debian's
// apertium-eng-spa and apertium-es-pt): skipped where they are missing.
#include "kivo/translation/lang_trans.h"

#include <gtest/gtest.h>

namespace kivo::translation {
namespace {

class InstalledTranslationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (library_.InitLangTrans(kDefaultDataFolder) < 0)
            GTEST_SKIP() << "no Apertium pair installed in " << kDefaultDataFolder;
    }

    const LanguageChoice* Find(const std::string& from, const std::string& to) const {
        for (const LanguageGroup& group : library_.groups()) {
            for (const LanguageChoice& choice : group.choices) {
                if (group.source_language == from && choice.result_language == to)
                    return &choice;
            }
        }
        return nullptr;
    }

    LangTrans library_;
};

TEST_F(InstalledTranslationTest, TableHasEnglishSpanishDirectAndPortugueseByPivot) {
    const LanguageChoice* spanish = Find("English", "Spanish");
    const LanguageChoice* portuguese = Find("English", "Portuguese");
    if (spanish == nullptr || portuguese == nullptr || !portuguese->available())
        GTEST_SKIP() << "apertium-eng-spa and apertium-es-pt are needed";
    EXPECT_EQ(spanish->code, "eng-spa");
    EXPECT_NE(portuguese->code.find('+'), std::string::npos);
    EXPECT_NE(portuguese->display_name.find("through Spanish"), std::string::npos);
}

TEST_F(InstalledTranslationTest, KnownEnglishSentenceBecomesSpanish) {
    const LanguageChoice* spanish = Find("English", "Spanish");
    if (spanish == nullptr)
        GTEST_SKIP() << "apertium-eng-spa is needed";
    std::string translated;
    const TranslationStatus status = library_.LangTransForm(
        {"The house is big and the dog eats bread.", spanish->code}, &translated);
    ASSERT_TRUE(status.ok()) << status.detail();
    EXPECT_NE(translated.find("casa"), std::string::npos) << translated;
    EXPECT_NE(translated.find("perro"), std::string::npos) << translated;
    EXPECT_NE(translated.find("pan"), std::string::npos) << translated;
}

TEST_F(InstalledTranslationTest, EnglishToPortugueseRunsThroughSpanish) {
    const LanguageChoice* portuguese = Find("English", "Portuguese");
    if (portuguese == nullptr || !portuguese->available())
        GTEST_SKIP() << "apertium-eng-spa and apertium-es-pt are needed";
    std::string translated;
    ASSERT_TRUE(library_.LangTransForm({"The house is big.", portuguese->code}, &translated).ok());
    // Portuguese "A casa é grande", not the Spanish "La casa es grande".
    EXPECT_NE(translated.find("casa"), std::string::npos) << translated;
    EXPECT_NE(translated.find("é"), std::string::npos) << translated;
    EXPECT_EQ(translated.find("La casa"), std::string::npos) << translated;
}

}  // namespace
}  // namespace kivo::translation
