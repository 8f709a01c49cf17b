// kivoctl's commands as functions over argument lists and output streams, so
// the tests run them without a process of their own.
//
//   kivoctl new STORE.xrt
//   kivoctl list STORE.xrt [--kind KIND] [--sort COLUMN] [--descending]
//   kivoctl show STORE.xrt ID
//   kivoctl delete STORE.xrt ID...
//   kivoctl compact STORE.xrt
//   kivoctl info STORE.xrt
//   kivoctl search STORE.xrt [--from D] [--to D] [--area KIND] [--smart] WORDS...
//   (kivoctl_search.h)
//   kivoctl --help | --version
//
// Each command unpacks the store into a working folder of its own
// (kivoctl_store.h). list, show and info only read: they never write to the
// store. new, delete and compact change it and save it back, holding the
// store's writer lock from their first read to their last write; a second
// writer waits a few seconds, then says who holds the store and exits 3. A record's
// recording is extracted or deleted only when its line names a recording
// (kivo/core/recording_name.h); otherwise the command changes nothing and
// says which record names what. A failure prints one line that begins
// "kivoctl: " and names what failed and with which file (kivoctl_failures.h)
// on the error stream, and gives a non-zero exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace kivo::kivoctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// Another writer (the program, another kivoctl, xrrps) held the store for
// the whole wait; nothing was changed.
inline constexpr int kExitInUse = 3;

// Runs one command line (without the program name). Returns the exit status.
int RunCommand(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace kivo::kivoctl
