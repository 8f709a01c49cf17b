// RecordIndex: the append-only record index file with in-place kills.
#include "kivo/recordstore/record_index.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

#include "kivo/filesystem/posix_file_system.h"
#include "line/file_access.h"

namespace kivo::recordstore {
namespace {

constexpr std::size_t kScanBlockBytes = std::size_t{1} << 20;
static_assert(kScanBlockBytes > kIndexLengthDigits + kIndexEntryMaxBytes + 1);
constexpr std::uint64_t kCompactMinDeadBytes = 64 * 1024;
constexpr std::string_view kDeadRecordNumber = "00000000";
constexpr std::int32_t kMaxRecordNumber = 99999999;

bool ParseDigits(std::string_view text, std::uint64_t* value) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    std::from_chars(text.data(), text.data() + text.size(), *value);
    return true;
}

enum class EntryKind {
    kRecord,   // this program's entry of a live record
    kDead,     // this program's entry, killed
    kForeign,  // framed like an entry but laid out otherwise: kept as it is
};

struct StoredEntry {
    std::uint64_t offset = 0;  // of the length prefix
    std::uint64_t size = 0;    // prefix, entry and its final byte
    std::string_view stored;   // all of it
    std::string_view entry;    // fields and final byte
    std::int32_t record_number = -1;
    EntryKind kind = EntryKind::kForeign;
};

// The eight-character length: leading spaces, then digits.
bool ParseLengthPrefix(std::string_view prefix, std::uint64_t* length) {
    std::size_t digits = 0;
    while (digits < prefix.size() && prefix[digits] == ' ') {
        ++digits;
    }
    return ParseDigits(prefix.substr(digits), length) && *length <= kIndexEntryMaxBytes;
}

// Checks the stored bytes of one entry (prefix, L bytes, one more byte) and
// fills *entry. With `ours_only`, only this program's layout is accepted:
// an eight-digit length, an eight-digit record number and a tab, and a
// final line feed.
bool ParseStoredEntry(std::string_view bytes, std::uint64_t offset, bool ours_only,
                      StoredEntry* entry) {
    std::uint64_t length = 0;
    if (bytes.size() <= kIndexLengthDigits ||
        !ParseLengthPrefix(bytes.substr(0, kIndexLengthDigits), &length) ||
        bytes.size() != kIndexLengthDigits + length + 1) {
        return false;
    }
    const std::string_view fields = bytes.substr(kIndexLengthDigits, length);
    std::uint64_t number = 0;
    std::uint64_t ignored = 0;
    const bool ours = bytes.back() == '\n' &&
                      ParseDigits(bytes.substr(0, kIndexLengthDigits), &ignored) &&
                      fields.size() > 8 && fields[8] == kIndexFieldSeparator &&
                      ParseDigits(fields.substr(0, 8), &number);
    if (!ours && ours_only) {
        return false;
    }
    entry->offset = offset;
    entry->size = bytes.size();
    entry->stored = bytes;
    entry->entry = bytes.substr(kIndexLengthDigits);
    entry->record_number = ours ? static_cast<std::int32_t>(number) : -1;
    entry->kind =
        !ours ? EntryKind::kForeign : (number == 0 ? EntryKind::kDead : EntryKind::kRecord);
    return true;
}

// Streams the stored entries of an open index file in file order, in a
// bounded buffer. Bytes that are not an entry (a torn append, damage) are
// passed over up to the next line feed that is followed by one of this
// program's entries; they are counted as unreadable.
template <typename Visit>
Status ScanStoredEntries(filesystem::File& file, const std::string& path, IndexScan* scan,
                         Visit visit) {
    *scan = IndexScan{};
    std::uint64_t file_size = 0;
    Status status = file_access::FileSize(file, path, &file_size);
    if (!status.ok()) {
        return status;
    }
    std::vector<char> buffer(kScanBlockBytes);
    std::uint64_t buffer_offset = 0;  // file offset of buffer[0]
    std::size_t filled = 0;
    std::size_t position = 0;
    bool at_end = file_size == 0;
    // Makes at least `needed` bytes available from `position`, when the file
    // has them.
    const auto fill = [&](std::size_t needed) -> Status {
        if (filled - position >= needed || at_end) {
            return Status::Ok();
        }
        std::memmove(buffer.data(), buffer.data() + position, filled - position);
        buffer_offset += position;
        filled -= position;
        position = 0;
        while (filled < needed && !at_end) {
            std::size_t got = 0;
            Status read = file_access::ReadAt(file, path, buffer_offset + filled,
                                              buffer.data() + filled, buffer.size() - filled, &got);
            if (!read.ok()) {
                return read;
            }
            filled += got;
            at_end = got == 0 || buffer_offset + filled >= file_size;
        }
        return Status::Ok();
    };
    std::uint64_t entry_bytes = 0;
    bool after_damage = false;
    while (true) {
        if (status = fill(kIndexLengthDigits + 1); !status.ok()) {
            return status;
        }
        if (filled - position <= kIndexLengthDigits) {
            break;
        }
        std::uint64_t length = 0;
        if (ParseLengthPrefix(std::string_view(buffer.data() + position, kIndexLengthDigits),
                              &length)) {
            const std::size_t stored_bytes =
                kIndexLengthDigits + static_cast<std::size_t>(length) + 1;
            if (status = fill(stored_bytes); !status.ok()) {
                return status;
            }
            if (filled - position < stored_bytes) {
                break;  // a torn last entry
            }
            StoredEntry entry;
            if (ParseStoredEntry(std::string_view(buffer.data() + position, stored_bytes),
                                 buffer_offset + position, after_damage, &entry)) {
                after_damage = false;
                position += stored_bytes;
                entry_bytes += stored_bytes;
                switch (entry.kind) {
                    case EntryKind::kRecord:
                        ++scan->live_entries;
                        scan->live_bytes += entry.size;
                        break;
                    case EntryKind::kDead:
                        ++scan->dead_entries;
                        scan->dead_bytes += entry.size;
                        break;
                    case EntryKind::kForeign:
                        ++scan->other_entries;
                        scan->live_bytes += entry.size;
                        break;
                }
                if (!visit(entry)) {
                    return Status::Ok();
                }
                continue;
            }
        }
        // Not an entry here: go on after the next line feed.
        after_damage = true;
        std::size_t from = position + 1;
        while (true) {
            const void* line_feed =
                from < filled ? std::memchr(buffer.data() + from, '\n', filled - from) : nullptr;
            if (line_feed != nullptr) {
                position =
                    static_cast<std::size_t>(static_cast<const char*>(line_feed) - buffer.data()) +
                    1;
                break;
            }
            position = filled;
            if (at_end) {
                break;
            }
            if (status = fill(1); !status.ok()) {
                return status;
            }
            from = position;
        }
    }
    scan->unreadable_bytes = file_size - std::min(file_size, entry_bytes);
    return Status::Ok();
}

Status FileIdentityOf(filesystem::File& file, const std::string& path, filesystem::FileInfo* info) {
    auto described = file.Stat();
    if (!described.ok()) {
        return Status::IoError("cannot inspect " + path + ": " + described.status.Describe());
    }
    *info = described.value;
    return Status::Ok();
}

}  // namespace

RecordIndex::RecordIndex(filesystem::FileSystem& file_system, std::string path)
    : file_system_(&file_system), path_(std::move(path)) {}

RecordIndex::RecordIndex(std::string path)
    : RecordIndex(filesystem::DefaultFileSystem(), std::move(path)) {}

Status RecordIndex::RememberIdentity(File& file) {
    filesystem::FileInfo info;
    Status status = FileIdentityOf(file, path_, &info);
    if (status.ok()) {
        identity_ = {info.device, info.inode, info.size_bytes,
                     info.change_time.seconds * 1000000000 + info.change_time.nanoseconds};
    }
    return status;
}

Status RecordIndex::Refresh(File& file) {
    const FileIdentity scanned = identity_;
    Status status = RememberIdentity(file);
    if (!status.ok()) {
        return status;
    }
    if (scanned_ && scanned == identity_) {
        return Status::Ok();
    }
    return Rescan(file);
}

Status RecordIndex::RefreshFor(File& file, std::int32_t record_number) {
    const bool scanned_before = scanned_;
    const FileIdentity before = identity_;
    Status status = Refresh(file);
    if (!status.ok() || !scanned_before || !(before == identity_)) {
        return status;  // scanned just now, or failed
    }
    // The scan is kept from an earlier call. Another writer's kill in place
    // leaves the size alone and may fall in the same tick of the change
    // time, so the entry about to be changed is read back first.
    const auto found = live_.find(record_number);
    std::string stored;
    if (found == live_.end() || ReadVerified(file, found->second, record_number, &stored).ok()) {
        return Status::Ok();
    }
    return Rescan(file);
}

Status RecordIndex::Rescan(File& file) {
    scanned_ = false;
    live_.clear();
    stale_.clear();
    IndexScan scan;
    Status status = ScanStoredEntries(file, path_, &scan, [&](const StoredEntry& entry) {
        if (entry.kind == EntryKind::kRecord) {
            const Location location{entry.offset, entry.size};
            auto [it, added] = live_.try_emplace(entry.record_number, location);
            if (!added) {
                stale_.emplace_back(entry.record_number, it->second);
                it->second = location;
            }
        }
        return true;
    });
    if (!status.ok()) {
        return status;
    }
    live_bytes_ = scan.live_bytes;
    dead_bytes_ = scan.dead_bytes;
    unreadable_bytes_ = scan.unreadable_bytes;
    status = RememberIdentity(file);
    scanned_ = status.ok();
    return status;
}

Status RecordIndex::ReadVerified(File& file, const Location& location, std::int32_t record_number,
                                 std::string* stored) const {
    if (location.size > kIndexLengthDigits + kIndexEntryMaxBytes + 1) {
        return Status::Corrupt(path_ + ": entry too long");
    }
    stored->assign(static_cast<std::size_t>(location.size), '\0');
    std::size_t got = 0;
    Status status =
        file_access::ReadAt(file, path_, location.offset, stored->data(), stored->size(), &got);
    if (!status.ok()) {
        return status;
    }
    StoredEntry entry;
    if (got != stored->size() || !ParseStoredEntry(*stored, location.offset, true, &entry) ||
        entry.kind != EntryKind::kRecord || entry.record_number != record_number) {
        return Status::Corrupt(path_ + ": the entry of record " + std::to_string(record_number) +
                               " is not where it was");
    }
    return Status::Ok();
}

Status RecordIndex::Kill(File& file, const Location& location, std::int32_t record_number) {
    std::string stored;
    Status status = ReadVerified(file, location, record_number, &stored);
    if (!status.ok()) {
        return status;
    }
    status =
        file_access::WriteAt(file, path_, location.offset + kIndexLengthDigits, kDeadRecordNumber);
    if (status.ok()) {
        live_bytes_ -= std::min(live_bytes_, location.size);
        dead_bytes_ += location.size;
    }
    return status;
}

Status RecordIndex::WriteLocked(std::int32_t record_number,
                                const std::function<Status(File& file)>& change) {
    // The file may be replaced (compacted, or a data store opened again)
    // while this process waits for the lock: then the lock is on a file no
    // longer at path_, and the work starts again on the new one.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::unique_ptr<File> file;
        Status status =
            file_access::Open(*file_system_, path_,
                              file_access::ForUpdating(filesystem::Creation::kOpenOrCreate), &file);
        if (!status.ok()) {
            return status;
        }
        file_access::RangeLock lock(*file, /*exclusive=*/true);
        if (!lock.locked()) {
            return Status::IoError(path_ + ": cannot lock the index");
        }
        const auto at_path = file_system_->Stat(path_, /*follow_symbolic_links=*/true);
        filesystem::FileInfo opened;
        if (!at_path.ok() || !FileIdentityOf(*file, path_, &opened).ok() ||
            at_path.value.inode != opened.inode || at_path.value.device != opened.device) {
            continue;
        }
        if (status = RefreshFor(*file, record_number); !status.ok()) {
            return status;
        }
        if (unreadable_bytes_ > 0) {
            // Entries appended after damage could never be read back.
            if (status = CompactLocked(*file); !status.ok()) {
                return status;
            }
            continue;
        }
        status = change(*file);
        const Status remembered = RememberIdentity(*file);
        return status.ok() ? remembered : status;
    }
    return Status::IoError(path_ + ": the index kept being replaced");
}

Status RecordIndex::Put(const IndexRecord& record) {
    if (record.record_number < 1 || record.record_number > kMaxRecordNumber) {
        return Status::InvalidArgument("record number outside 1..99999999");
    }
    const std::string stored = EncodeIndexEntry(record);
    Status status = WriteLocked(record.record_number, [&](File& file) {
        std::uint64_t end = 0;
        Status step = file_access::FileSize(file, path_, &end);
        if (!step.ok()) {
            return step;
        }
        // The new entry first: a crash before the kill below leaves two live
        // entries, of which readers take the later.
        if (step = file_access::WriteAt(file, path_, end, stored); !step.ok()) {
            return step;
        }
        live_bytes_ += stored.size();
        const Location added{end, stored.size()};
        const auto old = live_.find(record.record_number);
        if (old != live_.end()) {
            if (step = Kill(file, old->second, record.record_number); !step.ok()) {
                scanned_ = false;
                return step;
            }
        }
        live_[record.record_number] = added;
        for (const auto& [number, location] : stale_) {
            if (!Kill(file, location, number).ok()) {
                scanned_ = false;
            }
        }
        stale_.clear();
        return Status::Ok();
    });
    return status.ok() ? CompactIfWorthIt() : status;
}

Status RecordIndex::Remove(std::int32_t record_number) {
    bool found = false;
    Status status = WriteLocked(record_number, [&](File& file) {
        const auto old = live_.find(record_number);
        if (old == live_.end()) {
            return Status::Ok();
        }
        found = true;
        Status step = Kill(file, old->second, record_number);
        if (!step.ok()) {
            scanned_ = false;
            return step;
        }
        live_.erase(old);
        return Status::Ok();
    });
    if (!status.ok()) {
        return status;
    }
    if (!found) {
        return Status::NotFound(path_ + ": no entry for record " + std::to_string(record_number));
    }
    return CompactIfWorthIt();
}

Status RecordIndex::Get(std::int32_t record_number, IndexRecord* record) {
    std::unique_ptr<File> file;
    Status status = file_access::Open(*file_system_, path_, file_access::ForReading(), &file);
    if (!status.ok()) {
        return status;
    }
    file_access::RangeLock lock(*file, /*exclusive=*/false);
    for (int attempt = 0; attempt < 2; ++attempt) {
        status = attempt == 0 ? Refresh(*file) : Rescan(*file);
        if (!status.ok()) {
            return status;
        }
        const auto found = live_.find(record_number);
        if (found == live_.end()) {
            return Status::NotFound(path_ + ": no entry for record " +
                                    std::to_string(record_number));
        }
        std::string stored;
        if (ReadVerified(*file, found->second, record_number, &stored).ok()) {
            auto decoded = DecodeIndexEntry(std::string_view(stored).substr(kIndexLengthDigits));
            if (!decoded) {
                return Status::Corrupt(path_ + ": damaged entry");
            }
            *record = std::move(*decoded);
            return Status::Ok();
        }
    }
    return Status::Corrupt(path_ + ": the entry of record " + std::to_string(record_number) +
                           " cannot be read");
}

Status RecordIndex::SetMarkComments(std::int32_t record_number, std::string_view mark_comments) {
    IndexRecord record;
    Status status = Get(record_number, &record);
    if (!status.ok()) {
        return status;
    }
    record.mark_comments = std::string(mark_comments);
    return Put(record);
}

Status RecordIndex::ForEachEntry(const std::function<bool(std::string_view entry)>& visit,
                                 IndexScan* scan) const {
    IndexScan local_scan;
    std::unique_ptr<File> file;
    Status status = file_access::Open(*file_system_, path_, file_access::ForReading(), &file);
    if (!status.ok()) {
        return status;
    }
    file_access::RangeLock lock(*file, /*exclusive=*/false);
    return ScanStoredEntries(*file, path_, scan != nullptr ? scan : &local_scan,
                             [&](const StoredEntry& entry) {
                                 return entry.kind != EntryKind::kRecord || visit(entry.entry);
                             });
}

Status RecordIndex::CompactLocked(File& file) {
    std::string live;
    const std::string temporary_path = path_ + ".compact";
    std::unique_ptr<File> temporary;
    Status status = file_access::Open(
        *file_system_, temporary_path,
        file_access::ForUpdating(filesystem::Creation::kCreateOrTruncate), &temporary);
    if (!status.ok()) {
        return status;
    }
    std::uint64_t written = 0;
    Status write_status;
    IndexScan scan;
    status = ScanStoredEntries(file, path_, &scan, [&](const StoredEntry& entry) {
        if (entry.kind == EntryKind::kDead) {
            return true;
        }
        live.append(entry.stored);  // entries of another layout are kept as they are
        if (live.size() >= kScanBlockBytes) {
            write_status = file_access::WriteAt(*temporary, temporary_path, written, live);
            written += live.size();
            live.clear();
        }
        return write_status.ok();
    });
    if (status.ok()) {
        status = write_status;
    }
    if (status.ok()) {
        status = file_access::WriteAt(*temporary, temporary_path, written, live);
    }
    if (status.ok() && !temporary->Sync().ok()) {
        status = Status::IoError("cannot flush " + temporary_path);
    }
    temporary.reset();
    if (status.ok()) {
        if (const auto renamed = file_system_->Rename(temporary_path, path_); !renamed.ok()) {
            status = Status::IoError("cannot replace " + path_ + ": " + renamed.Describe());
        }
    }
    if (!status.ok()) {
        file_system_->Unlink(temporary_path);
    }
    scanned_ = false;
    return status;
}

Status RecordIndex::CompactIfWorthIt() {
    if (dead_bytes_ < kCompactMinDeadBytes || dead_bytes_ <= live_bytes_) {
        return Status::Ok();
    }
    // A failed compaction loses nothing (the file stays as it was), so the
    // change that led to it still succeeded.
    Compact();
    return Status::Ok();
}

Status RecordIndex::Compact() {
    std::unique_ptr<File> file;
    Status status = file_access::Open(
        *file_system_, path_, file_access::ForUpdating(filesystem::Creation::kOpenExisting), &file);
    if (!status.ok()) {
        return status;
    }
    file_access::RangeLock lock(*file, /*exclusive=*/true);
    if (!lock.locked()) {
        return Status::IoError(path_ + ": cannot lock the index");
    }
    return CompactLocked(*file);
}

}  // namespace kivo::recordstore
