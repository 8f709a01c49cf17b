// Block copy inside the repository file.
#include "block_copy.h"

#include <algorithm>
#include "kivo/filesystem/page_aligned_buffer.h"
#include "kivo/repository/repository_format.h"

namespace kivo::repository {

bool CopyWithinRepository(RepositoryWriter& repository, std::uint64_t from, std::uint64_t to,
                          std::uint64_t length, const std::string& label,
                          const ProgressCallback& progress) {
    filesystem::PageAlignedBuffer buffer(format::kCopyBlockBytes);
    for (std::uint64_t done = 0; done < length;) {
        std::size_t chunk = static_cast<std::size_t>(
            std::min<std::uint64_t>(format::kCopyBlockBytes, length - done));
        if (!repository.Seek(from + done, 13) || !repository.Read(buffer.data(), chunk, 28, 29)) {
            return false;
        }
        if (progress) {
            progress(ProgressPhase::kRead, static_cast<std::uint32_t>(chunk), label);
        }
        if (!repository.Seek(to + done, 14) || !repository.Write(buffer.data(), chunk, 30, 31)) {
            return false;
        }
        if (progress) {
            progress(ProgressPhase::kWritten, static_cast<std::uint32_t>(chunk), label);
        }
        done += chunk;
    }
    return true;
}

}  // namespace kivo::repository
