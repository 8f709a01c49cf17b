// Listing, nested repositories, loading one member, the integrity check and
// the version query.
#include <gtest/gtest.h>

#include "repository_test_support.h"
#include "text_kind.h"
#include "zn2xrrps.h"

namespace kivo::repository::test {
namespace {

TEST(RepositoryInfo, OnlyDeletedMembersGiveAnEmptyListButAllInfoShowsThem) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("abc"));
    disk.AddFile("b", TextBytes("bee"));
    disk.Store("/r/s.xrt", {"a", "b"});
    ASSERT_TRUE(disk.engine.Delete("/r/s.xrt", {"a", "b"}).ok());
    StatusRecord info = disk.engine.Info("/r/s.xrt");
    EXPECT_TRUE(info.ok());
    EXPECT_TRUE(info.entries.empty());
    EXPECT_EQ(info.repository_time, FixedClock());
    StatusRecord all = disk.engine.AllInfo("/r/s.xrt");
    ASSERT_EQ(all.entries.size(), 2u);
    EXPECT_EQ(all.entries[0].deleted, 1u);
    EXPECT_EQ(all.entries[1].deleted, 1u);
    EXPECT_EQ(all.entries[1].deleted_at, FixedClock());
}

TEST(RepositoryFind, GivesTheLatestLiveVersionOfEachNameAskedAndCountsAllLiveMembers) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("abc"));
    disk.AddFile("b", TextBytes("bee"));
    disk.AddFile("c", TextBytes("sea"));
    disk.Store("/r/s.xrt", {"a", "b", "c"});
    disk.AddFile("a", TextBytes("longer a"));
    disk.Store("/r/s.xrt", {"a"});
    ASSERT_TRUE(disk.engine.Delete("/r/s.xrt", {"b"}).ok());

    FoundMembers found = disk.engine.Find("/r/s.xrt", {"c", "b", "missing", "a"});
    ASSERT_TRUE(found.status.ok()) << Messages(found.status);
    EXPECT_EQ(found.live_count, 2u);  // a (version 2) and c
    ASSERT_EQ(found.status.entries.size(), 2u);
    EXPECT_EQ(found.status.entries[0].name, "c");
    EXPECT_EQ(found.status.entries[1].name, "a");
    EXPECT_EQ(found.status.entries[1].version, 2u);
    EXPECT_EQ(found.status.entries[1].size_bytes, 8u);
    EXPECT_EQ(found.status.repository_time, FixedClock());
}

TEST(RepositoryFind, AMissingRepositoryFindsNothingAndSaysWhy) {
    MemoryDisk disk;
    FoundMembers found = disk.engine.Find("/r/none.xrt", {"a"});
    EXPECT_FALSE(found.status.ok());
    EXPECT_EQ(found.live_count, 0u);
    EXPECT_TRUE(found.status.entries.empty());
}

TEST(RepositoryInfo, AllInfoMarksNestedRepositoriesAndLeavesShortMembersUnexamined) {
    MemoryDisk disk;
    disk.AddFile("x", TextBytes("inner data"));
    disk.Store("/src/inner.xrz", {"x"});
    disk.AddFile("short", Pattern(24, 1));
    disk.AddFile("plain", Pattern(25, 2));
    disk.Store("/r/outer.xrt", {"inner.xrz", "short", "plain"});
    std::vector<EntryInfo> entries = disk.engine.AllInfo("/r/outer.xrt").entries;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].nested, 'Y');
    EXPECT_EQ(entries[1].nested, '?');
    EXPECT_EQ(entries[2].nested, 'N');
    EXPECT_EQ(disk.engine.Info("/r/outer.xrt").entries[0].nested, '?');
}

TEST(NestedRepository, ReadsThroughTheOuterExactlyAsTheSameBytesOnTheirOwn) {
    MemoryDisk disk;
    disk.AddFile("x", Pattern(5000, 4));
    disk.AddFile("y", TextBytes("why"));
    disk.Store("/src/inner.xrz", {"x", "y"});
    ASSERT_TRUE(disk.engine.Delete("/src/inner.xrz", {"y"}).ok());
    disk.Store("/src/middle.xrz", {"inner.xrz"});
    disk.Store("/r/outer.xrt", {"middle.xrz"});

    const std::string nested = "/r/outer.xrt>>middle.xrz>>inner.xrz";
    StatusRecord through = disk.engine.AllInfo(nested);
    StatusRecord alone = disk.engine.AllInfo("/src/inner.xrz");
    ASSERT_TRUE(through.ok()) << Messages(through);
    ASSERT_EQ(through.entries.size(), alone.entries.size());
    for (std::size_t i = 0; i < alone.entries.size(); ++i) {
        EXPECT_EQ(through.entries[i].name, alone.entries[i].name);
        EXPECT_EQ(through.entries[i].deleted, alone.entries[i].deleted);
    }
    EXPECT_EQ(through.total_size_bytes, alone.total_size_bytes);
    EXPECT_EQ(LiveMembers(disk.engine, nested), LiveMembers(disk.engine, "/src/inner.xrz"));
    ASSERT_TRUE(disk.engine.Get(nested, "/out", {"x"}).ok());
    EXPECT_EQ(disk.FileBytes("/out/x"), Pattern(5000, 4));

    StatusRecord missing = disk.engine.Info("/r/outer.xrt>>middle.xrz>>nothing");
    EXPECT_EQ(Messages(missing),
              "RPS07 File /r/outer.xrt>>middle.xrz>>nothing not found in Repository\n");
    EXPECT_EQ(Messages(disk.engine.Delete(nested, {"x"})),
              "RPS22 Function not supported in embedded Repositories\n");
}

TEST(RepositoryLoadFile, BufferOfTheWrongSizeIsRefusedAndLeftUntouched) {
    MemoryDisk disk;
    disk.AddFile("t", TextBytes("four"));
    disk.Store("/r/s.xrt", {"t"});
    Bytes buffer(3, 0xEE);
    LoadRequest request{"t", buffer.data(), 3, TextKind::kControl};
    StatusRecord status = disk.engine.LoadFile("/r/s.xrt", request);
    EXPECT_EQ(Messages(status), "RPS23 File size of t is not equal to memory supplied\n");
    EXPECT_EQ(buffer, Bytes(3, 0xEE));
}

TEST(RepositoryLoadFile, SetsTheTextKindOfTheMember) {
    MemoryDisk disk;
    struct Case {
        const char* text;
        TextKind kind;
    } cases[] = {{"a\tb\r\n", TextKind::kControl}, {"one\r\ntwo\nthree", TextKind::kCrLf},
                 {"one\ntwo\n", TextKind::kLf},    {"one\rtwo\r", TextKind::kCr},
                 {"no line end", TextKind::kCrLf}, {"one\r\ntwo\r\n", TextKind::kCrLf}};
    for (const Case& c : cases) {
        disk.AddFile("t", TextBytes(c.text));
        disk.Store("/r/s.xrt", {"t"});
        Bytes buffer(std::string(c.text).size());
        LoadRequest request{"t", buffer.data(), static_cast<std::uint32_t>(buffer.size()),
                            TextKind::kControl};
        ASSERT_TRUE(disk.engine.LoadFile("/r/s.xrt", request).ok());
        EXPECT_EQ(request.text_kind, c.kind) << c.text;
        EXPECT_EQ(buffer, TextBytes(c.text));
    }
}

TEST(TextKind, LoneCarriageReturnAtTheEndIsNotALineEnd) {
    Bytes lf_and_final_cr = TextBytes("a\nb\r");
    EXPECT_EQ(ClassifyText(lf_and_final_cr.data(), lf_and_final_cr.size()), TextKind::kLf);
    Bytes del = TextBytes("a\x7f");
    EXPECT_EQ(ClassifyText(del.data(), del.size()), TextKind::kControl);
}

TEST(RepositoryCheckIntegrity, ReportsTheFirstInternalEntryThatDisagrees) {
    MemoryDisk disk;
    disk.AddFile("a", TextBytes("abc"));
    disk.AddFile("b", TextBytes("bee"));
    disk.Store("/r/s.xrt", {"a", "b"});
    Bytes sound = disk.FileBytes("/r/s.xrt");
    ASSERT_TRUE(disk.engine.CheckIntegrity("/r/s.xrt").ok());

    struct Damage {
        std::size_t offset;
        const char* message;
    } damages[] = {
        {36, "RPS20 Invalid internal directory entry in Repository file (1)\n"},
        {36 + 11, "RPS20 Invalid internal directory entry in Repository file (2)\n"},
        {36 + 27, "RPS21 Directory field #4 is corrupt for filename a\n"},
        {36 + 79, "RPS21 Directory field #9 is corrupt for filename a\n"},
        {139 + 91, "RPS21 Directory field #12 is corrupt for filename b\n"},
        {139 + 99, "RPS21 Directory field #13 is corrupt for filename c\n"},
    };
    for (const Damage& damage : damages) {
        Bytes file = sound;
        file[damage.offset] =
            static_cast<std::uint8_t>(damage.offset == 139 + 99 ? 'c' : file[damage.offset] + 1);
        disk.fs.WriteDurableFile("/r/d.xrt", file);
        StatusRecord status = disk.engine.CheckIntegrity("/r/d.xrt");
        EXPECT_EQ(Messages(status), damage.message) << damage.offset;
    }
}

TEST(DllGetVersion, FillsVersionOnePointOneOrRefusesASmallStructure) {
    RPS_DLLVERSIONINFO info{20, 0, 0, 7, 0};
    EXPECT_EQ(DllGetVersion(&info), 0);
    EXPECT_EQ(info.dwMajorVersion, 1u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 0u);
    EXPECT_EQ(info.dwPlatformID, 1u);
    RPS_DLLVERSIONINFO small{19, 0, 0, 0, 0};
    EXPECT_EQ(DllGetVersion(&small), 160);
    EXPECT_EQ(small.dwMajorVersion, 0u);
}

}  // namespace
}  // namespace kivo::repository::test
