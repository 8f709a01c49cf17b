// One thread beside the calling one, for the system calls of a bulk store or
// extraction that need not wait in line: opening the next sources, creating
// the next output files, asking the disk to start writing. The machine has
// more than one core and the calling thread is busy copying; the kernel's
// work for those calls then runs beside the copy instead of between copies.
//
// Tasks run in the order they were posted. A task must not touch the call's
// status record or progress callback (those stay on the calling thread) and
// may only use a FileSystem that is callable from any thread
// (CallableFromAnyThread); callers check that before making one.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "kivo/filesystem/file_system.h"

namespace kivo::repository {

class HelperThread {
public:
    HelperThread();
    // Runs what is still posted, then ends the thread.
    ~HelperThread();
    HelperThread(const HelperThread&) = delete;
    HelperThread& operator=(const HelperThread&) = delete;

    void Post(std::function<void()> task);
    // Closes `file` on the helper thread. Files are handed over a few at a
    // time, so the helper wakes once for several; by the end of
    // WaitUntilIdle every file given so far is closed. For the posting
    // thread only, as Post.
    void CloseLater(std::unique_ptr<filesystem::File> file);
    // Returns once every task posted so far has run.
    void WaitUntilIdle();

private:
    void Run();
    void PostCloses();

    // Files given to CloseLater and not yet handed over.
    std::vector<std::unique_ptr<filesystem::File>> to_close_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    bool running_task_ = false;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

// Whether the engine may call `file_system`, and its Files, from a helper
// thread too: true only for the machine's own (PosixFileSystem, each call a
// system call on its own descriptor; a PosixFile's position is used only by
// the thread that copies, and StartWriteback does not touch it). Test
// doubles count and order their calls, and wrappers pass them on to such
// doubles, so over them every call is made in turn on the calling thread.
bool CallableFromAnyThread(filesystem::FileSystem& file_system);

// Starts a helper in `slot`; nullptr where the system gives no thread, and
// the call then works on alone.
HelperThread* StartHelperThread(std::optional<HelperThread>& slot);

// HelperThread::CloseLater, or closes at once without a helper (nullptr). A
// file is closed beside the copy only where nothing waits for its closing.
void CloseBeside(HelperThread* helper, std::unique_ptr<filesystem::File> file);

}  // namespace kivo::repository
