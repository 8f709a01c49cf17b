// Parses the xrrps command line against a table of the commands' shapes.
#include "command_line.h"

#include <array>
#include <charconv>
#include <optional>
#include <string_view>

namespace kivo::xrrps {
namespace {

constexpr int kUnbounded = -1;

// The shape of one command: its word, how many operands it takes (the
// repository included) and which options it accepts.
struct CommandSyntax {
    std::string_view word;
    CommandKind kind;
    int min_operands;
    int max_operands;
    bool accepts_target_folder;  // -C DIR
    bool accepts_all;            // --all
    bool accepts_write;          // --write
};

constexpr std::array kCommands = {
    CommandSyntax{"list", CommandKind::List, 1, 1, false, true, false},
    CommandSyntax{"put", CommandKind::Put, 2, kUnbounded, false, false, false},
    CommandSyntax{"put-all", CommandKind::PutAll, 2, 2, false, false, false},
    CommandSyntax{"get", CommandKind::Get, 2, kUnbounded, true, false, false},
    CommandSyntax{"get-all", CommandKind::GetAll, 1, 1, true, false, false},
    CommandSyntax{"cat", CommandKind::Cat, 2, 2, false, false, false},
    CommandSyntax{"delete", CommandKind::Delete, 2, kUnbounded, false, false, false},
    CommandSyntax{"undelete", CommandKind::Undelete, 3, 3, false, false, false},
    CommandSyntax{"compress", CommandKind::Compress, 1, 1, false, false, false},
    CommandSyntax{"check", CommandKind::Check, 1, 1, false, false, false},
    CommandSyntax{"info", CommandKind::Info, 1, 1, false, false, false},
    CommandSyntax{"recover", CommandKind::Recover, 1, 1, false, false, true},
};

const CommandSyntax* FindCommand(std::string_view word) {
    for (const CommandSyntax& syntax : kCommands) {
        if (syntax.word == word) {
            return &syntax;
        }
    }
    return nullptr;
}

// A version number: decimal digits only, 1 to 4294967295.
std::optional<std::uint32_t> ParseVersion(std::string_view text) {
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value == 0) {
        return std::nullopt;
    }
    return value;
}

UsageError MakeError(std::string_view command, const std::string& text) {
    std::string prefix = command.empty() ? std::string() : std::string(command) + ": ";
    return UsageError{prefix + text};
}

}  // namespace

std::variant<CommandLine, UsageError> ParseCommandLine(const std::vector<std::string>& arguments) {
    if (arguments.empty()) {
        return UsageError{"no command given"};
    }
    const std::string& word = arguments.front();
    if (word == "--help" || word == "-h" || word == "help") {
        return CommandLine{};
    }
    const CommandSyntax* syntax = FindCommand(word);
    if (syntax == nullptr) {
        return UsageError{"unknown command '" + word + "'"};
    }

    CommandLine command;
    command.kind = syntax->kind;
    std::vector<std::string> operands;
    bool options_ended = false;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (options_ended || argument.size() < 2 || argument[0] != '-') {
            operands.push_back(argument);
        } else if (argument == "--") {
            options_ended = true;
        } else if (argument == "--all" && syntax->accepts_all) {
            command.all_entries = true;
        } else if (argument == "--write" && syntax->accepts_write) {
            command.write_repairs = true;
        } else if (argument.starts_with("-C") && syntax->accepts_target_folder) {
            if (argument.size() > 2) {
                command.directory = argument.substr(2);
            } else if (i + 1 < arguments.size()) {
                command.directory = arguments[++i];
            } else {
                return MakeError(word, "-C needs a folder");
            }
            if (command.directory.empty()) {
                return MakeError(word, "-C needs a folder");
            }
        } else if (argument == "--help" || argument == "-h") {
            return CommandLine{};
        } else {
            return MakeError(word, "unknown option '" + argument + "'");
        }
    }

    int count = static_cast<int>(operands.size());
    if (count < syntax->min_operands) {
        return MakeError(word, count == 0 ? "no repository given" : "too few arguments");
    }
    if (syntax->max_operands != kUnbounded && count > syntax->max_operands) {
        return MakeError(word, "too many arguments");
    }
    command.repository = operands.front();
    if (command.repository.empty()) {
        return MakeError(word, "the repository path is empty");
    }
    operands.erase(operands.begin());

    if (command.kind == CommandKind::Recover &&
        command.repository.find(">>") != std::string::npos) {
        return MakeError(word, "works on a repository file, not on one nested in another");
    }
    if (command.kind == CommandKind::PutAll) {
        command.directory = operands.front();
        operands.clear();
    } else if (command.kind == CommandKind::Undelete) {
        std::optional<std::uint32_t> version = ParseVersion(operands.back());
        if (!version) {
            return MakeError(word,
                             "'" + operands.back() + "' is not a version number (1, 2, 3 ...)");
        }
        command.version = *version;
        operands.pop_back();
    }
    command.operands = std::move(operands);
    return command;
}

const char* HelpText() {
    return "Usage: xrrps COMMAND REPO [ARGUMENTS]\n"
           "Stores, extracts and maintains the member files of a repository file.\n"
           "\n"
           "  list REPO                   live members, one line each\n"
           "  list --all REPO             every entry, deleted ones too, with the\n"
           "                              nested-repository flag\n"
           "  put REPO FILE...            store files (the member name is the file's base name)\n"
           "  put-all REPO DIR            store every file of DIR\n"
           "  get REPO [-C DIR] NAME...   extract live members into DIR (default: here)\n"
           "  get-all REPO [-C DIR]       extract every live member\n"
           "  cat REPO NAME               write one live member to standard output\n"
           "  delete REPO NAME...         mark members deleted\n"
           "  undelete REPO NAME VERSION  make a stored version the live one again\n"
           "  compress REPO               give back the space of deleted members\n"
           "  check REPO                  verify the member blocks against the directory\n"
           "  info REPO                   format, entries, total and deleted size\n"
           "  recover REPO [--write]      rebuild a damaged XR01 directory from the entries\n"
           "                              inside the member blocks (writes only with --write)\n"
           "  --help                      this text\n"
           "  --version                   the version of xrrps\n"
           "\n"
           "REPO may name a repository stored inside another, as OUTER>>INNER, for the\n"
           "commands that only read (list, get, get-all, cat, info).\n"
           "\n"
           "list prints tab-separated fields: version, size in bytes, stored time (UTC),\n"
           "attributes (hex), state (L live, D deleted), nested repository (Y, N, ?), name.\n"
           "A time the format does not keep prints as \"-\"; control bytes and \\ in names\n"
           "print as \\xNN and \\\\.\n"
           "\n"
           "The commands that change REPO hold it from start to end. Another writer waits\n"
           "up to 3 seconds for it and then reports which program and process holds it;\n"
           "readers only wait while a change is being written.\n"
           "\n"
           "Messages of the repository engine go to standard error as the engine words\n"
           "them. Exit status: 0 success, 1 the engine reported a problem, 2 usage error.\n"
           "Use \"--\" before names that begin with \"-\".\n";
}

}  // namespace kivo::xrrps
