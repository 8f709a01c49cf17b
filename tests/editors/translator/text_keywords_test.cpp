// The index keywords of a translation: the user's, then the texts' words.
#include "kivo/translator/text_keywords.h"

#include <gtest/gtest.h>

namespace kivo::translator {
namespace {

TEST(TextKeywordsTest, WordsOfBothTextsFollowTheUsersKeywordsEachOnce) {
    EXPECT_EQ(TranslationKeywords("letter", "The dog eats. The dog!", "El perro come."),
              "letter The dog eats El perro come");
    // Case-insensitive: "the" is already there as "The".
    EXPECT_EQ(TranslationKeywords("", "The cat", "the gato"), "The cat gato");
}

TEST(TextKeywordsTest, AccentedWordsStayWhole) {
    EXPECT_EQ(DistinctWords("A casa é grande, mañana."),
              (std::vector<std::string>{"A", "casa", "é", "grande", "mañana"}));
}

TEST(TextKeywordsTest, KeywordsStopAtTheIndexLimitAtAWholeWord) {
    std::string text;
    for (int word = 0; word < 2000; ++word)
        text += "word" + std::to_string(word) + " ";
    const std::string keywords = TranslationKeywords("", text, "");
    EXPECT_LE(keywords.size(), kIndexKeywordBytes);
    EXPECT_GT(keywords.size(), kIndexKeywordBytes - 10);
    EXPECT_EQ(keywords.substr(keywords.rfind(' ') + 1).substr(0, 4), "word");
    EXPECT_NE(keywords.back(), ' ');
}

}  // namespace
}  // namespace kivo::translator
