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
constexpr std::size_t kSourcesAhead = 16;

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
    if (results_.size() <= index + kSourcesAhead / 2) {
        PostUpTo(std::min(names_.size(), index + 1 + kSourcesAhead));
    }
    PrefetchedSource found = results_[index].get();
    if (found.opened && found.opened->status.error_number() == EWOULDBLOCK) {
        helper_->WaitUntilIdle();  // the earlier files' closing included
        return {};
    }
    return found;
}

void SourcePrefetch::PostUpTo(std::size_t end) {
    while (results_.size() < end) {
        auto task = std::make_shared<std::packaged_task<PrefetchedSource()>>(
            [this, index = results_.size()] { return Prefetch(names_[index]); });
        results_.push_back(task->get_future());
        helper_->Post([task] { (*task)(); });
    }
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
