// RepositoryDirectory: the entries of an open repository and their look-ups.
#include "repository_directory.h"

#include <algorithm>

namespace kivo::repository {

namespace {

// Look-ups that walk the entries before an index is built: a walk compares
// the name with every entry, building the index costs about as much as a few
// dozen walks.
constexpr std::size_t kLookupsBeforeIndex = 16;

}  // namespace

template <typename Match>
std::optional<std::size_t> RepositoryDirectory::FindLast(const std::string& name,
                                                         Match match) const {
    if (!indexed_ && ++unindexed_lookups_ > kLookupsBeforeIndex) {
        BuildIndex();
    }
    if (!indexed_) {
        for (std::size_t i = entries_.size(); i-- > 0;) {
            if (entries_[i].name == name && match(entries_[i])) {
                return i;
            }
        }
        return std::nullopt;
    }
    auto found = by_name_.find(name);
    if (found == by_name_.end()) {
        return std::nullopt;
    }
    const std::vector<std::size_t>& indices = found->second;
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) {
        if (match(entries_[*it])) {
            return *it;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> RepositoryDirectory::FindLive(const std::string& name) const {
    return FindLast(name, [](const DirectoryEntry& entry) { return !entry.is_deleted(); });
}

std::optional<std::size_t> RepositoryDirectory::FindVersion(const std::string& name,
                                                            std::uint32_t version) const {
    return FindLast(name,
                    [version](const DirectoryEntry& entry) { return entry.version == version; });
}

std::uint32_t RepositoryDirectory::LastVersion(const std::string& name) const {
    std::optional<std::size_t> last = FindLast(name, [](const DirectoryEntry&) { return true; });
    return last ? entries_[*last].version : 0;
}

void RepositoryDirectory::Append(DirectoryEntry entry) {
    if (indexed_) {
        by_name_[entry.name].push_back(entries_.size());
    }
    entries_.push_back(std::move(entry));
}

void RepositoryDirectory::RemoveLast() {
    if (entries_.empty()) {
        return;
    }
    if (entries_.size() <= encoding_.entries) {
        DropEncoding();
    }
    if (indexed_) {
        std::vector<std::size_t>& indices = by_name_[entries_.back().name];
        indices.pop_back();
        if (indices.empty()) {
            by_name_.erase(entries_.back().name);
        }
    }
    entries_.pop_back();
}

void RepositoryDirectory::RemoveDeleted() {
    std::erase_if(entries_, [](const DirectoryEntry& entry) { return entry.is_deleted(); });
    DropIndex();
    DropEncoding();
}

void RepositoryDirectory::Replace(std::vector<DirectoryEntry> entries) {
    entries_ = std::move(entries);
    DropIndex();
    DropEncoding();
}

void RepositoryDirectory::KeepEncoding(DirectoryEncoding encoding) {
    encoding_ = std::move(encoding);
    changed_.clear();
}

void RepositoryDirectory::DropEncoding() {
    encoding_ = DirectoryEncoding{};
    changed_.clear();
}

void RepositoryDirectory::NumberVersions() {
    DropEncoding();
    std::unordered_map<std::string, std::uint32_t> highest;
    for (DirectoryEntry& entry : entries_) {
        std::uint32_t& version = highest[entry.name];
        entry.version = ++version;
    }
}

std::uint64_t RepositoryDirectory::TotalBytes(FormatVersion version) const {
    std::uint64_t total = HeaderBytes(version);
    for (const DirectoryEntry& entry : entries_) {
        total += entry.size_bytes;
        total += version == FormatVersion::kXr01 ? 2 * (format::kEntryBytes + entry.name.size())
                                                 : format::kRecordBytes + entry.name.size();
    }
    return total;
}

std::uint64_t RepositoryDirectory::DeletedBytes(FormatVersion version) const {
    std::uint64_t total = 0;
    for (const DirectoryEntry& entry : entries_) {
        if (entry.is_deleted()) {
            total += entry.size_bytes;
            if (version == FormatVersion::kXr01) {
                total += format::kEntryBytes + entry.name.size();
            }
        }
    }
    return total;
}

std::uint32_t RepositoryDirectory::LiveCount() const {
    return static_cast<std::uint32_t>(
        std::count_if(entries_.begin(), entries_.end(),
                      [](const DirectoryEntry& entry) { return !entry.is_deleted(); }));
}

void RepositoryDirectory::BuildIndex() const {
    by_name_.clear();
    by_name_.reserve(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        by_name_[entries_[i].name].push_back(i);
    }
    indexed_ = true;
}

void RepositoryDirectory::DropIndex() {
    by_name_.clear();
    indexed_ = false;
    unindexed_lookups_ = 0;
}

}  // namespace kivo::repository
