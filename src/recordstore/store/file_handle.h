// Small helpers over the file-system seam, shared by the record store and the
// media codec: an open file with reads at an offset and writes of everything,
// and a replacement file that takes the place of another only once it is
// complete (written under a temporary name in the same folder, then renamed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "kivo/filesystem/file_system.h"

namespace kivo::recordstore {

class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(std::unique_ptr<filesystem::File> file) : file_(std::move(file)) {}

    // Opens an existing file for reading. On failure is_open() is false and
    // *error says why.
    static FileHandle OpenForReading(filesystem::FileSystem& file_system, const std::string& path,
                                     std::string* error);

    bool is_open() const { return file_ != nullptr; }

    // Type, size and mode of the open file; false when it cannot be read.
    bool Describe(filesystem::FileInfo* info) const;
    // Size in bytes; false when it cannot be read.
    bool Size(std::uint64_t* size_bytes) const;
    // Reads up to count bytes at offset; *read_bytes is short only at the end
    // of the file. False on an I/O error.
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count,
                std::size_t* read_bytes) const;
    // Reads exactly count bytes at offset; false when the file ends first.
    bool ReadExactlyAt(std::uint64_t offset, void* buffer, std::size_t count) const;
    // Writes every byte at the current position.
    bool WriteAll(const void* data, std::size_t count);
    // The position at which WriteAll writes next.
    bool Seek(std::uint64_t offset);
    bool Position(std::uint64_t* offset) const;
    bool SetPermissions(unsigned mode_bits);
    // Closes the file (the seam's files report no error on closing: a write
    // that failed has said so already).
    void Close() { file_.reset(); }

    // Why the last call that answered false failed ("No space left on device").
    std::string LastErrorText() const { return last_failure_.Describe(); }

private:
    bool Check(const filesystem::FsStatus& status) const;

    std::unique_ptr<filesystem::File> file_;
    mutable filesystem::FsStatus last_failure_;
};

// A file written under a temporary name beside target_path and renamed over
// it by Commit(). Destroying an uncommitted replacement removes the
// temporary file, so a half-written file never appears under the target name.
class ReplacementFile {
public:
    ReplacementFile(filesystem::FileSystem& file_system, std::string target_path);
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    // Creates the temporary file; false (with *error) when it cannot.
    bool Create(std::string* error);
    FileHandle& file() { return file_; }
    const std::string& temporary_path() const { return temporary_path_; }
    // Gives the temporary file mode_bits, closes it and renames it over the
    // target. False (with *error) leaves the target untouched.
    bool Commit(unsigned mode_bits, std::string* error);

private:
    filesystem::FileSystem& file_system_;
    std::string target_path_;
    std::string temporary_path_;
    FileHandle file_;
    bool committed_ = false;
};

}  // namespace kivo::recordstore
