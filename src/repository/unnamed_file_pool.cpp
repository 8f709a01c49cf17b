// UnnamedFilePool: the helper thread's part of an extraction.
#include "unnamed_file_pool.h"

#include <algorithm>
#include <utility>

namespace kivo::repository {
namespace {

// Files made ahead of the copy: enough for the helper to keep ahead of a run
// of small members, few enough that the descriptors held stay a handful.
// They are asked for half a batch at a time, so the helper wakes once for
// several.
constexpr std::size_t kFilesAhead = 64;

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
    if (taken_ == posted_) {
        return file_system_.CreateUnnamed(folder_, permissions_);
    }
    filesystem::FsResult<std::unique_ptr<filesystem::File>> created = results_.Take(taken_++);
    if (!created.ok()) {
        left_to_post_ = 0;
    }
    return created;
}

// One task for the batch: the helper takes the queue's lock once.
void UnnamedFilePool::PostAhead() {
    const std::size_t waiting = posted_ - taken_;
    if (left_to_post_ == 0 || waiting > kFilesAhead / 2) {
        return;
    }
    const std::size_t first = posted_;
    const std::size_t count = std::min(left_to_post_, kFilesAhead - waiting);
    results_.Reserve(first + count);
    posted_ += count;
    left_to_post_ -= count;
    helper_->Post([this, first, count] {
        for (std::size_t i = first; i < first + count; ++i) {
            results_.Set(i, file_system_.CreateUnnamed(folder_, permissions_));
        }
    });
}

}  // namespace kivo::repository
