// Running a filter command (see command_pipe.h). Standard input is a pipe (the
// translator's scripts open /dev/stdin, which a socket would not allow); a
// command that stops reading early makes the write fail with EPIPE, and the
// SIGPIPE that write raises is blocked in this thread and taken back.
#include "command_pipe.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <cstring>
#include <utility>

extern char** environ;

namespace kivo::translation {
namespace {

using Clock = std::chrono::steady_clock;

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void Reset(int fd) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    void Close() { Reset(-1); }

private:
    int fd_;
};

struct Child {
    pid_t pid = -1;
    Descriptor input;   // our end of its standard input
    Descriptor output;  // our end of its standard output
};

TranslationStatus StartChild(const std::vector<std::string>& arguments, Child* child) {
    int input_pair[2];
    int output_pipe[2];
    if (::pipe2(input_pair, O_CLOEXEC) != 0)
        return TranslationStatus::Error(std::string("pipe: ") + std::strerror(errno));
    std::swap(input_pair[0], input_pair[1]);  // [0] ours to write, [1] the child's to read
    Descriptor child_input(input_pair[1]);
    child->input.Reset(input_pair[0]);
    ::fcntl(input_pair[0], F_SETFL, O_NONBLOCK);
    if (::pipe2(output_pipe, O_CLOEXEC) != 0)
        return TranslationStatus::Error(std::string("pipe: ") + std::strerror(errno));
    Descriptor child_output(output_pipe[1]);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, child_input.get(), STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, child_output.get(), STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    // Its own process group, so a time-out ends the whole pipeline it runs.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int spawned =
        ::posix_spawnp(&child->pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        ::close(output_pipe[0]);
        child->pid = -1;
        return TranslationStatus::Error(arguments[0] + ": " + std::strerror(spawned));
    }
    child->output.Reset(output_pipe[0]);
    return TranslationStatus::Ok();
}

// Feeds input and drains output until the command closes its output, the
// deadline passes or the output grows past its limit.
TranslationStatus Exchange(Child& child, const std::string& input, const CommandLimits& limits,
                           std::string* output) {
    const Clock::time_point deadline = Clock::now() + limits.time_limit;
    std::size_t written_bytes = 0;
    if (input.empty())
        child.input.Close();
    char buffer[65536];
    while (true) {
        const auto left_ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left_ms <= 0)
            return TranslationStatus::Error("the translator did not finish in time");
        const bool writing = child.input.get() >= 0;
        pollfd fds[2] = {{child.output.get(), POLLIN, 0}, {child.input.get(), POLLOUT, 0}};
        if (::poll(fds, writing ? 2 : 1, static_cast<int>(left_ms)) < 0 && errno != EINTR)
            return TranslationStatus::Error(std::string("poll: ") + std::strerror(errno));
        if (writing && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t sent = ::write(child.input.get(), input.data() + written_bytes,
                                         input.size() - written_bytes);
            if (sent < 0 && errno != EAGAIN && errno != EINTR)
                return TranslationStatus::Error("the translator stopped reading its input");
            if (sent > 0)
                written_bytes += static_cast<std::size_t>(sent);
            if (written_bytes == input.size())
                child.input.Close();
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t got = ::read(child.output.get(), buffer, sizeof buffer);
            if (got == 0 && written_bytes < input.size())
                return TranslationStatus::Error("the translator stopped reading its input");
            if (got == 0)
                return TranslationStatus::Ok();
            if (got < 0 && errno != EINTR && errno != EAGAIN)
                return TranslationStatus::Error(std::string("read: ") + std::strerror(errno));
            if (got > 0)
                output->append(buffer, static_cast<std::size_t>(got));
            if (output->size() > limits.output_limit_bytes)
                return TranslationStatus::Error("the translation is longer than allowed");
        }
    }
}

// Blocks SIGPIPE in the calling thread for its lifetime; a SIGPIPE raised
// meanwhile by a write to a closed pipe is taken back before unblocking.
class SigpipeBlock {
public:
    SigpipeBlock() {
        sigemptyset(&sigpipe_);
        sigaddset(&sigpipe_, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &sigpipe_, &previous_);
    }
    ~SigpipeBlock() {
        const timespec no_wait{0, 0};
        while (sigtimedwait(&sigpipe_, nullptr, &no_wait) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    SigpipeBlock(const SigpipeBlock&) = delete;
    SigpipeBlock& operator=(const SigpipeBlock&) = delete;

private:
    sigset_t sigpipe_;
    sigset_t previous_;
};

}  // namespace

TranslationStatus RunFilterCommand(const std::vector<std::string>& arguments,
                                   const std::string& input, const CommandLimits& limits,
                                   std::string* output) {
    output->clear();
    if (arguments.empty())
        return TranslationStatus::Error("no command");
    const SigpipeBlock sigpipe_block;
    Child child;
    if (TranslationStatus started = StartChild(arguments, &child); !started.ok())
        return started;
    TranslationStatus exchanged = Exchange(child, input, limits, output);
    child.input.Close();
    child.output.Close();
    if (!exchanged.ok())
        ::kill(-child.pid, SIGKILL);
    int wait_status = 0;
    while (::waitpid(child.pid, &wait_status, 0) < 0 && errno == EINTR) {
    }
    if (!exchanged.ok())
        return exchanged;
    if (!WIFEXITED(wait_status) || WEXITSTATUS(wait_status) != 0)
        return TranslationStatus::Error(arguments[0] + " failed");
    return TranslationStatus::Ok();
}

}  // namespace kivo::translation
