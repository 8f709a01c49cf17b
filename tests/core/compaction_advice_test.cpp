// The compaction question at start-up is asked for large, wasteful stores.
#include "kivo/core/compaction_advice.h"

#include <gtest/gtest.h>

namespace kivo::core {
namespace {

TEST(CompactionAdvice, StoreOf150MbWith20MbDeletedIsOffered) {
    CompactionAdvice advice = AdviseCompaction(150'000'000, 20'000'000);
    EXPECT_EQ(advice.size_mb, 143u);
    EXPECT_NEAR(advice.waste_percent, 13.3, 0.05);
    EXPECT_TRUE(advice.offer);
}

TEST(CompactionAdvice, StoreOf150MbWith5MbDeletedIsNotOffered) {
    CompactionAdvice advice = AdviseCompaction(150'000'000, 5'000'000);
    EXPECT_NEAR(advice.waste_percent, 3.3, 0.05);
    EXPECT_FALSE(advice.offer);
}

TEST(CompactionAdvice, SmallStoresAreNeverOfferedAndEmptyOnesHaveNoWaste) {
    EXPECT_FALSE(AdviseCompaction(50'000'000, 40'000'000).offer);
    EXPECT_EQ(AdviseCompaction(0, 0).waste_percent, 0.0);
}

TEST(CompactionAdvice, StoresPast4GbAreScaledDown) {
    // 60 GB with 12 GB deleted are divided by 100 to fit 32 bits: the size
    // reads 572 MB, the waste keeps its proportion.
    CompactionAdvice advice = AdviseCompaction(60'000'000'000ull, 12'000'000'000ull);
    EXPECT_EQ(advice.size_mb, 572u);
    EXPECT_NEAR(advice.waste_percent, 20.0, 0.01);
    EXPECT_TRUE(advice.offer);
}

}  // namespace
}  // namespace kivo::core
