// Opening the sources of a bulk store ahead of the copy: while the calling
// thread copies one file into the repository, the helper thread opens the
// next few (with the lock that keeps each unshared) and reads their sizes and
// attributes. The storer takes the results in order and makes every call
// that was not made ahead itself, exactly as without a helper, so its
// checks and messages are the same either way.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ahead_results.h"
#include "helper_thread.h"
#include "kivo/filesystem/file_system.h"

namespace kivo::repository {

// What was found ahead for one name; a part is empty where its call was not
// made (an unsafe name is never opened; a file that is no regular file is
// not looked at further).
struct PrefetchedSource {
    std::optional<filesystem::FsResult<std::unique_ptr<filesystem::File>>> opened;
    std::optional<filesystem::FsResult<filesystem::FileInfo>> size;  // of the open file
    std::optional<filesystem::FsResult<filesystem::FileInfo>> info;  // of the path
};

class SourcePrefetch {
public:
    // Without a helper nothing is done ahead and every Take is empty.
    SourcePrefetch(filesystem::FileSystem& file_system, std::string directory,
                   const std::vector<std::string>& names, filesystem::OpenOptions options,
                   HelperThread* helper);
    // Waits for the opens still under way, then closes what was not taken.
    ~SourcePrefetch();
    SourcePrefetch(const SourcePrefetch&) = delete;
    SourcePrefetch& operator=(const SourcePrefetch&) = delete;

    // The results for names[index]; indexes are taken in increasing order.
    // A source found locked is given back empty, to be opened again once
    // the helper has done what it was given: the lock may be the one an
    // earlier name held on the same file, whose closing was posted to it.
    PrefetchedSource Take(std::size_t index);

private:
    void PostUpTo(std::size_t end);
    PrefetchedSource Prefetch(const std::string& name);

    filesystem::FileSystem& file_system_;
    std::string directory_;
    const std::vector<std::string>& names_;
    filesystem::OpenOptions options_;
    HelperThread* helper_;
    std::size_t posted_ = 0;  // names given to the helper
    AheadResults<PrefetchedSource> results_;
};

}  // namespace kivo::repository
