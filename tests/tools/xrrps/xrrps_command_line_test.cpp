// The pure parts of xrrps: its command-line grammar, the split of put's files
// into folder runs, and the text of listing lines.
#include <gtest/gtest.h>

#include <variant>

#include "command_line.h"
#include "entry_line.h"
#include "folder_batches.h"

namespace kivo::xrrps {
namespace {

CommandLine Parsed(const std::vector<std::string>& arguments) {
    auto result = ParseCommandLine(arguments);
    if (const auto* error = std::get_if<UsageError>(&result)) {
        ADD_FAILURE() << "usage error: " << error->text;
        return {};
    }
    return std::get<CommandLine>(result);
}

bool IsUsageError(const std::vector<std::string>& arguments) {
    return std::holds_alternative<UsageError>(ParseCommandLine(arguments));
}

TEST(XrrpsCommandLine, TargetFolderOptionMayStandAnywhereAfterTheCommand) {
    for (const auto& arguments :
         std::vector<std::vector<std::string>>{{"get", "-C", "out", "r.xrt", "a", "b"},
                                               {"get", "r.xrt", "a", "-C", "out", "b"},
                                               {"get", "r.xrt", "-Cout", "a", "b"}}) {
        CommandLine command = Parsed(arguments);
        EXPECT_EQ(command.kind, CommandKind::Get);
        EXPECT_EQ(command.repository, "r.xrt");
        EXPECT_EQ(command.directory, "out");
        EXPECT_EQ(command.operands, (std::vector<std::string>{"a", "b"}));
    }
    EXPECT_EQ(Parsed({"get-all", "r.xrt"}).directory, ".");
    EXPECT_TRUE(IsUsageError({"get", "r.xrt", "a", "-C"}));
}

TEST(XrrpsCommandLine, DoubleDashLetsMemberNamesBeginWithDash) {
    CommandLine command = Parsed({"delete", "r.xrt", "--", "-odd", "--all"});
    EXPECT_EQ(command.operands, (std::vector<std::string>{"-odd", "--all"}));
    EXPECT_TRUE(IsUsageError({"delete", "r.xrt", "-odd"}));
}

TEST(XrrpsCommandLine, OptionsOfOtherCommandsAreUsageErrors) {
    EXPECT_TRUE(Parsed({"list", "--all", "r.xrt"}).all_entries);
    EXPECT_TRUE(Parsed({"recover", "r.xrt", "--write"}).write_repairs);
    EXPECT_FALSE(Parsed({"recover", "r.xrt"}).write_repairs);
    EXPECT_TRUE(IsUsageError({"put", "--all", "r.xrt", "f"}));
    EXPECT_TRUE(IsUsageError({"list", "-C", "x", "r.xrt"}));
    EXPECT_TRUE(IsUsageError({"compress", "--write", "r.xrt"}));
}

TEST(XrrpsCommandLine, OperandCountsFollowEachCommand) {
    EXPECT_TRUE(IsUsageError({}));
    EXPECT_TRUE(IsUsageError({"frobnicate", "r.xrt"}));
    EXPECT_TRUE(IsUsageError({"list"}));
    EXPECT_TRUE(IsUsageError({"list", "a", "b"}));
    EXPECT_TRUE(IsUsageError({"put", "r.xrt"}));
    EXPECT_TRUE(IsUsageError({"cat", "r.xrt", "a", "b"}));
    EXPECT_TRUE(IsUsageError({"put-all", "r.xrt"}));
    EXPECT_TRUE(IsUsageError({"check", ""}));
    EXPECT_EQ(Parsed({"put-all", "r.xrt", "dir"}).directory, "dir");
    EXPECT_EQ(Parsed({"put", "r.xrt", "x", "y", "z"}).operands.size(), 3u);
    EXPECT_EQ(Parsed({"--help"}).kind, CommandKind::Help);
    EXPECT_EQ(Parsed({"info", "r.xrt", "--help"}).kind, CommandKind::Help);
}

TEST(XrrpsCommandLine, UndeleteVersionIsADecimalFromOneTo32Bits) {
    CommandLine command = Parsed({"undelete", "r.xrt", "a.wav", "4294967295"});
    EXPECT_EQ(command.version, 4294967295u);
    EXPECT_EQ(command.operands, (std::vector<std::string>{"a.wav"}));
    for (const char* bad : {"0", "4294967296", "1x", "+1", " 1", "x"}) {
        EXPECT_TRUE(IsUsageError({"undelete", "r.xrt", "a.wav", bad})) << bad;
    }
}

TEST(XrrpsFolderBatches, RunsOfOneFolderKeepCommandLineOrder) {
    auto batches = GroupByFolder({"a/x", "a/y", "b/z", "a/w", "plain", "/top"});
    ASSERT_EQ(batches.size(), 5u);
    EXPECT_EQ(batches[0].folder, "a");
    EXPECT_EQ(batches[0].names, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(batches[1].folder, "b");
    EXPECT_EQ(batches[2].folder, "a");
    EXPECT_EQ(batches[3].folder, ".");
    EXPECT_EQ(batches[3].names, (std::vector<std::string>{"plain"}));
    EXPECT_EQ(batches[4].folder, "/");
    EXPECT_EQ(batches[4].names, (std::vector<std::string>{"top"}));
}

TEST(XrrpsEntryLine, FieldsAreTabSeparatedWithIsoTimeAndHexAttributes) {
    RPS_ENTRY_INFO entry{};
    char name[] = "a b.wav";
    entry.name = name;
    entry.version = 3;
    entry.size = 4096;
    entry.stored = RPS_SYSTEMTIME{2024, 5, 3, 1, 9, 30, 5, 250};
    entry.attributes = 0x21;
    entry.deleted = 1;
    entry.nested = 'N';
    EXPECT_EQ(FormatEntryLine(entry), "3\t4096\t2024-05-01T09:30:05.250Z\t0x21\tD\tN\ta b.wav");
}

TEST(XrrpsEntryLine, TimeTheFormatDoesNotKeepPrintsAsDash) {
    EXPECT_EQ(FormatSystemTime(RPS_SYSTEMTIME{}), "-");
}

TEST(XrrpsEntryLine, ControlBytesAndBackslashesInNamesAreEscaped) {
    EXPECT_EQ(EscapeName("a\tb\nc\x1b[2J\\d\x7f"), "a\\x09b\\x0Ac\\x1B[2J\\\\d\\x7F");
    EXPECT_EQ(EscapeName("caf\xc3\xa9"), "caf\xc3\xa9");
}

}  // namespace
}  // namespace kivo::xrrps
