// The state of a data store file, as a whole: see store_fingerprint.h.
#include "kivo/core/store_fingerprint.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kivo::core {
namespace {

std::int64_t Nanoseconds(const struct timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

}  // namespace

StoreFingerprint ReadStoreFingerprint(const std::filesystem::path& store) {
    StoreFingerprint print;
    const int fd = ::open(store.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return print;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        print.device = st.st_dev;
        print.inode = st.st_ino;
        print.size_bytes = static_cast<std::uint64_t>(st.st_size);
        print.modified_ns = Nanoseconds(st.st_mtim);
        print.changed_ns = Nanoseconds(st.st_ctim);
        // A short file (a new, still empty store) leaves the rest zero.
        print.readable = ::pread(fd, print.header.data(), print.header.size(), 0) >= 0;
    }
    ::close(fd);
    return print;
}

}  // namespace kivo::core
