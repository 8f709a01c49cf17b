// The operations of the xrrps tool, one function per command. Each calls the
// engine, passes its messages to standard error and returns the exit status
// (0 success, 1 the engine reported a problem).
#pragma once

#include "command_line.h"

namespace kivo::xrrps {

int RunCommand(const CommandLine& command);

// Commands that move member files in and out (member_commands.cpp).
int RunPut(const CommandLine& command);
int RunPutAll(const CommandLine& command);
int RunGet(const CommandLine& command);
int RunGetAll(const CommandLine& command);
int RunCat(const CommandLine& command);
int RunDelete(const CommandLine& command);
int RunUndelete(const CommandLine& command);

// Commands on the repository as a whole (repository_commands.cpp).
int RunList(const CommandLine& command);
int RunInfo(const CommandLine& command);
int RunCheck(const CommandLine& command);
int RunCompress(const CommandLine& command);

// Directory recovery (recover_command.cpp).
int RunRecover(const CommandLine& command);

}  // namespace kivo::xrrps
