// HelperThread: a queue of tasks and the one thread that runs them.
#include "helper_thread.h"

#include <system_error>
#include <utility>

#include "kivo/filesystem/posix_file_system.h"

namespace kivo::repository {
namespace {

constexpr std::size_t kClosesPerTask = 32;

}  // namespace

HelperThread::HelperThread() : thread_([this] { Run(); }) {}

HelperThread::~HelperThread() {
    PostCloses();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void HelperThread::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    changed_.notify_all();
}

void HelperThread::CloseLater(std::unique_ptr<filesystem::File> file) {
    to_close_.push_back(std::move(file));
    if (to_close_.size() >= kClosesPerTask) {
        PostCloses();
    }
}

void HelperThread::PostCloses() {
    if (to_close_.empty()) {
        return;
    }
    // std::function wants a task it can copy.
    auto files =
        std::make_shared<std::vector<std::unique_ptr<filesystem::File>>>(std::move(to_close_));
    to_close_.clear();
    Post([files] { files->clear(); });
}

void HelperThread::WaitUntilIdle() {
    PostCloses();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return tasks_.empty() && !running_task_; });
}

void HelperThread::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
        if (tasks_.empty()) {
            return;  // stopping, and nothing left to run
        }
        {
            std::function<void()> task = std::move(tasks_.front());
            tasks_.pop_front();
            running_task_ = true;
            lock.unlock();
            task();
        }  // what the task holds goes before the queue is locked again
        lock.lock();
        running_task_ = false;
        changed_.notify_all();
    }
}

bool CallableFromAnyThread(filesystem::FileSystem& file_system) {
    // PosixFileSystem is final: no double derives from it.
    return dynamic_cast<filesystem::PosixFileSystem*>(&file_system) != nullptr;
}

HelperThread* StartHelperThread(std::optional<HelperThread>& slot) {
    try {
        return &slot.emplace();
    } catch (const std::system_error&) {
        slot.reset();
        return nullptr;
    }
}

void CloseBeside(HelperThread* helper, std::unique_ptr<filesystem::File> file) {
    if (helper != nullptr && file != nullptr) {
        helper->CloseLater(std::move(file));
    }  // otherwise closed here, as it goes
}

}  // namespace kivo::repository
