// Running an outside command as a filter: its argument vector as given (no
// shell ever parses it), a text into its standard input and its standard
// output back, within a time limit after which it is killed.
#pragma once

#include <string>
#include <vector>

#include "kivo/translation/command_limits.h"
#include "kivo/translation/translation_status.h"

namespace kivo::translation {

// Runs arguments[0] (looked up in PATH) with the arguments, writes input to
// it and collects what it prints. Fails when the command cannot start, runs
// past the time limit, prints more than the output limit or ends with a
// status other than 0; its error output is dropped.
TranslationStatus RunFilterCommand(const std::vector<std::string>& arguments,
                                   const std::string& input, const CommandLimits& limits,
                                   std::string* output);

}  // namespace kivo::translation
