// Reading the directory through a bounded buffer.
#include "directory_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "kivo/filesystem/page_aligned_buffer.h"
#include "messages.h"

namespace kivo::repository {
namespace {

constexpr std::size_t kBufferBytes = 65536;
constexpr std::uint64_t kReservedEntriesAtMost = 65536;

// Sequential reads from a file, through a buffer, never past `end`.
class BoundedReader {
public:
    BoundedReader(filesystem::File& file, std::uint64_t position, std::uint64_t end)
        : file_(file), position_(position), end_(end), buffer_(kBufferBytes) {}

    std::uint64_t position() const { return position_; }
    std::uint64_t remaining() const { return end_ - position_; }

    // Reads up to size bytes; fewer only at the end.
    filesystem::FsResult<std::size_t> Read(std::uint8_t* data, std::size_t size) {
        std::size_t done = 0;
        while (done < size) {
            if (buffered_ > 0) {
                std::size_t take = std::min(size - done, buffered_);
                std::memcpy(data + done, buffer_.data() + buffer_start_, take);
                buffer_start_ += take;
                buffered_ -= take;
                position_ += take;
                done += take;
                continue;
            }
            std::uint64_t left = end_ - position_;
            if (left == 0) {
                break;
            }
            if (size - done >= kBufferBytes) {
                // Large names go straight to their place.
                std::size_t want =
                    static_cast<std::size_t>(std::min<std::uint64_t>(left, size - done));
                filesystem::FsResult<std::size_t> got = file_.ReadAt(position_, data + done, want);
                if (!got.ok()) {
                    return got;
                }
                if (got.value == 0) {
                    break;
                }
                position_ += got.value;
                done += got.value;
                continue;
            }
            std::size_t want =
                static_cast<std::size_t>(std::min<std::uint64_t>(left, kBufferBytes));
            filesystem::FsResult<std::size_t> got = file_.ReadAt(position_, buffer_.data(), want);
            if (!got.ok()) {
                return got;
            }
            if (got.value == 0) {
                break;
            }
            buffer_start_ = 0;
            buffered_ = got.value;
        }
        return {filesystem::FsStatus::Ok(), done};
    }

private:
    filesystem::File& file_;
    std::uint64_t position_;
    std::uint64_t end_;
    filesystem::PageAlignedBuffer buffer_;
    std::size_t buffer_start_ = 0;
    std::size_t buffered_ = 0;
};

void AddIoError(StatusRecord& status, int step, const std::string& text) {
    status.Add(MakeMessage(MessageCode::kRepositoryIoError, {step, text}));
}

}  // namespace

bool ReadDirectory(filesystem::File& file, const DirectoryLocation& where,
                   RepositoryDirectory& directory, StatusRecord& status,
                   std::uint64_t& end_offset) {
    const bool xr01 = where.version == FormatVersion::kXr01;
    const std::size_t fixed_bytes = xr01 ? format::kEntryBytes : format::kRecordBytes;
    const int fixed_error_step = xr01 ? 13 : 11;
    const int fixed_short_step = xr01 ? 14 : 12;
    BoundedReader reader(file, where.offset, where.extent_end);
    std::vector<DirectoryEntry> entries;
    // The directory runs to the end of the repository at most, which bounds
    // its entries; the reservation is capped, so a damaged offset asks for
    // little memory.
    entries.reserve(static_cast<std::size_t>(
        std::min<std::uint64_t>(reader.remaining() / fixed_bytes, kReservedEntriesAtMost)));
    std::uint8_t fixed[format::kEntryBytes];
    for (;;) {
        filesystem::FsResult<std::size_t> got = reader.Read(fixed, fixed_bytes);
        if (!got.ok()) {
            AddIoError(status, fixed_error_step, got.status.Describe());
            return false;
        }
        if (got.value != fixed_bytes) {
            AddIoError(status, fixed_short_step, kShortReadText);
            return false;
        }
        DecodedEntry decoded = xr01 ? DecodeEntry(fixed, where.repository_start)
                                    : DecodeRecord(fixed, where.repository_start);
        if (!decoded.has_magic || decoded.offset_overflow ||
            decoded.name_length > reader.remaining()) {
            status.Add(MakeMessage(MessageCode::kInvalidDirectoryEntry, {}));
            return false;
        }
        try {
            decoded.entry.name.resize(decoded.name_length);
        } catch (const std::bad_alloc&) {
            status.Add(MakeMessage(MessageCode::kMemoryAllocationError, {2}));
            return false;
        }
        got = reader.Read(reinterpret_cast<std::uint8_t*>(decoded.entry.name.data()),
                          decoded.name_length);
        if (!got.ok()) {
            AddIoError(status, 15, got.status.Describe());
            return false;
        }
        if (got.value != decoded.name_length) {
            AddIoError(status, 16, kShortReadText);
            return false;
        }
        try {
            entries.push_back(std::move(decoded.entry));
        } catch (const std::bad_alloc&) {
            status.Add(MakeMessage(MessageCode::kMemoryAllocationError, {1}));
            return false;
        }
        if (!decoded.continuation) {
            break;
        }
    }
    end_offset = reader.position();
    directory.Replace(std::move(entries));
    if (!xr01) {
        directory.NumberVersions();
    }
    return true;
}

}  // namespace kivo::repository
