// The instant filter of the main window's search field.
#include "kivo/search/instant_filter.h"

#include <gtest/gtest.h>

#include "kivo/filesystem/posix_file_system.h"
#include "search_folder.h"

namespace kivo::search {
namespace {

using Rows = std::vector<std::size_t>;

TEST(InstantFilterTest, TypingNarrowsTheRowsLetterByLetter) {
    const InstantFilter filter({"Budget meeting notes", "Anna Berg 0123 456 invoice",
                                "Call back Bernd", "Ärger mit der Bank"});
    EXPECT_EQ(filter.Matching(""), (Rows{0, 1, 2, 3}));
    EXPECT_EQ(filter.Matching("b"), (Rows{0, 1, 2, 3}));
    EXPECT_EQ(filter.Matching("be"), (Rows{1, 2}));
    EXPECT_EQ(filter.Matching("ber"), (Rows{1, 2}));
    EXPECT_EQ(filter.Matching("bern"), (Rows{2}));
    EXPECT_EQ(filter.Matching("0123"), (Rows{1}));
    EXPECT_EQ(filter.Matching("ärger"), (Rows{3}));
    EXPECT_EQ(filter.Matching("ÄRGER"), (Rows{3}));
}

TEST(InstantFilterTest, SeveralWordsFindRowsWithAnyOfThem) {
    const InstantFilter filter({"budget", "invoice", "holiday"});
    EXPECT_EQ(filter.Matching("invoice budget"), (Rows{0, 1}));
    EXPECT_EQ(filter.Matching("   "), (Rows{0, 1, 2}));
}

TEST(InstantFilterTest, IndexKeywordsAreReadByRecordNumber) {
    test::SearchFolder folder;
    test::TestRecord a, b;
    a.number = 7;
    a.keywords = "invoice march";
    b.number = 9;
    b.keywords = "";
    folder.Add({a, b});
    const auto keywords = ReadIndexKeywords(filesystem::DefaultFileSystem(), folder.path());
    ASSERT_EQ(keywords.size(), 2u);
    EXPECT_EQ(keywords.at(7), "invoice march");
    EXPECT_EQ(keywords.at(9), "");
    EXPECT_TRUE(ReadIndexKeywords(filesystem::DefaultFileSystem(), folder.File("nowhere")).empty());
}

}  // namespace
}  // namespace kivo::search
