// Small RAII helpers over POSIX file descriptors, shared by the record store
// and the media codec: reading at an offset, writing everything, and a
// replacement file that takes the place of another only once it is
// complete (written under a temporary name in the same folder, then renamed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kivo::recordstore {

// Text of errno for messages ("No such file or directory").
std::string ErrnoText(int error_number);

class PosixFile {
public:
    PosixFile() = default;
    explicit PosixFile(int fd) : fd_(fd) {}
    ~PosixFile();
    PosixFile(PosixFile&& other) noexcept;
    PosixFile& operator=(PosixFile&& other) noexcept;
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    // Opens an existing file for reading. On failure is_open() is false and
    // *error says why.
    static PosixFile OpenForReading(const std::string& path, std::string* error);

    bool is_open() const { return fd_ >= 0; }
    int fd() const { return fd_; }

    // Size in bytes, or false when fstat fails.
    bool Size(std::uint64_t* size_bytes) const;
    // Reads up to count bytes at offset; *read_bytes is short only at the end
    // of the file. False on an I/O error.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count,
                std::size_t* read_bytes) const;
    // Reads exactly count bytes at offset; false when the file ends first.
    bool ReadExactlyAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // Writes every byte at the current position, retrying short writes.
    bool WriteAll(const void* data, std::size_t count);
    // Closes the descriptor; false when close reports an error (such as a
    // delayed write failure).
    bool Close();

private:
    int fd_ = -1;
};

// A file written under a temporary name beside target_path and renamed over
// it by Commit(). Destroying an uncommitted replacement removes the
// temporary file, so a half-written file never appears under the target name.
class ReplacementFile {
public:
    explicit ReplacementFile(std::string target_path);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file; false (with *error) when it cannot.
    bool Create(std::string* error);
    PosixFile& file() { return file_; }
    const std::string& temporary_path() const { return temporary_path_; }
    // Closes the temporary file, gives it mode_bits and renames it over the
    // target. False (with *error) leaves the target untouched.
    bool Commit(unsigned mode_bits, std::string* error);

private:
    std::string target_path_;
    std::string temporary_path_;
    PosixFile file_;
    bool committed_ = false;
};

}  // namespace kivo::recordstore
