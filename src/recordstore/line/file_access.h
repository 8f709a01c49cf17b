// File helpers of the record-line, index-mark and record-index code over the
// file-system seam: opening with a Status result, positioned reads and writes
// of everything, and whole-file replacement through a temporary file and a
// rename (so a reader sees the old file or the new one, never half of one).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/status.h"

namespace kivo::recordstore::file_access {

using filesystem::File;
using filesystem::FileSystem;

// Options for reading an existing file, and for reading and writing one that
// is created (mode 0644 less the umask) when missing.
filesystem::OpenOptions ForReading();
filesystem::OpenOptions ForUpdating(filesystem::Creation creation);

// Opens path. kNotFound for a missing file, kIoError for any other failure.
Status Open(FileSystem& file_system, const std::string& path,
            const filesystem::OpenOptions& options, std::unique_ptr<File>* file);

Status FileSize(File& file, const std::string& path, std::uint64_t* size_bytes);

// Reads up to count bytes at offset; *read_bytes is short only at the end.
Status ReadAt(File& file, const std::string& path, std::uint64_t offset, void* buffer,
              std::size_t count, std::size_t* read_bytes);

// Writes all of bytes at offset.
Status WriteAt(File& file, const std::string& path, std::uint64_t offset, std::string_view bytes);

// Reads at most max_bytes from the start of the file.
Status ReadPrefix(FileSystem& file_system, const std::string& path, std::size_t max_bytes,
                  std::string* bytes);

// Replaces the whole file with bytes through a ReplacementFile.
Status ReplaceFile(FileSystem& file_system, const std::string& path, std::string_view bytes);

// A new version of a file, written beside it ("<path>.XXXXXX") and put in
// its place by Commit: flushed, given the permission bits of the file it
// replaces (0644 for a new one), renamed over it, and the folder flushed, so
// a reader or a crash sees the old file or the new one. Dropped (the
// temporary file removed) when not committed.
class ReplacementFile {
public:
    explicit ReplacementFile(FileSystem& file_system) : file_system_(file_system) {}
    ~ReplacementFile();
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    static Status Create(const std::string& path, ReplacementFile* file);
    // Appends bytes (buffered; written out in large blocks).
    Status Append(std::string_view bytes);
    Status Commit();

private:
    Status Flush();

    FileSystem& file_system_;
    std::string path_;
    std::string temporary_;
    std::unique_ptr<File> file_;
    std::string pending_;
    std::uint64_t written_bytes_ = 0;
};

// Holds a byte-range lock (File::LockRange) while in scope; length 0 locks to
// the end of the file. Waits for other processes' locks.
class RangeLock {
public:
    RangeLock(File& file, bool exclusive, std::uint64_t offset = 0, std::uint64_t length = 0);
    ~RangeLock();
    RangeLock(const RangeLock&) = delete;
    RangeLock& operator=(const RangeLock&) = delete;
    bool locked() const { return locked_; }

private:
    File& file_;
    std::uint64_t offset_;
    std::uint64_t length_;
    bool locked_ = false;
};

}  // namespace kivo::recordstore::file_access
