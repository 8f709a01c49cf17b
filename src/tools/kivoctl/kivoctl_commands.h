// kivoctl's commands as functions over argument lists and output streams, so
// the tests run them without a process of their own.
//
//   kivoctl new STORE.xrt
//   kivoctl list STORE.xrt [--kind KIND] [--sort COLUMN] [--descending]
//   kivoctl show STORE.xrt ID
//   kivoctl delete STORE.xrt ID...
//   kivoctl compact STORE.xrt
//   kivoctl info STORE.xrt
//
// Each command opens the store into a working folder of its own and, when
// it changed something, saves it back. Failures print the program's message
// text on the error stream and give a non-zero exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivo::kivoctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs one command line (without the program name). Returns the exit status.
int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace kivo::kivoctl
