// Output files of an extraction made ahead: while the calling thread copies
// one member and links it under its name, the helper thread creates the next
// few files without a name (FileSystem::CreateUnnamed) in the target folder,
// which is where the kernel spends its time finding free inodes. A file
// without a name that is never taken vanishes when it is closed, so making
// more than are used leaves nothing behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ahead_results.h"
#include "helper_thread.h"
#include "kivo/filesystem/file_system.h"

namespace kivo::repository {

class UnnamedFilePool {
public:
    // At most `wanted` files are made in all. Without a helper none is made
    // ahead: Take creates each when it is asked for.
    UnnamedFilePool(filesystem::FileSystem& file_system, std::string folder,
                    std::uint32_t permissions, std::size_t wanted, HelperThread* helper);
    // Waits for the creations still under way; the files not taken go.
    ~UnnamedFilePool();
    UnnamedFilePool(const UnnamedFilePool&) = delete;
    UnnamedFilePool& operator=(const UnnamedFilePool&) = delete;

    // The next file, or the failure of its creation. After a failure nothing
    // more is made ahead.
    filesystem::FsResult<std::unique_ptr<filesystem::File>> Take();

private:
    void PostAhead();

    filesystem::FileSystem& file_system_;
    std::string folder_;
    std::uint32_t permissions_;
    std::size_t left_to_post_;
    HelperThread* helper_;
    std::size_t posted_ = 0;  // files asked of the helper
    std::size_t taken_ = 0;
    AheadResults<filesystem::FsResult<std::unique_ptr<filesystem::File>>> results_;
};

}  // namespace kivo::repository
