// The directory of an open repository: every entry, live and deleted, in the
// order the entries were added, with the look-ups the operations need. The
// first few look-ups walk the entries (a call that deletes or reads one
// member of thousands is done before an index would be built); after that an
// index by name is built, and a look-up costs the number of entries of its
// name, not of the directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "directory_entry.h"
#include "kivo/filesystem/page_aligned_buffer.h"
#include "repository_header.h"

namespace kivo::repository {

// The bytes of the first entries of an "XR01" directory exactly as the file
// holds them (what EncodeDirectory made of them), so that writing the
// directory again encodes only the entries changed or added since.
struct DirectoryEncoding {
    filesystem::PageAlignedBuffer bytes{0};  // with room to grow
    std::size_t size_bytes = 0;
    std::size_t entries = 0;
    std::uint64_t repository_start = 0;
    // Where each entry begins, and last where the directory ends.
    std::vector<std::size_t> entry_offsets;
};

class RepositoryDirectory {
public:
    const std::vector<DirectoryEntry>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    // Every change of an entry goes through here: it is noted as changed
    // since the kept encoding.
    DirectoryEntry& at(std::size_t index) {
        if (index < encoding_.entries) {
            changed_.push_back(index);
        }
        return entries_[index];
    }
    const DirectoryEntry& at(std::size_t index) const { return entries_[index]; }

    // The encoding of the entries as they are now, kept for the next write.
    void KeepEncoding(DirectoryEncoding encoding);
    // The kept encoding (entries 0 means none) and the entries changed since
    // (indices below encoding().entries, possibly repeated).
    const DirectoryEncoding& encoding() const { return encoding_; }
    DirectoryEncoding& encoding() { return encoding_; }
    const std::vector<std::size_t>& changed_since_encoding() const { return changed_; }

    // The last live entry of the name in directory order.
    std::optional<std::size_t> FindLive(const std::string& name) const;
    // The last entry of the name with this version, live or deleted.
    std::optional<std::size_t> FindVersion(const std::string& name, std::uint32_t version) const;
    // The version of the last entry of the name in directory order; 0 if none.
    std::uint32_t LastVersion(const std::string& name) const;

    void Append(DirectoryEntry entry);
    // Removes the last entry (a store that could not be finished).
    void RemoveLast();
    // Keeps only the live entries, in order (compaction).
    void RemoveDeleted();
    void Replace(std::vector<DirectoryEntry> entries);

    // Numbers the versions of entries read from "XR00": walking in order, each
    // entry gets one more than the highest version so far of its name.
    void NumberVersions();

    // Total size: header plus, for every entry, 2 x (99 + name) + data for
    // "XR01", or 48 + name + data for "XR00".
    std::uint64_t TotalBytes(FormatVersion version) const;
    // Bytes held by deleted entries: data, and for "XR01" 99 + name.
    std::uint64_t DeletedBytes(FormatVersion version) const;
    std::uint32_t LiveCount() const;

private:
    // The last entry of the name, in directory order, that `match` accepts.
    template <typename Match>
    std::optional<std::size_t> FindLast(const std::string& name, Match match) const;
    void BuildIndex() const;
    void DropIndex();
    void DropEncoding();

    std::vector<DirectoryEntry> entries_;
    DirectoryEncoding encoding_;
    std::vector<std::size_t> changed_;
    // Built on the look-up after the first few (mutable: a look-up is a
    // const operation that may build it).
    mutable bool indexed_ = false;
    mutable std::size_t unindexed_lookups_ = 0;
    mutable std::unordered_map<std::string, std::vector<std::size_t>> by_name_;
};

}  // namespace kivo::repository
