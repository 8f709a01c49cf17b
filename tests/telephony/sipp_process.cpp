// SIPp as a test peer (see sipp_process.h).
#include "sipp_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

extern char** environ;

namespace kivo::test {

bool HaveProgram(const std::string& name) {
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

std::string SippScenario(const std::string& name) {
    return std::filesystem::absolute(KIVO_TELEPHONY_TEST_DIR "/sipp/" + name).string();
}

pid_t StartSipp(const std::string& folder, const std::string& scenario, int remote_port,
                int local_port) {
    const std::string log = folder + "/sipp.log";
    std::vector<std::string> args = {"sipp",      "-sf",      scenario,
                                     "-m",        "1",        "-i",
                                     "127.0.0.1", "-p",       std::to_string(local_port),
                                     "-nostdin",  "-timeout", "30s",
                                     "-trace_err"};
    if (remote_port != 0) {
        args.insert(args.begin() + 1, "127.0.0.1:" + std::to_string(remote_port));
    }
    std::vector<char*> argv;
    for (auto& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_APPEND, 0600);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "sipp", &actions, nullptr, argv.data(), environ) != 0) {
        pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int SippPortFor(int offset) {
    return 20000 + static_cast<int>((::getpid() + offset) % 20000);
}

}  // namespace kivo::test
