// Running a filter command: input through standard input, output back, a
// command that runs too long or prints too much is stopped.
#include "command_pipe.h"

#include <gtest/gtest.h>

namespace kivo::translation {
namespace {

TEST(CommandPipeTest, TextGoesThroughTheCommandUntouched) {
    std::string input;
    for (int line = 0; line < 20000; ++line)
        input += "line " + std::to_string(line) + " with ; $(shell) `words`\n";
    std::string output;
    ASSERT_TRUE(RunFilterCommand({"cat"}, input, {}, &output).ok());
    EXPECT_EQ(output, input);
}

TEST(CommandPipeTest, ArgumentsReachTheCommandWithoutAShell) {
    std::string output;
    ASSERT_TRUE(RunFilterCommand({"printf", "%s", "a b; echo c"}, "", {}, &output).ok());
    EXPECT_EQ(output, "a b; echo c");
}

TEST(CommandPipeTest, FailuresAreReported) {
    std::string output;
    EXPECT_FALSE(RunFilterCommand({"kivo-no-such-command"}, "x", {}, &output).ok());
    EXPECT_FALSE(RunFilterCommand({"false"}, "x", {}, &output).ok());
    EXPECT_FALSE(RunFilterCommand({}, "x", {}, &output).ok());
    // A command that ends without reading its input: a failure, and no
    // SIGPIPE ends the program.
    EXPECT_FALSE(RunFilterCommand({"true"}, std::string(1 << 22, 'x'), {}, &output).ok());
}

TEST(CommandPipeTest, CommandPastItsTimeLimitIsStopped) {
    CommandLimits limits;
    limits.time_limit = std::chrono::milliseconds(300);
    std::string output;
    const auto started = std::chrono::steady_clock::now();
    const TranslationStatus status = RunFilterCommand({"sleep", "30"}, "", limits, &output);
    EXPECT_FALSE(status.ok());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST(CommandPipeTest, OutputPastItsLimitIsStopped) {
    CommandLimits limits;
    limits.output_limit_bytes = 1000;
    std::string output;
    EXPECT_FALSE(RunFilterCommand({"yes"}, "", limits, &output).ok());
}

}  // namespace
}  // namespace kivo::translation
