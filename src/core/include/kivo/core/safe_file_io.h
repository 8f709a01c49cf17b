// Small file helpers with the safety the program's own files need: whole-file
// reads with a size cap, atomic replacement (temporary file in the same
// folder, fsync, rename, fsync of the folder) and an advisory lock file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kivo::core {

enum class ReadResult { kOk, kMissing, kTooLarge, kFailed };

// Reads the whole file into out when it is at most max_bytes long.
ReadResult ReadWholeFile(const std::filesystem::path& path, std::uint64_t max_bytes,
                         std::string& out);

// Makes a new temporary file beside target ("<name>.XXXXXX", mode 0600 until
// it is published). Returns its descriptor (or -1) and sets temp_path.
int CreateTemporaryBeside(const std::filesystem::path& target, std::filesystem::path& temp_path);

// fsyncs fd, closes it and renames temp_path over target, then fsyncs the
// folder. The target's permission bits are kept when it exists (else
// new_mode). On any failure the temporary file is removed, the target is
// unchanged and false is returned. fd is closed in every case.
bool PublishTemporary(int fd, const std::filesystem::path& temp_path,
                      const std::filesystem::path& target, unsigned new_mode = 0644);

// Replaces target with bytes atomically. False on failure (target unchanged).
bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                           unsigned new_mode = 0644);

// Copies source over target atomically. False on failure (target unchanged).
bool CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target);

// Reads up to size bytes into data, retrying short reads and EINTR; filled
// says how many arrived (fewer only at the end of the file). False on error.
bool ReadFully(int fd, char* data, std::size_t size, std::size_t& filled);

// Copies everything readable from in to out (from their current positions)
// in 64 KiB blocks. False on a read or write error; neither fd is closed.
bool CopyAll(int in, int out);

// Writes all bytes to fd, retrying short writes and EINTR.
bool WriteAll(int fd, const char* data, std::size_t size);

// An exclusive advisory lock (flock) on a lock file, held for the lifetime
// of the object. The lock file is created when missing and left in place.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& lock_path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool locked() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace kivo::core
