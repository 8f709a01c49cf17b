// Running kivoctl in tests; see kivoctl_run.h.
#include "kivoctl_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "kivoctl_commands.h"

namespace kivo::kivoctl::test {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void ExecInChild(const std::vector<std::string>& arguments,
                              const ProgramOptions& options, int out_fd, int err_fd) {
    ::dup2(out_fd, STDOUT_FILENO);
    ::dup2(err_fd, STDERR_FILENO);
    // As from a terminal, whatever the test runner ignores.
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        ::signal(signal_number, SIG_DFL);
    for (const auto& [name, value] : options.environment)
        ::setenv(name.c_str(), value.c_str(), 1);
    if (options.group_id >= 0 &&
        ::setresgid(options.group_id, options.group_id, options.group_id) != 0) {
        ::_exit(126);
    }
    if (options.user_id >= 0 &&
        ::setresuid(options.user_id, options.user_id, options.user_id) != 0) {
        ::_exit(126);
    }
    std::vector<char*> argv;
    std::string program = KIVOCTL_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (auto& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
}

// Reads both pipes until they close or the deadline passes.
bool Drain(int out_fd, int err_fd, std::string& out, std::string& err, Clock::time_point deadline) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&out, &err};
    int open_count = 2;
    while (open_count > 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(got));
            } else {
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
    return true;
}

}  // namespace

Result Kivoctl(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    Result result;
    result.status = RunCommand(arguments, out, err);
    result.out = out.str();
    result.err = err.str();
    return result;
}

Result RunKivoctl(const std::vector<std::string>& arguments, const ProgramOptions& options) {
    int out_pipe[2], err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0)
        ExecInChild(arguments, options, out_pipe[1], err_pipe[1]);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    Result result;
    const bool finished =
        Drain(out_pipe[0], err_pipe[0], result.out, result.err, Clock::now() + options.time_limit);
    if (!finished) {
        result.timed_out = true;
        ::kill(child, SIGKILL);
    }
    ::close(out_pipe[0]);
    ::close(err_pipe[0]);
    result.status = WaitForKivoctl(child);
    return result;
}

int StartKivoctl(const std::vector<std::string>& arguments, const ProgramOptions& options) {
    const pid_t child = ::fork();
    if (child == 0) {
        const int null_fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ExecInChild(arguments, options, null_fd, null_fd);
    }
    return child;
}

int WaitForKivoctl(int process_id) {
    int status = 0;
    while (::waitpid(process_id, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::vector<std::string> WorkingFoldersIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() == 13 && name.starts_with("Voxwren") && entry.is_directory())
            names.push_back(name);
    }
    return names;
}

kivo::test::RecordFields Record(int number, std::string kind, std::string subject) {
    kivo::test::RecordFields f;
    f.number = number;
    f.kind = std::move(kind);
    f.subject = std::move(subject);
    f.container = "D" + std::to_string(number) + ".xrz";
    return f;
}

std::string FileContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kivo::kivoctl::test
