// kivoctl: the Kivo data store from the command line; see kivoctl_commands.h.
#include <iostream>

#include "kivoctl_commands.h"
#include "kivoctl_signals.h"

int main(int argc, char** argv) {
    kivo::kivoctl::StopSignalsRemoveFolders();
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return kivo::kivoctl::RunCommand(arguments, std::cout, std::cerr);
}
