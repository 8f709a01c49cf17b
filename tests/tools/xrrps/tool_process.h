// Runs the real xrrps program in a child process, the way a user or a script
// does: to completion with its output captured, or started in the background
// so a test can kill it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace kivo::test {

// The xrrps program built with this tree.
std::string XrrpsPath();

struct ToolRun {
    int exit_status = -1;  // -1 when the program did not exit normally
    std::string standard_output;
    std::string standard_error;
    bool timed_out = false;  // killed at the time limit
    std::chrono::milliseconds duration{0};
};

// Runs xrrps with the arguments in working_folder and waits for it.
ToolRun RunXrrps(const std::vector<std::string>& arguments, const std::string& working_folder);
// The same, killing it (SIGKILL) when it runs longer than time_limit.
ToolRun RunXrrpsWithin(const std::vector<std::string>& arguments, const std::string& working_folder,
                       std::chrono::milliseconds time_limit);

// Starts xrrps with its output thrown away and returns at once.
pid_t StartXrrps(const std::vector<std::string>& arguments);

// Waits for a started child; its exit status, or -1 when a signal ended it.
int WaitForChild(pid_t child);

struct ChildEnd {
    bool killed = false;   // still running when the kill came
    int exit_status = -1;  // when it had exited by itself
};

// Kills a started child with SIGKILL (if it still runs) and reaps it.
ChildEnd KillAndReap(pid_t child);

}  // namespace kivo::test
