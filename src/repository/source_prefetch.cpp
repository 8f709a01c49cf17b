// SourcePrefetch: the helper thread's part of a bulk store.
#include "source_prefetch.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "member_names.h"

namespace kivo::repository {
namespace {

// Files open ahead of the copy. A few are enough for the helper to stay
// ahead of a copy of small files; each holds a descriptor and its lock. They
// are asked for half a batch at a time, so the helper wakes once for several.
constexpr std::size_t kSourcesAhead = 64;

}  // namespace

SourcePrefetch::SourcePrefetch(filesystem::FileSystem& file_system, std::string directory,
                               const std::vector<std::string>& names,
                               filesystem::OpenOptions options, HelperThread* helper)
    : file_system_(file_system),
      directory_(std::move(directory)),
      names_(names),
      options_(options),
      helper_(helper) {}

SourcePrefetch::~SourcePrefetch() {
    if (helper_ != nullptr) {
        helper_->WaitUntilIdle();
    }
}

PrefetchedSource SourcePrefetch::Take(std::size_t index) {
    if (helper_ == nullptr || index >= names_.size()) {
        return {};
    }
    if (posted_ <= index + kSourcesAhead / 2) {
        PostUpTo(std::min(names_.size(), index + 1 + kSourcesAhead));
    }
    PrefetchedSource found = results_.Take(index);
    if (found.opened && found.opened->status.error_number() == EWOULDBLOCK) {
        helper_->WaitUntilIdle();  // the earlier files' closing included
        return {};
    }
    return found;
}

// One task for the batch: the helper takes the queue's lock once.
void SourcePrefetch::PostUpTo(std::size_t end) {
    const std::size_t first = posted_;
    results_.Reserve(end);
    posted_ = end;
    helper_->Post([this, first, end] {
        for (std::size_t i = first; i < end; ++i) {
            results_.Set(i, Prefetch(names_[i]));
        }
    });
}

PrefetchedSource SourcePrefetch::Prefetch(const std::string& name) {
    PrefetchedSource found;
    if (!UnsafeNameReason(name).empty()) {
        return found;
    }
    const std::string path = filesystem::JoinPath(directory_, name);
    found.opened = file_system_.Open(path, options_);
    if (!found.opened->ok()) {
        return found;
    }
    found.size = found.opened->value->Stat();
    if (found.size->ok() && found.size->value.type == filesystem::FileType::kRegular) {
        found.info = file_system_.Stat(path, true);
    }
    return found;
}

}  // namespace kivo::repository
