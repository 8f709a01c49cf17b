// Runs the real xrrps program as a user would and checks its output, its
// messages and its exit status, and what it leaves on disk.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "file_bytes.h"
#include "temp_dir.h"
#include "tool_process.h"

namespace kivo::test {
namespace {

std::vector<std::vector<std::string>> Lines(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos;
             start = tab + 1) {
            fields.push_back(line.substr(start, tab - start));
        }
        fields.push_back(line.substr(start));
        lines.push_back(fields);
    }
    return lines;
}

// The value of "key<TAB>value" in the output of "xrrps info".
std::string InfoValue(const std::string& info, const std::string& key) {
    for (const auto& fields : Lines(info)) {
        if (fields.size() == 2 && fields[0] == key) {
            return fields[1];
        }
    }
    return "(missing " + key + ")";
}

class XrrpsTool : public ::testing::Test {
protected:
    ToolRun Run(const std::vector<std::string>& arguments) {
        return RunXrrps(arguments, folder_.path().string());
    }
    // Runs a command that must succeed silently on standard error.
    ToolRun RunOk(const std::vector<std::string>& arguments) {
        ToolRun run = Run(arguments);
        EXPECT_EQ(run.exit_status, 0) << arguments.front() << ": " << run.standard_error;
        EXPECT_EQ(run.standard_error, "");
        return run;
    }
    std::string File(const std::string& name, const std::string& text) {
        std::filesystem::create_directories(
            std::filesystem::path(folder_.file(name)).parent_path());
        WriteFileText(folder_.file(name), text);
        return folder_.file(name);
    }
    std::string Repository() const { return folder_.file("store.xrt"); }

    TempDir folder_;
};

TEST_F(XrrpsTool, ListPrintsOneTabSeparatedLinePerLiveMember) {
    RunOk({"put", Repository(), File("in/a.txt", "alpha"), File("in/b.txt", "bravo!")});
    auto lines = Lines(RunOk({"list", Repository()}).standard_output);
    ASSERT_EQ(lines.size(), 2u);
    std::regex iso_time(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)");
    EXPECT_EQ(lines[0],
              (std::vector<std::string>{"1", "5", lines[0][2], "0x80", "L", "?", "a.txt"}));
    EXPECT_TRUE(std::regex_match(lines[0][2], iso_time)) << lines[0][2];
    EXPECT_EQ(lines[1][1], "6");
    EXPECT_EQ(lines[1][6], "b.txt");
}

TEST_F(XrrpsTool, ListAllShowsDeletedVersionsAndNestedRepositories) {
    std::filesystem::create_directory(folder_.file("in"));
    std::string inner = folder_.file("in/inner.xrt");
    RunOk({"put", inner, File("deep/x.txt", "inside the inner repository")});
    RunOk({"put", Repository(), File("in/a.txt", "first version, long enough to examine")});
    RunOk({"put", Repository(), File("in/a.txt", "second version, long enough to examine")});
    RunOk({"put", Repository(), inner, File("in/tiny", "short")});

    auto live = Lines(RunOk({"list", Repository()}).standard_output);
    EXPECT_EQ(live.size(), 3u);
    auto all = Lines(RunOk({"list", "--all", Repository()}).standard_output);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0][0] + all[0][4] + all[0][5] + all[0][6], "1DNa.txt");
    EXPECT_EQ(all[1][0] + all[1][4] + all[1][5] + all[1][6], "2LNa.txt");
    EXPECT_EQ(all[2][4] + all[2][5] + all[2][6], "LYinner.xrt");
    EXPECT_EQ(all[3][5] + all[3][6], "?tiny");

    auto nested = Lines(RunOk({"list", Repository() + ">>inner.xrt"}).standard_output);
    ASSERT_EQ(nested.size(), 1u);
    EXPECT_EQ(nested[0][6], "x.txt");
    EXPECT_EQ(RunOk({"cat", Repository() + ">>inner.xrt", "x.txt"}).standard_output,
              "inside the inner repository");
}

TEST_F(XrrpsTool, EngineMessagesGoToStandardErrorAsWrittenAndExitOne) {
    RunOk({"put", Repository(), File("in/a.txt", "alpha")});
    ToolRun run = Run({"get", Repository(), "-C", folder_.file("in"), "nope", "a.txt"});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_error, "RPS07 File nope not found in Repository\n");
    EXPECT_EQ(run.standard_output, "");

    ToolRun nested = Run({"put", Repository() + ">>a.txt", folder_.file("in/a.txt")});
    EXPECT_EQ(nested.exit_status, 1);
    EXPECT_EQ(nested.standard_error, "RPS22 Function not supported in embedded Repositories\n");
}

TEST_F(XrrpsTool, VersionIsPrintedAndNothingIsTouched) {
    ToolRun run = RunOk({"--version"});
    EXPECT_EQ(run.standard_output.rfind("xrrps ", 0), 0u) << run.standard_output;
    EXPECT_EQ(run.standard_error, "");
    EXPECT_FALSE(std::filesystem::exists(Repository()));
}

TEST_F(XrrpsTool, UsageErrorsExitTwoAndPointToHelp) {
    for (const auto& arguments : std::vector<std::vector<std::string>>{
             {}, {"frobnicate"}, {"put", Repository()}, {"undelete", Repository(), "a", "x"}}) {
        ToolRun run = Run(arguments);
        EXPECT_EQ(run.exit_status, 2);
        EXPECT_NE(run.standard_error.find("Try 'xrrps --help'"), std::string::npos);
    }
    ToolRun help = RunOk({"--help"});
    for (const char* command : {"list", "put", "put-all", "get", "get-all", "cat", "delete",
                                "undelete", "compress", "check", "info", "recover"}) {
        EXPECT_NE(help.standard_output.find(std::string("  ") + command + " "), std::string::npos)
            << command;
    }
    EXPECT_FALSE(std::filesystem::exists(Repository()));
}

TEST_F(XrrpsTool, PutFromSeveralFoldersStoresByBaseNameInCommandLineOrder) {
    RunOk({"put", Repository(), File("one/x", "from one"), File("two/x", "from two"),
           File("one/y", "y from one")});
    auto all = Lines(RunOk({"list", "--all", Repository()}).standard_output);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0][6] + all[0][4], "xD");
    EXPECT_EQ(all[1][6] + all[1][4], "xL");
    EXPECT_EQ(all[2][6] + all[2][4], "yL");
    EXPECT_EQ(RunOk({"cat", Repository(), "x"}).standard_output, "from two");
}

TEST_F(XrrpsTool, GetAndGetAllExtractIntoTheTargetFolder) {
    RunOk({"put-all", Repository(), std::filesystem::path(File("in/a", "A")).parent_path()});
    File("in/b", "BB");
    RunOk({"put-all", Repository(), folder_.file("in")});
    std::filesystem::create_directory(folder_.file("out"));
    RunOk({"get", Repository(), "-C", folder_.file("out"), "b"});
    EXPECT_EQ(ReadFileText(folder_.file("out/b")), "BB");
    EXPECT_FALSE(std::filesystem::exists(folder_.file("out/a")));

    std::filesystem::create_directory(folder_.file("all"));
    RunOk({"get-all", Repository(), "-C", folder_.file("all") + "/"});
    EXPECT_EQ(ReadFileText(folder_.file("all/a")), "A");
    EXPECT_EQ(ReadFileText(folder_.file("all/b")), "BB");

    // Without -C members land in the current folder.
    RunOk({"get", Repository(), "a"});
    EXPECT_EQ(ReadFileText(folder_.file("a")), "A");
}

TEST_F(XrrpsTool, CatWritesTheMemberBytesUnchanged) {
    const char raw[] = "line one\r\nzero\0byte\n\xff\xfe";
    std::string bytes(raw, sizeof raw - 1);
    RunOk({"put", Repository(), File("in/bin", bytes), File("in/empty", "")});
    EXPECT_EQ(RunOk({"cat", Repository(), "bin"}).standard_output, bytes);
    EXPECT_EQ(RunOk({"cat", Repository(), "empty"}).standard_output, "");
    ToolRun missing = Run({"cat", Repository(), "nope"});
    EXPECT_EQ(missing.exit_status, 1);
    EXPECT_EQ(missing.standard_error, "RPS07 File nope not found in Repository\n");
    EXPECT_EQ(missing.standard_output, "");
}

TEST_F(XrrpsTool, DeleteThenUndeleteMakesTheOldDataLiveAgain) {
    RunOk({"put", Repository(), File("in/a", "version one")});
    RunOk({"put", Repository(), File("in/a", "version two")});
    RunOk({"delete", Repository(), "a"});
    EXPECT_EQ(RunOk({"list", Repository()}).standard_output, "");
    ToolRun missing = Run({"undelete", Repository(), "a", "7"});
    EXPECT_EQ(missing.exit_status, 1);
    EXPECT_EQ(missing.standard_error, "RPS17 Version 7 of file a not found in Repository\n");

    RunOk({"undelete", Repository(), "a", "1"});
    auto live = Lines(RunOk({"list", Repository()}).standard_output);
    ASSERT_EQ(live.size(), 1u);
    EXPECT_EQ(live[0][0], "3");
    EXPECT_EQ(RunOk({"cat", Repository(), "a"}).standard_output, "version one");
}

TEST_F(XrrpsTool, CompressGivesBackDeletedSpaceAndKeepsTheRest) {
    RunOk({"put", Repository(), File("in/a", std::string(5000, 'a')),
           File("in/b", std::string(7000, 'b')), File("in/c", std::string(3000, 'c'))});
    RunOk({"delete", Repository(), "a"});
    std::string before = RunOk({"info", Repository()}).standard_output;
    EXPECT_EQ(InfoValue(before, "deleted size"), std::to_string(5000 + 99 + 1));
    EXPECT_EQ(InfoValue(before, "deleted entries"), "1");

    RunOk({"compress", Repository()});
    std::string after = RunOk({"info", Repository()}).standard_output;
    EXPECT_EQ(InfoValue(after, "format"), "XR01");
    EXPECT_EQ(InfoValue(after, "entries"), "2");
    EXPECT_EQ(InfoValue(after, "deleted size"), "0");
    EXPECT_EQ(InfoValue(after, "total size"),
              std::to_string(std::filesystem::file_size(Repository())));
    RunOk({"check", Repository()});
    EXPECT_EQ(RunOk({"cat", Repository(), "b"}).standard_output, std::string(7000, 'b'));
    EXPECT_EQ(RunOk({"cat", Repository(), "c"}).standard_output, std::string(3000, 'c'));
}

TEST_F(XrrpsTool, CheckReportsADamagedMemberBlock) {
    RunOk({"put", Repository(), File("in/a", "alpha")});
    RunOk({"check", Repository()});
    // The size field of the internal directory entry at the head of the block.
    CorruptByte(Repository(), 36 + 75);
    ToolRun run = Run({"check", Repository()});
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.standard_error.rfind("RPS2", 0), 0u) << run.standard_error;
}

TEST_F(XrrpsTool, InfoTellsTheOlderFormatApart) {
    // An "XR00" repository by hand: header, the data "abc", one 48-byte record, name "a".
    Bytes bytes(24 + 3 + 48 + 1, 0);
    bytes[0] = 'X', bytes[1] = 'R', bytes[2] = '0', bytes[3] = '0';
    PutU32(bytes, 4, 27);
    bytes[24] = 'a', bytes[25] = 'b', bytes[26] = 'c';
    PutU32(bytes, 27 + 4, 24);  // data offset
    PutU32(bytes, 27 + 32, 3);  // size
    PutU32(bytes, 27 + 40, 1);  // name length
    bytes[27 + 48] = 'a';
    WriteFileBytes(Repository(), bytes);

    std::string info = RunOk({"info", Repository()}).standard_output;
    EXPECT_EQ(InfoValue(info, "format"), "XR00");
    EXPECT_EQ(InfoValue(info, "entries"), "1");
    EXPECT_EQ(InfoValue(info, "total size"), "76");
    auto lines = Lines(RunOk({"list", Repository()}).standard_output);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], (std::vector<std::string>{"1", "3", "-", "0x80", "L", "?", "a"}));
    EXPECT_EQ(RunOk({"cat", Repository(), "a"}).standard_output, "abc");

    WriteFileBytes(folder_.file("empty.xrt"), {});
    EXPECT_EQ(InfoValue(RunOk({"info", folder_.file("empty.xrt")}).standard_output, "format"),
              "empty file");
}

TEST_F(XrrpsTool, RecoverRebuildsACutOffDirectoryOnlyWhenAskedToWrite) {
    RunOk({"put", Repository(), File("in/a", "alpha"), File("in/b", "bravo")});
    RunOk({"delete", Repository(), "a"});
    Bytes bytes = ReadFileBytes(Repository());
    bytes.resize(GetU64(bytes, 12));  // everything from the directory on is lost
    WriteFileBytes(Repository(), bytes);
    EXPECT_EQ(Run({"list", Repository()}).exit_status, 1);

    ToolRun look = RunOk({"recover", Repository()});
    auto lines = Lines(look.standard_output);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0][4] + lines[0][6], "Da");
    EXPECT_EQ(lines[1][4] + lines[1][6], "Lb");
    EXPECT_EQ(InfoValue(look.standard_output, "entries found"), "2");
    EXPECT_EQ(InfoValue(look.standard_output, "deleted entries found"), "1");
    EXPECT_EQ(ReadFileBytes(Repository()), bytes) << "recover without --write changed the file";

    ToolRun repair = RunOk({"recover", Repository(), "--write"});
    EXPECT_EQ(InfoValue(repair.standard_output, "directory"), "rewritten");
    RunOk({"check", Repository()});
    EXPECT_EQ(RunOk({"cat", Repository(), "b"}).standard_output, "bravo");
    auto all = Lines(RunOk({"list", "--all", Repository()}).standard_output);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0][4] + all[0][6], "Da");

    EXPECT_EQ(Run({"recover", Repository() + ">>b"}).exit_status, 2);
}

// Runs xrrps on a pseudo-terminal and returns everything it drew there.
std::string RunOnTerminal(const std::vector<std::string>& arguments) {
    std::string program = XrrpsPath();
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int terminal = -1;
    pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    std::string drawn;
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) {
        drawn.append(buffer, static_cast<std::size_t>(n));
    }
    close(terminal);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << drawn;
    return drawn;
}

TEST_F(XrrpsTool, ProgressBarShowsOnlyOnATerminal) {
    std::string big = File("in/big.bin", std::string(3 * 65536 + 10, 'x'));
    std::string drawn = RunOnTerminal({"put", Repository(), big});
    EXPECT_NE(drawn.find("100%"), std::string::npos) << drawn;
    EXPECT_NE(drawn.find("big.bin"), std::string::npos) << drawn;

    ToolRun quiet = RunOk({"put", Repository(), big});
    EXPECT_EQ(quiet.standard_output, "");
}

}  // namespace
}  // namespace kivo::test
