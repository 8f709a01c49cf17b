// kivoctl's failure lines: one line on the error stream that says what
// failed, with which file, and why, ending with the program's message code
// so that a user can look it up ("(Error 105)"). The program's own message
// texts are questions for a window and are not printed here.
#pragma once

#include <filesystem>
#include <string>

namespace kivo::kivoctl {

// What the command was doing when it failed.
enum class FailedStep {
    kOpenStore,  // opening an existing data store
    kMakeStore,  // making a new one
    kReadStore,  // reading a record's files once the store was open
};

// "kivoctl: cannot open the data store /home/ann/Missing.xrt: no such file
// (Error 105)". `code` is a message code of the program (core::MessageText).
std::string FailureLine(FailedStep step, const std::filesystem::path& store, int code);

}  // namespace kivo::kivoctl
