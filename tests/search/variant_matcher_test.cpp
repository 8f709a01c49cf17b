// The compiled matcher of a search's words: the same first match as trying
// word by word and variant by variant, however the variants overlap.
#include "kivo/search/variant_matcher.h"

#include <gtest/gtest.h>

#include <random>

#include "kivo/thesaurus/thesaurus.h"

namespace kivo::search {
namespace {

// Gives every word the same fixed related words.
class FixedThesaurus : public thesaurus::Thesaurus {
public:
    explicit FixedThesaurus(std::vector<std::string> related) : related_(std::move(related)) {}
    std::vector<std::string> RelatedWords(std::string_view, std::size_t max_words) override {
        auto words = related_;
        if (words.size() > max_words)
            words.resize(max_words);
        return words;
    }
    std::vector<std::string> Sources() const override { return {"fixed"}; }

private:
    std::vector<std::string> related_;
};

SearchWords Widened(const std::string& text, std::vector<std::string> related) {
    SearchWords words = SearchWords::FromKeywordText(text);
    FixedThesaurus thesaurus(std::move(related));
    words.Widen(thesaurus);
    return words;
}

std::pair<std::size_t, std::size_t> Pair(const std::optional<VariantMatch>& match) {
    return match ? std::pair{match->word, match->variant} : std::pair{SIZE_MAX, SIZE_MAX};
}

TEST(VariantMatcherTest, TheEarliestWordAndVariantWinsWhereverTheyOccur) {
    const SearchWords words = Widened("invoice car", {"bill", "auto", "automobile"});
    const VariantMatcher matcher(words);
    ASSERT_TRUE(matcher.compiled());
    // "AUTOMOBILE" holds "AUTO", which comes first among car's variants.
    EXPECT_EQ(Pair(matcher.FirstMatch("NEW AUTOMOBILE", "")),
              (std::pair<std::size_t, std::size_t>{0, 2}));
    // A later text with an earlier word beats an earlier text.
    EXPECT_EQ(Pair(matcher.FirstMatch("CAR", "OLD INVOICE")),
              (std::pair<std::size_t, std::size_t>{0, 0}));
    EXPECT_EQ(Pair(matcher.FirstMatch("BUDGET", "CARPET")),
              (std::pair<std::size_t, std::size_t>{1, 0}));
    EXPECT_FALSE(matcher.FirstMatch("HOLIDAY", "TRAIN"));
    EXPECT_FALSE(matcher.FirstMatch("", ""));
}

TEST(VariantMatcherTest, AVariantEndingInsideAnotherIsFoundThroughItsSuffix) {
    // Reading "USHERS" the automaton is in "SHE" when "HE", the word itself,
    // ends there as its suffix, and reaches "HERS" by a failure link.
    const SearchWords words = Widened("he", {"she", "hers", "his"});
    const VariantMatcher matcher(words);
    EXPECT_EQ(Pair(matcher.FirstMatch("USHERS", "")), (std::pair<std::size_t, std::size_t>{0, 0}));
    EXPECT_EQ(Pair(matcher.FirstMatch("", "USHRS HISHERS")),
              (std::pair<std::size_t, std::size_t>{0, 0}));
    EXPECT_EQ(Pair(matcher.FirstMatch("THIS", "")), (std::pair<std::size_t, std::size_t>{0, 3}));
}

TEST(VariantMatcherTest, UpperCasedUtf8VariantsMatchWholeCharacters) {
    const SearchWords words = Widened("réunion", {"sitzung", "müller"});
    const VariantMatcher matcher(words);
    EXPECT_EQ(Pair(matcher.FirstMatch("HERR MÜLLER", "")),
              (std::pair<std::size_t, std::size_t>{0, 2}));
    EXPECT_EQ(Pair(matcher.FirstMatch("", "LA RÉUNION")),
              (std::pair<std::size_t, std::size_t>{0, 0}));
    EXPECT_FALSE(matcher.FirstMatch("LA REUNION", "MULLER"));
}

TEST(VariantMatcherTest, AsciiTextIsReadInAnyLetterCase) {
    const SearchWords words = Widened("invoice", {"bill"});
    const VariantMatcher matcher(words);
    ASSERT_TRUE(matcher.ReadsAsciiInAnyCase());
    EXPECT_EQ(Pair(matcher.FirstMatch("the Bill of march", "")),
              (std::pair<std::size_t, std::size_t>{0, 1}));
    EXPECT_EQ(Pair(matcher.FirstMatch("", "inVOICE")), (std::pair<std::size_t, std::size_t>{0, 0}));
    EXPECT_FALSE(matcher.FirstMatch("b-i-l-l", "invoic"));
}

TEST(VariantMatcherTest, AgreesWithTheWordByWordTestOnRandomTexts) {
    std::mt19937 random(7);
    const std::string letters = "ABCDE ";
    const auto text_of = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i)
            text += letters[random() % letters.size()];
        return text;
    };
    for (int round = 0; round < 50; ++round) {
        std::vector<std::string> related;
        for (int v = 0; v < 30; ++v)
            related.push_back(text_of(1 + random() % 4));
        const SearchWords words = Widened(text_of(3) + "X " + text_of(2) + "Y", related);
        const VariantMatcher matcher(words);
        ASSERT_TRUE(matcher.compiled());
        for (int t = 0; t < 40; ++t) {
            const std::string first = text_of(random() % 30), second = text_of(random() % 10);
            ASSERT_EQ(Pair(matcher.FirstMatch(first, second)),
                      Pair(words.FirstMatch(first, second)))
                << first << " | " << second;
        }
    }
}

TEST(VariantMatcherTest, VariantsTooManyToCompileAreStillMatchedWordByWord) {
    const SearchWords words = Widened("invoice car", {"bill", "auto"});
    const VariantMatcher matcher(words, /*max_table_entries=*/8);
    EXPECT_FALSE(matcher.compiled());
    // Both words have the same related words: the first word's comes first.
    EXPECT_EQ(Pair(matcher.FirstMatch("NEW AUTO", "")),
              (std::pair<std::size_t, std::size_t>{0, 2}));
    EXPECT_EQ(Pair(matcher.FirstMatch("NEW CAR", "")), (std::pair<std::size_t, std::size_t>{1, 0}));
    EXPECT_FALSE(matcher.FirstMatch("TRAIN", ""));
}

TEST(VariantMatcherTest, NoWordsMatchNothing) {
    const SearchWords words = SearchWords::FromKeywordText("  ");
    const VariantMatcher matcher(words);
    EXPECT_FALSE(matcher.FirstMatch("ANYTHING", "AT ALL"));
}

}  // namespace
}  // namespace kivo::search
