// recover: rebuilds a damaged "XR01" directory from the internal directory
// entries at the head of every member block.
#include <cstdio>

#include "commands.h"

namespace kivo::xrrps {

int RunRecover(const CommandLine& command) {
    (void)command;
    std::fputs("xrrps: recover: not available yet\n", stderr);
    return 1;
}

}  // namespace kivo::xrrps
