// Small POSIX file helpers for the record-line, index-mark and record-index
// code: an owned descriptor, positioned reads and writes that retry short
// transfers, and whole-file replacement through a temporary file and a
// rename (so a reader sees the old file or the new one, never half of one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "kivo/recordstore/status.h"

namespace kivo::recordstore::file_access {

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept;
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }
    int Release();

private:
    int fd_ = -1;
};

// Opens with open(2) flags (O_CLOEXEC added). kNotFound for a missing file.
Status Open(const std::string& path, int flags, Descriptor* descriptor, unsigned mode = 0644);

Status FileSize(int fd, const std::string& path, std::uint64_t* size_bytes);

// Reads up to count bytes at offset; *read_bytes is short only at the end.
Status ReadAt(int fd, const std::string& path, std::uint64_t offset, void* buffer,
              std::size_t count, std::size_t* read_bytes);

// Writes all of bytes at offset.
Status WriteAt(int fd, const std::string& path, std::uint64_t offset, std::string_view bytes);

// Reads at most max_bytes from the start of the file.
Status ReadPrefix(const std::string& path, std::size_t max_bytes, std::string* bytes);

// Replaces the whole file with bytes: written to a temporary file in the
// same folder, flushed, then renamed over path.
Status ReplaceFile(const std::string& path, std::string_view bytes);

// A new version of a file, written beside it ("<path>.XXXXXX") and put in
// its place by Commit: flushed, given the permission bits of the file it
// replaces (0644 for a new one), renamed over it, and the folder flushed, so
// a reader or a crash sees the old file or the new one. Dropped (the
// temporary file removed) when not committed.
class ReplacementFile {
public:
    ReplacementFile() = default;
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    static Status Create(const std::string& path, ReplacementFile* file);
    // Appends bytes (buffered; written out in large blocks).
    Status Append(std::string_view bytes);
    Status Commit();

private:
    Status Flush();

    std::string path_;
    std::string temporary_;
    Descriptor file_;
    std::string pending_;
    std::uint64_t written_bytes_ = 0;
};

// Holds a POSIX advisory lock (fcntl) on a byte range while in scope;
// length 0 locks to the end of the file. Waits for other processes' locks.
class RangeLock {
public:
    RangeLock(int fd, bool exclusive, std::uint64_t offset = 0, std::uint64_t length = 0);
    ~RangeLock();
    RangeLock(const RangeLock&) = delete;
    RangeLock& operator=(const RangeLock&) = delete;
    bool locked() const { return locked_; }

private:
    int fd_;
    std::uint64_t offset_;
    std::uint64_t length_;
    bool locked_ = false;
};

}  // namespace kivo::recordstore::file_access
