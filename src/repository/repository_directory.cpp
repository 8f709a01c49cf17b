// RepositoryDirectory: the entries of an open repository and their look-ups.
#include "repository_directory.h"

#include <algorithm>

namespace kivo::repository {

std::optional<std::size_t> RepositoryDirectory::FindLive(const std::string& name) const {
    auto found = by_name_.find(name);
    if (found == by_name_.end()) {
        return std::nullopt;
    }
    const std::vector<std::size_t>& indices = found->second;
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) {
        if (!entries_[*it].is_deleted()) {
            return *it;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> RepositoryDirectory::FindVersion(const std::string& name,
                                                            std::uint32_t version) const {
    auto found = by_name_.find(name);
    if (found == by_name_.end()) {
        return std::nullopt;
    }
    const std::vector<std::size_t>& indices = found->second;
    for (auto it = indices.rbegin(); it != indices.rend(); ++it) {
        if (entries_[*it].version == version) {
            return *it;
        }
    }
    return std::nullopt;
}

std::uint32_t RepositoryDirectory::LastVersion(const std::string& name) const {
    auto found = by_name_.find(name);
    if (found == by_name_.end() || found->second.empty()) {
        return 0;
    }
    return entries_[found->second.back()].version;
}

void RepositoryDirectory::Append(DirectoryEntry entry) {
    by_name_[entry.name].push_back(entries_.size());
    entries_.push_back(std::move(entry));
}

void RepositoryDirectory::RemoveLast() {
    if (entries_.empty()) {
        return;
    }
    std::vector<std::size_t>& indices = by_name_[entries_.back().name];
    indices.pop_back();
    if (indices.empty()) {
        by_name_.erase(entries_.back().name);
    }
    entries_.pop_back();
}

void RepositoryDirectory::RemoveDeleted() {
    std::erase_if(entries_, [](const DirectoryEntry& entry) { return entry.is_deleted(); });
    RebuildIndex();
}

void RepositoryDirectory::Replace(std::vector<DirectoryEntry> entries) {
    entries_ = std::move(entries);
    RebuildIndex();
}

void RepositoryDirectory::NumberVersions() {
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

void RepositoryDirectory::RebuildIndex() {
    by_name_.clear();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        by_name_[entries_[i].name].push_back(i);
    }
}

}  // namespace kivo::repository
