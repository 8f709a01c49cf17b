// WriterLock: one writer per repository across a whole command.
//
// Every engine call that changes a repository is safe on its own: it takes
// the repository for itself, journals, commits. A command that reads a
// repository, decides, and then writes (a record save, a deletion that reads
// the record log first, a compaction after a listing) is several calls, and
// another writer could change the repository between them; the command would
// then write back what it decided on a stale copy. A WriterLock closes that
// gap: the caller takes it before the first read and holds it until the last
// write, and no other writer can change the repository in between.
//
// Contract:
//   What is held: the writer lock of the repository file itself (the file,
//     not the name: the same lock whatever symbolic link or path reaches it).
//     The repository's bytes do not change and no side file is made.
//   For how long: from Acquire until the WriterLock is destroyed or
//     Release()d (or its process ends, however it ends; nothing is left to
//     clean up).
//   The holder: hands the lock to the Engine it works with,
//       WriterLock lock = WriterLock::Acquire(file_system, path);
//       if (!lock.held()) { report lock.status(); return; }
//       Engine engine(file_system, lock, options);
//       engine.Info(path); ... engine.Put(path, ...); engine.Delete(path, ...);
//     and that Engine's calls on the repository run as usual, each still
//     journalled and committed on its own. An Engine (or an RPS_ call of the
//     C interface) that was not handed the lock is "another writer", even in
//     the holder's own process; so is a second Acquire on the same file.
//   Another writer: waits up to its wait time (EngineOptions::lock_wait or
//     WriterLockOptions::wait, about 3 s by default) for the lock to be
//     released, then fails with
//       "RPS01 Unable to open repository file (<path>) - The repository is in
//        use by <program> (process <pid>)"
//     ("... by process <pid>" when the program cannot be read, "... by
//     another program" when the holder cannot be told). It never proceeds.
//   Readers: are not held up by a WriterLock. Each call waits only while a
//     writing call is in the middle of its input and output, and so always
//     reads a committed state: between the holder's calls, the state its last
//     call committed.
// Not re-entrant: the holder must not Acquire the same file again.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/status_record.h"

namespace kivo::repository {

struct WriterLockOptions {
    // How long to wait for another writer to finish before giving up.
    std::chrono::milliseconds wait{3000};
    // A missing repository is created as an empty file (which the first
    // store makes an empty repository), so it can be held before it exists.
    // Otherwise a missing repository fails with RPS01.
    bool create_missing = false;
};

class WriterLock {
public:
    // Takes the lock on the repository at `repository_path` (a plain file
    // path; a nested ">>" path is refused with RPS22, as every writing call
    // refuses it). The result is not held() when the file cannot be opened
    // for writing or another writer kept it for the whole wait; status()
    // then says why. Special files are refused at once.
    static WriterLock Acquire(filesystem::FileSystem& file_system,
                              const std::string& repository_path,
                              const WriterLockOptions& options = {});

    WriterLock(WriterLock&& other) noexcept;
    WriterLock& operator=(WriterLock&& other) noexcept;
    ~WriterLock();

    bool held() const { return file_ != nullptr; }
    // Empty while held; one message when Acquire failed.
    const StatusRecord& status() const { return status_; }
    // The path the lock was taken by.
    const std::string& path() const { return path_; }
    // Whether this lock is held on the file that `file` describes.
    bool Covers(const filesystem::FileInfo& file) const;
    // Ends the lock early; the destructor does the same.
    void Release();

private:
    WriterLock() = default;

    std::unique_ptr<filesystem::File> file_;
    filesystem::FileInfo identity_;
    std::string path_;
    StatusRecord status_;
};

}  // namespace kivo::repository
