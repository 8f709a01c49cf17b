// The command line of the xrrps tool: which operation, on which repository,
// with which names, files and options. Parsing is pure (no file access), so
// every rule of the grammar below is checked without running an operation.
//
//   xrrps list [--all] REPO
//   xrrps put REPO FILE...            xrrps put-all REPO DIR
//   xrrps get REPO [-C DIR] NAME...   xrrps get-all REPO [-C DIR]
//   xrrps cat REPO NAME
//   xrrps delete REPO NAME...         xrrps undelete REPO NAME VERSION
//   xrrps compress REPO   xrrps check REPO   xrrps info REPO
//   xrrps recover REPO [--write]
//   xrrps --help
//
// Options may stand anywhere after the command word; "--" ends them, so a
// member whose name begins with "-" can still be named.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kivo::xrrps {

enum class CommandKind {
    Help,
    List,
    Put,
    PutAll,
    Get,
    GetAll,
    Cat,
    Delete,
    Undelete,
    Compress,
    Check,
    Info,
    Recover,
};

struct CommandLine {
    CommandKind kind = CommandKind::Help;
    std::string repository;
    // Files (put), member names (get, cat, delete, undelete).
    std::vector<std::string> operands;
    // The folder of put-all, or the target folder of get and get-all ("." by default).
    std::string directory = ".";
    bool all_entries = false;    // list --all
    bool write_repairs = false;  // recover --write
    std::uint32_t version = 0;   // undelete
};

// What went wrong with a command line, worded for the user.
struct UsageError {
    std::string text;
};

// Parses the arguments after the program name.
std::variant<CommandLine, UsageError> ParseCommandLine(const std::vector<std::string>& arguments);

// The text printed by "xrrps --help".
const char* HelpText();

}  // namespace kivo::xrrps
