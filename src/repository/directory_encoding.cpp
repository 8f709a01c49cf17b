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

// Where each entry of the kept encoding begins (and, last, where it ends),
// from the name lengths it holds; none when the kept bytes do not walk out
// to their own size or an entry changed since has a name of another length.
std::optional<std::vector<std::size_t>> KeptOffsets(const RepositoryDirectory& directory) {
    const DirectoryEncoding& kept = directory.encoding();
    std::vector<std::size_t> offsets(kept.entries + 1);
    std::size_t position = 0;
    for (std::size_t i = 0; i < kept.entries; ++i) {
        offsets[i] = position;
        if (kept.size_bytes - position < format::kEntryBytes) {
            return std::nullopt;
        }
        const std::size_t name_bytes =
            GetU32(kept.bytes.data() + position + format::kEntryNameLengthOffset);
        position += format::kEntryBytes;
        if (kept.size_bytes - position < name_bytes) {
            return std::nullopt;
        }
        position += name_bytes;
    }
    offsets[kept.entries] = position;
    if (position != kept.size_bytes) {
        return std::nullopt;
    }
    for (std::size_t i : directory.changed_since_encoding()) {
        if (offsets[i + 1] - offsets[i] != format::kEntryBytes + directory.at(i).name.size()) {
            return std::nullopt;
        }
    }
    return offsets;
}

// How many leading entries the kept encoding can stand for.
std::size_t ReusableEntries(const RepositoryDirectory& directory, FormatVersion version,
                            std::uint64_t repository_start) {
    const DirectoryEncoding& kept = directory.encoding();
    if (version != FormatVersion::kXr01 || kept.entries == 0 ||
        kept.repository_start != repository_start || kept.entries > directory.size()) {
        return 0;
    }
    return kept.entries;
}

}  // namespace

DirectoryEncoding EncodeDirectory(const RepositoryDirectory& directory, FormatVersion version,
                                  std::uint64_t repository_start) {
    const std::size_t count = directory.size();
    std::size_t total_bytes = 0;
    for (const DirectoryEntry& entry : directory.entries()) {
        total_bytes += FixedBytes(version) + entry.name.size();
    }
    DirectoryEncoding encoded;
    encoded.bytes = filesystem::PageAlignedBuffer(total_bytes);
    encoded.size_bytes = total_bytes;
    encoded.entries = count;
    encoded.repository_start = repository_start;
    std::uint8_t* const out = encoded.bytes.data();

    std::size_t reused = ReusableEntries(directory, version, repository_start);
    std::optional<std::vector<std::size_t>> offsets;
    if (reused > 0) {
        offsets = KeptOffsets(directory);
        if (!offsets) {
            reused = 0;
        }
    }
    std::size_t position = 0;
    if (reused > 0) {
        const DirectoryEncoding& kept = directory.encoding();
        std::memcpy(out, kept.bytes.data(), kept.size_bytes);
        for (std::size_t i : directory.changed_since_encoding()) {
            EncodeOne(directory.at(i), version, repository_start, i + 1 < count,
                      out + (*offsets)[i]);
        }
        // The last kept entry ended the directory; it continues if more follow.
        PutU32(out + (*offsets)[reused - 1] + format::kEntryContinuationOffset,
               reused < count ? 1 : 0);
        position = kept.size_bytes;
    }
    for (std::size_t i = reused; i < count; ++i) {
        const DirectoryEntry& entry = directory.at(i);
        EncodeOne(entry, version, repository_start, i + 1 < count, out + position);
        position += FixedBytes(version) + entry.name.size();
    }
    return encoded;
}

void UpdateKeptEncoding(RepositoryDirectory& directory) {
    DirectoryEncoding& kept = directory.encoding();
    if (kept.entries == 0) {
        return;
    }
    std::optional<std::vector<std::size_t>> offsets;
    if (kept.entries == directory.size()) {
        offsets = KeptOffsets(directory);
    }
    if (!offsets) {
        directory.KeepEncoding(DirectoryEncoding{});
        return;
    }
    const std::size_t count = directory.size();
    const RepositoryDirectory& unchanged_view = directory;
    for (std::size_t i : directory.changed_since_encoding()) {
        EncodeOne(unchanged_view.at(i), FormatVersion::kXr01, kept.repository_start, i + 1 < count,
                  kept.bytes.data() + (*offsets)[i]);
    }
    directory.KeepEncoding(std::move(kept));
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
