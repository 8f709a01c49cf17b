// UnnamedFilePool: the helper thread's part of an extraction.
#include "unnamed_file_pool.h"

#include <utility>

namespace kivo::repository {
namespace {

// Files made ahead of the copy: enough for the helper to keep ahead of a run
// of small members, few enough that the descriptors held stay a handful.
// They are asked for half a batch at a time, so the helper wakes once for
// several.
constexpr std::size_t kFilesAhead = 16;

}  // namespace

UnnamedFilePool::UnnamedFilePool(filesystem::FileSystem& file_system, std::string folder,
                                 std::uint32_t permissions, std::size_t wanted,
                                 HelperThread* helper)
    : file_system_(file_system),
      folder_(std::move(folder)),
      permissions_(permissions),
      left_to_post_(helper != nullptr ? wanted : 0),
      helper_(helper) {}

UnnamedFilePool::~UnnamedFilePool() {
    if (helper_ != nullptr) {
        helper_->WaitUntilIdle();
    }
}

filesystem::FsResult<std::unique_ptr<filesystem::File>> UnnamedFilePool::Take() {
    PostAhead();
    if (ahead_.empty()) {
        return file_system_.CreateUnnamed(folder_, permissions_);
    }
    filesystem::FsResult<std::unique_ptr<filesystem::File>> created = ahead_.front().get();
    ahead_.pop_front();
    if (!created.ok()) {
        left_to_post_ = 0;
    }
    return created;
}

void UnnamedFilePool::PostAhead() {
    using Created = filesystem::FsResult<std::unique_ptr<filesystem::File>>;
    if (ahead_.size() > kFilesAhead / 2) {
        return;
    }
    while (left_to_post_ > 0 && ahead_.size() < kFilesAhead) {
        auto task = std::make_shared<std::packaged_task<Created()>>(
            [this] { return file_system_.CreateUnnamed(folder_, permissions_); });
        ahead_.push_back(task->get_future());
        helper_->Post([task] { (*task)(); });
        --left_to_post_;
    }
}

}  // namespace kivo::repository
