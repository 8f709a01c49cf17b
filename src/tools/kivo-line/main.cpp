// kivo-line: the other party on Kivo's demo line, and a small answering
// machine to try a line with.
//
//   kivo-line [--socket PATH] ring NUMBER [NAME...]   a call comes in ("-": no number)
//   kivo-line [--socket PATH] speak WAVE              the caller speaks the file
//   kivo-line [--socket PATH] hangup | connect | busy | status
//   kivo-line [--socket PATH] nodialtone on|off
//   kivo-line [--socket PATH] heard WAVE              save what Kivo played into the call
//   kivo-line answer [--device N] [--rings N] [--greeting WAVE] [--once] MESSAGE.wav
//
// Exit status: 0 when the line did it, 1 when it refused, 2 when the line
// could not be reached or the arguments are wrong.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "answering_demo.h"
#include "kivo/telephony/line_control.h"
#include "line_client.h"

namespace {

constexpr int kUsageError = 2;

int Usage() {
    std::fprintf(stderr,
                 "usage: kivo-line [--socket PATH] ring NUMBER [NAME...]\n"
                 "       kivo-line [--socket PATH] speak|heard WAVE\n"
                 "       kivo-line [--socket PATH] connect|busy|hangup|status\n"
                 "       kivo-line [--socket PATH] nodialtone on|off\n"
                 "       kivo-line answer [--device N] [--rings N] [--greeting WAVE] [--once] "
                 "MESSAGE.wav\n");
    return kUsageError;
}

int RunAnswer(const std::vector<std::string>& args) {
    kivo::line_tool::AnsweringOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--device" && has_value) {
            options.device = std::atoi(args[++i].c_str());
        } else if (arg == "--rings" && has_value) {
            options.rings = std::max(1, std::atoi(args[++i].c_str()));
        } else if (arg == "--greeting" && has_value) {
            options.greeting_path = std::filesystem::absolute(args[++i]).string();
        } else if (arg == "--once") {
            options.once = true;
        } else if (options.message_path.empty() && arg.rfind("--", 0) != 0) {
            options.message_path = std::filesystem::absolute(arg).string();
        } else {
            return Usage();
        }
    }
    if (options.message_path.empty()) {
        return Usage();
    }
    return kivo::line_tool::RunAnsweringDemo(options);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string socket_path = kivo::telephony::DefaultLineSocketPath();
    if (args.size() >= 2 && args[0] == "--socket") {
        socket_path = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        return Usage();
    }
    if (args[0] == "answer") {
        return RunAnswer(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    // The line runs in another process: file names travel as absolute paths.
    if ((args[0] == "speak" || args[0] == "heard") && args.size() == 2) {
        args[1] = std::filesystem::absolute(args[1]).string();
    }
    std::string command;
    for (const std::string& arg : args) {
        command += (command.empty() ? "" : " ") + arg;
    }
    std::string reply;
    if (!kivo::line_tool::SendLineCommand(socket_path, command, &reply)) {
        std::fprintf(stderr, "kivo-line: %s\n", reply.c_str());
        return kUsageError;
    }
    std::printf("%s\n", reply.c_str());
    return reply.rfind("ok", 0) == 0 ? 0 : 1;
}
