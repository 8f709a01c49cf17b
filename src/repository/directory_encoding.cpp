// Encoding the directory, reusing the kept bytes of unchanged entries.
#include "directory_encoding.h"

#include <cstring>
#include <optional>
#include <vector>

#include "byte_fields.h"

namespace kivo::repository {
namespace {

std::size_t FixedBytes(FormatVersion version) {
    return version == FormatVersion::kXr01 ? format::kEntryBytes : format::kRecordBytes;
}

void EncodeOne(const DirectoryEntry& entry, FormatVersion version, std::uint64_t repository_start,
               bool continuation, std::uint8_t* out) {
    if (version == FormatVersion::kXr01) {
        const EntryBytes bytes = EncodeEntry(entry, repository_start, continuation);
        std::memcpy(out, bytes.data(), bytes.size());
    } else {
        const RecordBytes bytes = EncodeRecord(entry, repository_start, continuation);
        std::memcpy(out, bytes.data(), bytes.size());
    }
    if (!entry.name.empty()) {
        std::memcpy(out + FixedBytes(version), entry.name.data(), entry.name.size());
    }
}

// How many leading entries the kept encoding can stand for: all it holds,
// unless an entry changed since has a name of another length.
std::size_t ReusableEntries(const RepositoryDirectory& directory, FormatVersion version,
                            std::uint64_t repository_start) {
    const DirectoryEncoding& kept = directory.encoding();
    if (version != FormatVersion::kXr01 || kept.entries == 0 ||
        kept.repository_start != repository_start || kept.entries > directory.size() ||
        kept.entry_offsets.size() != kept.entries + 1) {
        return 0;
    }
    for (std::size_t i : directory.changed_since_encoding()) {
        const std::vector<std::size_t>& at = kept.entry_offsets;
        if (at[i + 1] - at[i] != format::kEntryBytes + directory.at(i).name.size()) {
            return 0;
        }
    }
    return kept.entries;
}

}  // namespace

const DirectoryEncoding& EncodeDirectory(RepositoryDirectory& directory, FormatVersion version,
                                         std::uint64_t repository_start) {
    const RepositoryDirectory& entries = directory;  // read without noting changes
    const std::size_t count = entries.size();
    const std::size_t reused = ReusableEntries(directory, version, repository_start);
    DirectoryEncoding& kept = directory.encoding();
    std::size_t total_bytes = reused > 0 ? kept.size_bytes : 0;
    for (std::size_t i = reused; i < count; ++i) {
        total_bytes += FixedBytes(version) + entries.at(i).name.size();
    }
    DirectoryEncoding grown;
    const bool in_place = reused > 0 && total_bytes <= kept.bytes.size();
    if (!in_place) {
        // Room for some more entries, so that the next stores write in place.
        grown.bytes = filesystem::PageAlignedBuffer(total_bytes + total_bytes / 16);
        if (reused > 0) {
            std::memcpy(grown.bytes.data(), kept.bytes.data(), kept.size_bytes);
            grown.entry_offsets = std::move(kept.entry_offsets);
        }
    }
    DirectoryEncoding& out = in_place ? kept : grown;
    out.entry_offsets.resize(reused);
    std::uint8_t* const bytes = out.bytes.data();
    if (reused > 0) {
        for (std::size_t i : directory.changed_since_encoding()) {
            EncodeOne(entries.at(i), version, repository_start, i + 1 < count,
                      bytes + out.entry_offsets[i]);
        }
        // The last kept entry ended the directory; it continues if more follow.
        PutU32(bytes + out.entry_offsets[reused - 1] + format::kEntryContinuationOffset,
               reused < count ? 1 : 0);
    }
    std::size_t position = reused > 0 ? kept.size_bytes : 0;
    for (std::size_t i = reused; i < count; ++i) {
        const DirectoryEntry& entry = entries.at(i);
        out.entry_offsets.push_back(position);
        EncodeOne(entry, version, repository_start, i + 1 < count, bytes + position);
        position += FixedBytes(version) + entry.name.size();
    }
    out.entry_offsets.push_back(position);
    out.size_bytes = total_bytes;
    out.entries = count;
    out.repository_start = repository_start;
    directory.KeepEncoding(std::move(out));
    return directory.encoding();
}

bool StoppedInName(const RepositoryDirectory& directory, FormatVersion version,
                   std::size_t written) {
    std::size_t position = 0;
    for (const DirectoryEntry& entry : directory.entries()) {
        position += FixedBytes(version);
        if (written < position) {
            return false;
        }
        position += entry.name.size();
        if (written < position) {
            return true;
        }
    }
    return true;
}

}  // namespace kivo::repository
