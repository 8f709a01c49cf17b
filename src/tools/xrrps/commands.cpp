// Sends a parsed command line to the function that runs it.
#include "commands.h"

#include <cstdio>

#include "status_report.h"

namespace kivo::xrrps {

int RunCommand(const CommandLine& command) {
    switch (command.kind) {
        case CommandKind::Help:
            std::fputs(HelpText(), stdout);
            return 0;
        case CommandKind::List:
            return RunList(command);
        case CommandKind::Put:
            return RunPut(command);
        case CommandKind::PutAll:
            return RunPutAll(command);
        case CommandKind::Get:
            return RunGet(command);
        case CommandKind::GetAll:
            return RunGetAll(command);
        case CommandKind::Cat:
            return RunCat(command);
        case CommandKind::Delete:
            return RunDelete(command);
        case CommandKind::Undelete:
            return RunUndelete(command);
        case CommandKind::Compress:
            return RunCompress(command);
        case CommandKind::Check:
            return RunCheck(command);
        case CommandKind::Info:
            return RunInfo(command);
        case CommandKind::Recover:
            return RunRecover(command);
    }
    return kUsageExitStatus;
}

}  // namespace kivo::xrrps
