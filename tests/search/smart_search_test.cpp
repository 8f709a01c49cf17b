// Smart search with the installed dictionaries: a record is found by a
// related word and counted under that word in the statistics.
#include <gtest/gtest.h>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/search/record_search.h"
#include "kivo/thesaurus/qlwn.h"
#include "search_folder.h"

namespace kivo::search {
namespace {

int MatchesOf(const SearchOutcome& outcome, const std::string& word) {
    for (const auto& row : outcome.statistics) {
        if (row.word == word)
            return row.matches;
    }
    return -1;
}

class SmartSearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::TestRecord english, german, other;
        english.number = 1;
        english.keywords = "electricity bill for March";
        german.number = 2;
        german.keywords = "Faktura Nr. 12 vom Stromanbieter";
        other.number = 3;
        other.keywords = "holiday plans";
        folder.Add({english, german, other});
    }
    SearchOutcome Smart(const std::string& words, thesaurus::Thesaurus* thesaurus) {
        SearchCriteria criteria;
        criteria.keywords = words;
        criteria.smart = true;
        return RecordSearch(filesystem::DefaultFileSystem(), folder.path())
            .Run(criteria, thesaurus);
    }
    test::SearchFolder folder;
};

TEST_F(SmartSearchTest, WordNetFindsABillByTheWordInvoice) {
    const auto qlwn = thesaurus::OpenQlwn({.use_wordnet = true, .mythes_dictionaries = "/none"});
    if (qlwn.thesaurus == nullptr)
        GTEST_SKIP() << "WordNet is not installed";
    const auto outcome = Smart("invoice", qlwn.thesaurus.get());
    ASSERT_EQ(outcome.rows.size(), 1u);
    EXPECT_EQ(outcome.rows[0].record_number, 1);
    EXPECT_EQ(MatchesOf(outcome, "INVOICE"), 1);
    EXPECT_EQ(MatchesOf(outcome, "INVOICE > BILL"), 1);
}

TEST_F(SmartSearchTest, TheGermanThesaurusFindsAFakturaByTheWordRechnung) {
    if (!std::filesystem::exists("/usr/share/mythes/th_de_DE_v2.idx"))
        GTEST_SKIP() << "mythes-de is not installed";
    const auto qlwn = thesaurus::OpenQlwn({.use_wordnet = false});
    ASSERT_NE(qlwn.thesaurus, nullptr) << qlwn.message;
    const auto outcome = Smart("Rechnung", qlwn.thesaurus.get());
    ASSERT_EQ(outcome.rows.size(), 1u);
    EXPECT_EQ(outcome.rows[0].record_number, 2);
    // "Faktur" comes before "Faktura" among the synonyms and is part of it.
    EXPECT_EQ(MatchesOf(outcome, "RECHNUNG > FAKTUR"), 1);
}

}  // namespace
}  // namespace kivo::search
