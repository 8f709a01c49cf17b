// Finding the changed stretches of a component file and applying them: the
// journal's changes must rebuild the new file exactly, also when played
// back twice or onto a file that already holds them.
#include "kivo/recordstore/component_changes.h"

#include <gtest/gtest.h>

#include <random>

namespace kivo::recordstore {
namespace {

std::string Line(char fill) {
    std::string line(400, fill);
    line += '\n';
    return line;
}

std::string Applied(std::string content, const std::vector<ComponentChange>& changes) {
    for (const ComponentChange& change : changes)
        ApplyChange(change, content);
    return content;
}

TEST(ComponentChanges, AnAppendedLineIsOneChangeHoldingJustThatLine) {
    const std::string before = Line('h') + Line('a');
    const std::string after = before + Line('b');
    const auto changes = FindChanges("Voxwren.xrr", before, after);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].member, "Voxwren.xrr");
    EXPECT_EQ(changes[0].offset_bytes, 802u);
    EXPECT_EQ(changes[0].new_size_bytes, 1203u);
    EXPECT_EQ(changes[0].bytes, Line('b'));
}

TEST(ComponentChanges, AReplacedLineInTheMiddleIsOneChangeOfItsDifferingBytes) {
    const std::string before = Line('h') + Line('a') + Line('b');
    std::string after = before;
    after.replace(401 + 10, 5, "EDIT!");
    const auto changes = FindChanges("log", before, after);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].offset_bytes, 411u);
    EXPECT_EQ(changes[0].bytes, "EDIT!");
    EXPECT_EQ(changes[0].new_size_bytes, before.size());
}

TEST(ComponentChanges, NearbyDifferencesJoinAndDistantOnesStayApart) {
    const std::string before(10000, '.');
    std::string after = before;
    after[100] = 'x';
    after[100 + kChangeJoinGapBytes - 1] = 'y';  // joined with the first
    after[5000] = 'z';                           // a change of its own
    const auto changes = FindChanges("m", before, after);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].offset_bytes, 100u);
    EXPECT_EQ(changes[0].bytes.size(), kChangeJoinGapBytes);
    EXPECT_EQ(changes[1].offset_bytes, 5000u);
    EXPECT_EQ(changes[1].bytes, "z");
}

TEST(ComponentChanges, AFileThatOnlyShrankGivesOneChangeWithoutBytes) {
    const auto changes = FindChanges("m", "abcdef", "abc");
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].offset_bytes, 3u);
    EXPECT_EQ(changes[0].new_size_bytes, 3u);
    EXPECT_TRUE(changes[0].bytes.empty());
    EXPECT_EQ(Applied("abcdef", changes), "abc");
}

TEST(ComponentChanges, EqualFilesGiveNoChangeAndAnEmptyBaseGivesTheWholeFile) {
    EXPECT_TRUE(FindChanges("m", "same", "same").empty());
    EXPECT_TRUE(FindChanges("m", "", "").empty());
    const auto whole = FindChanges("m", "", "new file");
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(Applied("", whole), "new file");
}

// Random edits of the kinds the program makes (lines appended, replaced in
// place, a file rewritten shorter or longer): the changes rebuild the new
// file from the old, again from the new (played back twice), and from the
// old with a torn last line cut off or left (the journal's idempotence).
TEST(ComponentChanges, ChangesRebuildTheNewFileFromTheOldAreIdempotentAndIndependentOfPieces) {
    std::mt19937 random(7);
    for (int round = 0; round < 500; ++round) {
        std::string before(random() % 9000, '\0');
        for (char& c : before)
            c = static_cast<char>('a' + random() % 3);
        std::string after = before;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            switch (random() % 4) {
                case 0:
                    after += std::string(random() % 600, static_cast<char>('A' + random() % 26));
                    break;
                case 1:
                    if (!after.empty())
                        after[random() % after.size()] = '#';
                    break;
                case 2:
                    after.resize(random() % (after.size() + 1));
                    break;
                default:
                    if (after.size() > 50)
                        after.replace(random() % (after.size() - 50), 50, std::string(50, '*'));
            }
        }
        const auto changes = FindChanges("m", before, after);
        // Read from a file a block at a time, the new version arrives in
        // pieces of any size; the changes must not depend on where it is cut.
        ChangeFinder finder("m", before);
        for (std::size_t fed = 0; fed < after.size();) {
            const std::size_t piece =
                std::min<std::size_t>(1 + random() % 5000, after.size() - fed);
            finder.Feed(std::string_view(after).substr(fed, piece));
            fed += piece;
        }
        ASSERT_EQ(std::move(finder).Finish(), changes) << "round " << round;
        ASSERT_EQ(Applied(before, changes), after) << "round " << round;
        ASSERT_EQ(Applied(after, changes), after) << "round " << round;
        ASSERT_EQ(Applied(Applied(before, changes), changes), after) << "round " << round;
    }
}

}  // namespace
}  // namespace kivo::recordstore
