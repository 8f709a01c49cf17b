// xrrps: the repository engine's command-line tool. Parses the command line
// and runs the command; see "xrrps --help".
#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "status_report.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments.size() == 1 && (arguments[0] == "--version" || arguments[0] == "-v")) {
        std::printf("xrrps %s\n", KIVO_VERSION);
        return 0;
    }
    auto parsed = kivo::xrrps::ParseCommandLine(arguments);
    if (const auto* error = std::get_if<kivo::xrrps::UsageError>(&parsed)) {
        std::fprintf(stderr, "xrrps: %s\nTry 'xrrps --help'.\n", error->text.c_str());
        return kivo::xrrps::kUsageExitStatus;
    }
    return kivo::xrrps::RunCommand(std::get<kivo::xrrps::CommandLine>(parsed));
}
