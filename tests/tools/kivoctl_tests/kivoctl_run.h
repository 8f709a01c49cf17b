// Running kivoctl in tests: in-process through RunCommand, or as the program
// with its own process, environment and time limit.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "store_fixture.h"

namespace kivo::kivoctl::test {

struct Result {
    int status = -1;  // exit status; 128 + signal when killed
    std::string out;
    std::string err;
    bool timed_out = false;
};

// RunCommand in this process.
Result Kivoctl(const std::vector<std::string>& arguments);

struct ProgramOptions {
    // Added to (or replacing) the environment of the test.
    std::map<std::string, std::string> environment;
    // Run as this user and group (setresuid/setresgid) when set.
    int user_id = -1;
    int group_id = -1;
    // Killed with SIGKILL when it runs longer.
    std::chrono::milliseconds time_limit{20000};
};

// The kivoctl program in a process of its own.
Result RunKivoctl(const std::vector<std::string>& arguments, const ProgramOptions& options = {});

// Starts the kivoctl program without waiting for it; its output is dropped.
// Returns its process id.
int StartKivoctl(const std::vector<std::string>& arguments, const ProgramOptions& options = {});
// Waits for a started program: its exit status, 128 + signal when killed.
int WaitForKivoctl(int process_id);

// The working folders ("Voxwren" and six characters) in a folder.
std::vector<std::string> WorkingFoldersIn(const std::string& folder);

// A record of a store fixture with its recording "D<number>.xrz".
kivo::test::RecordFields Record(int number, std::string kind, std::string subject = "Subject");

// Every byte of a file.
std::string FileContent(const std::string& path);

}  // namespace kivo::kivoctl::test
