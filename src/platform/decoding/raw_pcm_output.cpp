// The raw PCM file of a decode (see raw_pcm_output.h).
#include "raw_pcm_output.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace kivo::decoding {
namespace {

constexpr std::size_t kBufferBytes = 256 * 1024;

}  // namespace

RawPcmOutput::RawPcmOutput(std::string path) : path_(std::move(path)) {}

RawPcmOutput::~RawPcmOutput() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool RawPcmOutput::Open() {
    ::unlink(path_.c_str());
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    buffer_.reserve(kBufferBytes);
    return fd_ >= 0;
}

bool RawPcmOutput::Write(const std::uint8_t* bytes, std::size_t size_bytes) {
    while (size_bytes > 0) {
        const std::size_t room = kBufferBytes - buffer_.size();
        const std::size_t taken = size_bytes < room ? size_bytes : room;
        buffer_.insert(buffer_.end(), bytes, bytes + taken);
        bytes += taken;
        size_bytes -= taken;
        if (buffer_.size() == kBufferBytes && !Flush())
            return false;
    }
    return true;
}

bool RawPcmOutput::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t wrote = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += static_cast<std::size_t>(wrote);
    }
    written_bytes_ += buffer_.size();
    buffer_.clear();
    return true;
}

bool RawPcmOutput::Finish() {
    const bool flushed = fd_ >= 0 && Flush();
    const bool closed = fd_ >= 0 && ::close(fd_) == 0;
    fd_ = -1;
    return flushed && closed;
}

void RawPcmOutput::Discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    buffer_.clear();
    ::unlink(path_.c_str());
}

}  // namespace kivo::decoding
