// The words of a search and their variants: splitting, widening by a
// thesaurus, the limits, and the statistics list.
#include "kivo/search/search_words.h"

#include <gtest/gtest.h>

#include <map>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/search/record_search.h"
#include "kivo/thesaurus/thesaurus.h"
#include "search_folder.h"

namespace kivo::search {
namespace {

// A thesaurus that knows a fixed table of words.
class TableThesaurus : public thesaurus::Thesaurus {
public:
    explicit TableThesaurus(std::map<std::string, std::vector<std::string>> table)
        : table_(std::move(table)) {}
    std::vector<std::string> RelatedWords(std::string_view word, std::size_t max_words) override {
        asked.emplace_back(word);
        std::string key(word);
        for (char& c : key)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        auto it = table_.find(key);
        if (it == table_.end())
            return {};
        std::vector<std::string> words = it->second;
        if (words.size() > max_words)
            words.resize(max_words);
        return words;
    }
    std::vector<std::string> Sources() const override { return {"table"}; }
    std::vector<std::string> asked;

private:
    std::map<std::string, std::vector<std::string>> table_;
};

TEST(SearchWordsTest, WordsAreCutAtAnyBlankAndEmptyWordsAreSkipped) {
    const auto words = SearchWords::FromKeywordText("  invoice\tMarch\r\n  call  ");
    ASSERT_EQ(words.words().size(), 3u);
    EXPECT_EQ(words.words()[0].variants, (std::vector<std::string>{"INVOICE"}));
    EXPECT_EQ(words.words()[1].variants, (std::vector<std::string>{"MARCH"}));
    EXPECT_EQ(words.words()[2].variants, (std::vector<std::string>{"CALL"}));
    EXPECT_TRUE(SearchWords::FromKeywordText(" \t ").empty());
}

TEST(SearchWordsTest, AVariantIsCutTo99BytesAtACharacterBoundary) {
    const std::string long_word = std::string(98, 'a') + "é";  // 100 bytes
    const auto words = SearchWords::FromKeywordText(long_word);
    EXPECT_EQ(words.words()[0].variants[0], std::string(98, 'A'));
}

TEST(SearchWordsTest, WideningAddsRelatedWordsOnceAndAtMost200Variants) {
    std::vector<std::string> many;
    for (int i = 0; i < 300; ++i)
        many.push_back("word" + std::to_string(i));
    many.insert(many.begin(), {"auto", "Auto", "car"});  // repeats and the word itself
    TableThesaurus table({{"car", many}, {"bill", {"invoice", "note"}}});
    auto words = SearchWords::FromKeywordText("Car bill");
    words.Widen(table);
    EXPECT_EQ(table.asked, (std::vector<std::string>{"CAR", "BILL"}));
    const auto& car = words.words()[0].variants;
    EXPECT_EQ(car.size(), kMaxVariantsPerWord);
    EXPECT_EQ(car[0], "CAR");
    EXPECT_EQ(car[1], "AUTO");
    EXPECT_EQ(car[2], "WORD0");
    EXPECT_EQ(words.words()[1].variants, (std::vector<std::string>{"BILL", "INVOICE", "NOTE"}));
}

TEST(SearchWordsTest, FirstMatchTriesWordsInOrderAndVariantsInOrder) {
    TableThesaurus table({{"car", {"automobile", "auto"}}});
    auto words = SearchWords::FromKeywordText("car budget");
    words.Widen(table);
    const auto by_synonym = words.FirstMatch("NEW AUTOMOBILE", "");
    ASSERT_TRUE(by_synonym);
    EXPECT_EQ(by_synonym->word, 0u);
    EXPECT_EQ(by_synonym->variant, 1u);
    const auto second_word = words.FirstMatch("", "BUDGET AUTO");
    ASSERT_TRUE(second_word);
    EXPECT_EQ(second_word->word, 0u);  // the first word's variant comes first
    EXPECT_EQ(second_word->variant, 2u);
    EXPECT_FALSE(words.FirstMatch("HOLIDAY", "TRAIN"));
}

TEST(SearchWordsTest, SmartSearchFindsByASynonymAndCountsItUnderItsVariant) {
    test::SearchFolder folder;
    test::TestRecord a, b, c;
    a.number = 1;
    a.keywords = "new automobile";
    b.number = 2;
    b.keywords = "car park";
    c.number = 3;
    c.keywords = "holiday";
    folder.Add({a, b, c});
    TableThesaurus table({{"car", {"automobile", "motorcar"}}});
    SearchCriteria criteria;
    criteria.keywords = "car";
    criteria.smart = true;
    const auto outcome =
        RecordSearch(filesystem::DefaultFileSystem(), folder.path()).Run(criteria, &table);
    ASSERT_EQ(outcome.rows.size(), 2u);
    ASSERT_EQ(outcome.statistics.size(), 2u);
    EXPECT_EQ(outcome.statistics[0].word, "CAR");
    EXPECT_EQ(outcome.statistics[0].matches, 2);
    EXPECT_EQ(outcome.statistics[1].word, "CAR > AUTOMOBILE");
    EXPECT_EQ(outcome.statistics[1].matches, 1);

    criteria.smart = false;  // without smart search the thesaurus is not asked
    table.asked.clear();
    const auto plain =
        RecordSearch(filesystem::DefaultFileSystem(), folder.path()).Run(criteria, &table);
    EXPECT_EQ(plain.rows.size(), 1u);
    EXPECT_TRUE(table.asked.empty());
}

}  // namespace
}  // namespace kivo::search
