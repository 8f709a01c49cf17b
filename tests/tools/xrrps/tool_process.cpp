// Child processes for the xrrps tests: fork, redirect, exec, wait.
#include "tool_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>

#include "file_bytes.h"
#include "temp_dir.h"

namespace kivo::test {
namespace {

std::vector<char*> ArgumentVector(const std::string& program,
                                  const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

// In the child: point descriptor target at path (or /dev/null), or die.
void Redirect(int target, const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || dup2(fd, target) < 0) {
        _exit(126);
    }
}

int WaitForExit(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("waitpid failed");
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::string XrrpsPath() {
    return KIVO_XRRPS_PATH;
}

ToolRun RunXrrps(const std::vector<std::string>& arguments, const std::string& working_folder) {
    return RunXrrpsWithin(arguments, working_folder, std::chrono::hours(1));
}

ToolRun RunXrrpsWithin(const std::vector<std::string>& arguments, const std::string& working_folder,
                       std::chrono::milliseconds time_limit) {
    using Clock = std::chrono::steady_clock;
    TempDir capture;
    std::string out_path = capture.file("stdout");
    std::string err_path = capture.file("stderr");
    std::string program = XrrpsPath();
    std::vector<char*> argv = ArgumentVector(program, arguments);
    std::fflush(nullptr);
    pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        Redirect(STDOUT_FILENO, out_path);
        Redirect(STDERR_FILENO, err_path);
        if (chdir(working_folder.c_str()) != 0) {
            _exit(126);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    ToolRun run;
    const Clock::time_point start = Clock::now();
    int status = 0;
    pid_t ended;
    while (((ended = waitpid(child, &status, WNOHANG)) == 0 || (ended < 0 && errno == EINTR)) &&
           Clock::now() - start < time_limit) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (ended == child) {
        run.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    } else {
        run.timed_out = true;
        kill(child, SIGKILL);
        WaitForExit(child);
    }
    run.duration = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    run.standard_output = ReadFileText(out_path);
    run.standard_error = ReadFileText(err_path);
    return run;
}

pid_t StartXrrps(const std::vector<std::string>& arguments) {
    std::string program = XrrpsPath();
    std::vector<char*> argv = ArgumentVector(program, arguments);
    std::fflush(nullptr);
    pid_t child = fork();
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    if (child == 0) {
        Redirect(STDOUT_FILENO, "/dev/null");
        Redirect(STDERR_FILENO, "/dev/null");
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

int WaitForChild(pid_t child) {
    return WaitForExit(child);
}

ChildEnd KillAndReap(pid_t child) {
    int status = 0;
    if (waitpid(child, &status, WNOHANG) == child) {
        return ChildEnd{false, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }
    kill(child, SIGKILL);
    int exit_status = WaitForExit(child);
    // The child may have exited between the two calls.
    return ChildEnd{exit_status == -1, exit_status};
}

}  // namespace kivo::test
