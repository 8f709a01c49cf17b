// Reading /proc/locks and /proc/<pid>/comm.
#include "proc_locks.h"

#include <fstream>
#include <sstream>

namespace kivo::filesystem {
namespace {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return in ? text.str() : std::string();
}

// "fe:00:10953202": major and minor in hexadecimal, the inode in decimal.
bool ParseFileKey(const std::string& key, std::uint32_t& major, std::uint32_t& minor,
                  std::uint64_t& inode) {
    std::istringstream in(key);
    char colon1 = 0;
    char colon2 = 0;
    in >> std::hex >> major >> colon1 >> minor >> colon2 >> std::dec >> inode;
    return !in.fail() && colon1 == ':' && colon2 == ':';
}

}  // namespace

std::optional<int> FindFlockHolderIn(const std::string& proc_locks, std::uint32_t device_major,
                                     std::uint32_t device_minor, std::uint64_t inode) {
    std::istringstream lines(proc_locks);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string number, kind, advisory, mode, file_key;
        int process_id = 0;
        fields >> number >> kind;
        if (kind != "FLOCK") {
            continue;  // another kind of lock, or "->": a request still waiting
        }
        fields >> advisory >> mode >> process_id >> file_key;
        std::uint32_t major = 0;
        std::uint32_t minor = 0;
        std::uint64_t file_inode = 0;
        if (fields.fail() || !ParseFileKey(file_key, major, minor, file_inode)) {
            continue;
        }
        if (major == device_major && minor == device_minor && file_inode == inode &&
            process_id > 0) {
            return process_id;
        }
    }
    return std::nullopt;
}

std::string ProcessCommandName(int process_id) {
    std::string name = ReadWholeFile("/proc/" + std::to_string(process_id) + "/comm");
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) {
        name.pop_back();
    }
    return name;
}

std::string ReadProcLocks() {
    return ReadWholeFile("/proc/locks");
}

}  // namespace kivo::filesystem
