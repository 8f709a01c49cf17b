// Timing, child programs and test files for the repository benchmark.
#include "bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "zn2xrrps.h"

extern char** environ;

namespace kivo::bench {

double TimeSeconds(const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RunProgram(const std::vector<std::string>& arguments, bool quiet) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t child = 0;
    int status = 0;
    int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "benchmark: '%s' failed\n", arguments.front().c_str());
        std::exit(1);
    }
}

void WriteRandomFile(const std::string& path, std::uint64_t bytes, std::uint64_t seed) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::vector<std::uint64_t> block(1 << 17);  // 1 MiB
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ULL + 1;
    for (std::uint64_t written = 0; written < bytes;) {
        for (std::uint64_t& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        std::uint64_t chunk = std::min<std::uint64_t>(bytes - written, block.size() * 8);
        if (write(fd, block.data(), chunk) != static_cast<ssize_t>(chunk)) {
            std::perror(path.c_str());
            std::exit(1);
        }
        written += chunk;
    }
    close(fd);
}

void EmptyFolder(const std::string& folder) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
}

void RequireSuccess(const void* status, const char* what) {
    const auto* record = static_cast<const RPS_STATUS*>(status);
    if (record == nullptr || record->message_count == 0) {
        return;
    }
    std::fprintf(stderr, "benchmark: %s failed:\n", what);
    for (const RPS_MESSAGE* m = record->messages; m != nullptr; m = m->next) {
        std::fprintf(stderr, "  %s\n", m->text);
    }
    std::exit(1);
}

double Mebibytes(std::uint64_t bytes) {
    return static_cast<double>(bytes) / (1 << 20);
}

}  // namespace kivo::bench
