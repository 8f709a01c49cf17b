// kivoctl: the Kivo data store from the command line; see kivoctl_commands.h.
#include <QLoggingCategory>
#include <cstdlib>
#include <iostream>

#include "kivoctl_commands.h"
#include "kivoctl_signals.h"

int main(int argc, char** argv) {
    // The program's trace lines are for the window's log; a command prints
    // only its results and errors, unless KIVO_DEBUG asks for the trace.
    if (std::getenv("KIVO_DEBUG") == nullptr)
        QLoggingCategory::setFilterRules(QStringLiteral("kivo.*.debug=false"));
    kivo::kivoctl::StopSignalsRemoveFolders();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return kivo::kivoctl::RunCommand(arguments, std::cout, std::cerr);
}
