// DeliverFile: temporary name, sync, rename; never a silent overwrite.
#include "kivo/exchange/export_delivery.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kCopyBufferBytes = 1 << 20;

Delivery Failed(std::string message) {
    return {DeliveryOutcome::kFailed, std::move(message)};
}

bool CopyInto(int from, int to) {
    std::vector<char> buffer(kCopyBufferBytes);
    for (;;) {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            done += put;
        }
    }
}

}  // namespace

int OpenTemporaryBeside(const fs::path& target, fs::path* temporary) {
    std::string pattern =
        (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd >= 0)
        *temporary = pattern;
    return fd;
}

Delivery CommitTemporary(const fs::path& temporary, const fs::path& target, Overwrite overwrite) {
    int result = 0;
    if (overwrite == Overwrite::kReplace) {
        result = rename(temporary.c_str(), target.c_str());
    } else {
        // A link fails when the name is taken, even by a file made a moment
        // ago: nothing is ever replaced.
        result = link(temporary.c_str(), target.c_str());
        if (result == 0)
            unlink(temporary.c_str());
    }
    if (result == 0)
        return {DeliveryOutcome::kDelivered, {}};
    const int error = errno;
    unlink(temporary.c_str());
    if (error == EEXIST)
        return {DeliveryOutcome::kTargetExists, target.string() + " already exists"};
    return Failed(target.string() + ": " + std::strerror(error));
}

Delivery DeliverFile(const fs::path& source, const fs::path& target, Overwrite overwrite) {
    std::error_code ec;
    if (overwrite == Overwrite::kNever && fs::exists(fs::symlink_status(target, ec)))
        return {DeliveryOutcome::kTargetExists, target.string() + " already exists"};
    const int from = open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (from < 0)
        return Failed(source.string() + ": " + std::strerror(errno));
    fs::path temporary;
    const int to = OpenTemporaryBeside(target, &temporary);
    if (to < 0) {
        const int error = errno;
        close(from);
        return Failed(target.parent_path().string() + ": " + std::strerror(error));
    }
    // An exported file is read by others (a mail client, a player): 0644,
    // not the private mode of a temporary file.
    const bool copied = fchmod(to, 0644) == 0 && CopyInto(from, to) && fsync(to) == 0;
    const int error = errno;
    close(from);
    const bool closed = close(to) == 0;
    if (!copied || !closed) {
        unlink(temporary.c_str());
        return Failed(target.string() + ": " + std::strerror(error));
    }
    return CommitTemporary(temporary, target, overwrite);
}

}  // namespace kivo::exchange
