// RawPcmOutput: the raw PCM file a decode writes, through one fixed buffer.
// The file is made new (an existing one is replaced, a symbolic link at the
// path is not followed); Discard removes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kivo::decoding {

class RawPcmOutput {
public:
    explicit RawPcmOutput(std::string path);
    ~RawPcmOutput();
    RawPcmOutput(const RawPcmOutput&) = delete;
    RawPcmOutput& operator=(const RawPcmOutput&) = delete;

    bool Open();
    bool Write(const std::uint8_t* bytes, std::size_t size_bytes);
    // Writes what is buffered and closes the file; false when a write failed.
    bool Finish();
    // Closes and removes the file.
    void Discard();

    std::uint64_t written_bytes() const { return written_bytes_; }

private:
    bool Flush();

    std::string path_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t written_bytes_ = 0;
};

}  // namespace kivo::decoding
