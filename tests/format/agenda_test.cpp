// The agenda kept after a meeting's record line.
#include <gtest/gtest.h>

#include <string>

#include "file_bytes.h"
#include "kivo/format/agenda.h"
#include "temp_dir.h"

namespace fmt = kivo::format;
using kivo::test::TempDir;

namespace {

const std::string kLine = std::string(400, 'L') + "\n";

}  // namespace

TEST(AgendaStore, SavedAfterTheRecordLineByteForByte) {
    TempDir dir;
    const std::string path = dir.file("D1.xrl");
    kivo::test::WriteFileText(path, kLine);
    fmt::Agenda agenda;
    agenda.title = "Weekly\r\nreview";
    agenda.items = {{1, "Sales"}, {12, "Deep"}};
    ASSERT_TRUE(fmt::SaveAgenda(path, agenda).ok());
    EXPECT_EQ(kivo::test::ReadFileText(path),
              kLine + "KIVO-AGENDA 1\nT Weekly  review\nI 1 Sales\nI 9 Deep\n");
}

TEST(AgendaStore, SavingAgainReplacesTheAgendaAndKeepsTheLine) {
    TempDir dir;
    const std::string path = dir.file("D1.xrl");
    kivo::test::WriteFileText(path, kLine);
    ASSERT_TRUE(fmt::SaveAgenda(path, {"First", {{1, "a"}, {1, "b"}}}).ok());
    ASSERT_TRUE(fmt::SaveAgenda(path, {"Second", {{1, "c"}}}).ok());
    fmt::Agenda read;
    ASSERT_TRUE(fmt::LoadAgenda(path, &read).ok());
    EXPECT_EQ(read.title, "Second");
    ASSERT_EQ(read.items.size(), 1u);
    EXPECT_EQ(read.items[0].text, "c");
    ASSERT_TRUE(fmt::SaveAgenda(path, {}).ok());
    EXPECT_EQ(kivo::test::ReadFileText(path), kLine);
    EXPECT_EQ(fmt::AgendaPrint(path, 401, 0), "");
}

TEST(AgendaStore, NeedsACompleteRecordLine) {
    TempDir dir;
    const std::string path = dir.file("D1.xrl");
    kivo::test::WriteFileText(path, "short");
    EXPECT_FALSE(fmt::SaveAgenda(path, {"t", {}}).ok());
    EXPECT_EQ(kivo::test::ReadFileText(path), "short");
    EXPECT_FALSE(fmt::SaveAgenda(dir.file("missing.xrl"), {"t", {}}).ok());
}

TEST(AgendaStore, ForeignBytesAfterTheLineAreNoAgenda) {
    TempDir dir;
    const std::string path = dir.file("D1.xrl");
    kivo::test::WriteFileText(path, kLine + "999999999");
    fmt::Agenda read;
    EXPECT_FALSE(fmt::LoadAgenda(path, &read).ok());
    EXPECT_EQ(fmt::AgendaPrint(path, 401, 0), "");
}

TEST(AgendaStore, TornAndUnknownLinesArePassedOver) {
    TempDir dir;
    const std::string path = dir.file("D1.xrl");
    kivo::test::WriteFileText(path,
                              kLine + "KIVO-AGENDA 1\nT Plan\nX later\nI 0 bad\nI 2 ok\nI 1 torn");
    EXPECT_EQ(fmt::AgendaPrint(path, 401, 0), "Plan\r\n\t\tok\r\n");
}
