// The repository journal: writing it, verifying it, and reading it back.
#include "journal_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "byte_fields.h"
#include "journal_checksum.h"
#include "kivo/filesystem/page_aligned_buffer.h"
#include "kivo/repository/repository_format.h"
#include "messages.h"

namespace kivo::repository {
namespace {

using filesystem::File;
using filesystem::FsStatus;

// Journals are written in the second layout; the first (its body under
// FNV-1a) is still read, as left by an earlier version of the engine.
constexpr char kBodyMagic[] = "XRJOURN2";
constexpr char kFirstBodyMagic[] = "XRJOURN1";
constexpr char kSlotMagic[] = "XRCHKPT1";
constexpr std::uint64_t kBodyHeaderBytes = 40;
constexpr std::uint64_t kRangeHeaderBytes = 16;
constexpr std::uint64_t kChecksumBytes = 8;
constexpr std::uint64_t kSlotHeaderBytes = 64;
constexpr std::uint64_t kSlotAlignment = 4096;
constexpr std::size_t kStreamBytes = 65536;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

std::uint64_t SlotStride(std::uint64_t window_capacity) {
    return RoundUp(kSlotHeaderBytes + window_capacity, kSlotAlignment);
}

JournalError Failure(int step, const FsStatus& status) {
    return JournalError{step, status};
}

JournalError ShortFailure(int step) {
    return JournalError{step, FsStatus::Error(EIO)};
}

std::vector<std::uint8_t> SlotHeader(const Checkpoint& checkpoint) {
    std::vector<std::uint8_t> header(kSlotHeaderBytes, 0);
    std::memcpy(header.data(), kSlotMagic, 8);
    PutU64(&header[8], checkpoint.sequence);
    PutU64(&header[16], checkpoint.move_index);
    PutU64(&header[24], checkpoint.bytes_done);
    PutU64(&header[32], checkpoint.window_offset);
    PutU64(&header[40], checkpoint.window_length);
    return header;
}

std::uint64_t SlotChecksum(std::span<const std::uint8_t> header,
                           std::span<const std::uint8_t> window) {
    JournalChecksum checksum(ChecksumKind::kFnv1a);
    checksum.Add(header.data(), 48);
    checksum.Add(window.data(), window.size());
    return checksum.value();
}

// Reads exactly `size` bytes at `offset`; false on any failure or short read.
bool ReadExactly(File& file, std::uint64_t offset, void* data, std::size_t size, FsStatus& status) {
    filesystem::FsResult<std::size_t> got = file.ReadAt(offset, data, size);
    if (!got.ok()) {
        status = got.status;
        return false;
    }
    return got.value == size;
}

// An idle journal: a whole journal once, its magic zeroed when its call
// committed.
bool IsIdle(File& journal, std::uint64_t file_size) {
    std::uint8_t magic[8];
    FsStatus status;
    return file_size >= kBodyHeaderBytes + kChecksumBytes &&
           ReadExactly(journal, 0, magic, sizeof magic, status) &&
           std::all_of(std::begin(magic), std::end(magic), [](std::uint8_t b) { return b == 0; });
}

// Reads the latest valid checkpoint slot.
void InspectSlots(File& journal, std::uint64_t file_size, std::uint64_t body_bytes,
                  JournalInspection& inspection) {
    std::uint64_t stride = SlotStride(inspection.window_capacity);
    std::uint64_t first_slot = RoundUp(body_bytes, kSlotAlignment);
    for (int slot = 0; slot < 2; ++slot) {
        std::uint64_t slot_offset = first_slot + static_cast<std::uint64_t>(slot) * stride;
        std::vector<std::uint8_t> header(kSlotHeaderBytes);
        // A slot that cannot be read may hold the latest checkpoint: going on
        // from an older one would be unsafe, so a read error fails it all.
        FsStatus& status = inspection.read_status;
        if (slot_offset + kSlotHeaderBytes > file_size ||
            !ReadExactly(journal, slot_offset, header.data(), header.size(), status) ||
            std::memcmp(header.data(), kSlotMagic, 8) != 0) {
            continue;
        }
        Checkpoint checkpoint{GetU64(&header[8]), GetU64(&header[16]), GetU64(&header[24]),
                              GetU64(&header[32]), GetU64(&header[40])};
        if (checkpoint.window_length > inspection.window_capacity ||
            slot_offset + kSlotHeaderBytes + checkpoint.window_length > file_size) {
            continue;
        }
        std::vector<std::uint8_t> window(checkpoint.window_length);
        if (!ReadExactly(journal, slot_offset + kSlotHeaderBytes, window.data(), window.size(),
                         status) ||
            SlotChecksum(header, window) != GetU64(&header[48])) {
            continue;
        }
        if (!inspection.checkpoint || checkpoint.sequence > inspection.checkpoint->sequence) {
            inspection.checkpoint = checkpoint;
            inspection.checkpoint_window_offset = slot_offset + kSlotHeaderBytes;
        }
    }
}

// The body of a journal as it lies in the file: header, the saved ranges of
// `repository` (each after its offset and length), then the checksum. The
// ranges are read in pieces through `stream`; the body begins at a page
// boundary, so its pages go to the journal from page-aligned memory.
struct JournalBody {
    filesystem::PageAlignedBuffer bytes{0};
    std::size_t size = 0;
    std::span<const std::uint8_t> view() const { return {bytes.data(), size}; }
};

JournalError BuildBody(File& repository, JournalKind kind, std::uint64_t original_size,
                       const std::vector<ByteRange>& ranges, std::uint64_t window_capacity,
                       const KnownBytes& known, JournalBody& body) {
    std::uint64_t body_length = kBodyHeaderBytes;
    for (const ByteRange& range : ranges) {
        body_length += kRangeHeaderBytes + range.length;
    }
    body.size = static_cast<std::size_t>(body_length + kChecksumBytes);
    body.bytes = filesystem::PageAlignedBuffer(body.size);
    std::uint8_t* const out = body.bytes.data();
    std::memcpy(out, kBodyMagic, 8);
    PutU32(out + 8, static_cast<std::uint32_t>(kind));
    PutU32(out + 12, static_cast<std::uint32_t>(ranges.size()));
    PutU64(out + 16, original_size);
    PutU64(out + 24, window_capacity);
    PutU64(out + 32, body_length);
    filesystem::PageAlignedBuffer stream(kStreamBytes);
    std::size_t position = kBodyHeaderBytes;
    for (const ByteRange& range : ranges) {
        PutU64(out + position, range.offset);
        PutU64(out + position + 8, range.length);
        position += kRangeHeaderBytes;
        if (range.offset >= known.offset && range.offset - known.offset <= known.bytes.size() &&
            range.length <= known.bytes.size() - (range.offset - known.offset)) {
            std::memcpy(out + position, known.bytes.data() + (range.offset - known.offset),
                        static_cast<std::size_t>(range.length));
            position += static_cast<std::size_t>(range.length);
            continue;
        }
        for (std::uint64_t done = 0; done < range.length;) {
            const auto chunk = static_cast<std::size_t>(
                std::min<std::uint64_t>(kStreamBytes, range.length - done));
            FsStatus status;
            if (!ReadExactly(repository, range.offset + done, stream.data(), chunk, status)) {
                // Ranges lie inside the repository: fewer bytes means it changed.
                return status.ok() ? ShortFailure(step::kJournalWrite)
                                   : Failure(step::kJournalWrite, status);
            }
            std::memcpy(out + position, stream.data(), chunk);
            position += chunk;
            done += chunk;
        }
    }
    JournalChecksum checksum(ChecksumKind::kWordLanes);
    checksum.Add(out, static_cast<std::size_t>(body_length));
    PutU64(out + position, checksum.value());
    return {};
}

JournalError WriteAllAt(File& journal, std::uint64_t offset, const std::uint8_t* data,
                        std::size_t size) {
    filesystem::FsResult<std::size_t> written = journal.WriteAt(offset, data, size);
    if (!written.ok()) {
        return Failure(step::kJournalWrite, written.status);
    }
    if (written.value != size) {
        return Failure(step::kJournalWrite, FsStatus::Error(ENOSPC));
    }
    return {};
}

// Into an emptied file: the header, the rest of its page, the other pages.
JournalError WriteWhole(File& journal, std::span<const std::uint8_t> body) {
    const std::size_t page_bytes = filesystem::PageAlignedBuffer::PageBytes();
    const std::size_t pieces[] = {0, kBodyHeaderBytes, std::min(page_bytes, body.size()),
                                  body.size()};
    for (std::size_t i = 0; i + 1 < std::size(pieces); ++i) {
        if (pieces[i + 1] <= pieces[i]) {
            continue;
        }
        if (JournalError error =
                WriteAllAt(journal, pieces[i], body.data() + pieces[i], pieces[i + 1] - pieces[i]);
            !error.ok()) {
            return error;
        }
    }
    return {};
}

// Over an idle journal of `idle_bytes`: only the pages whose bytes differ
// are written, and the file is cut to the body. The pages left alone hold
// bytes the call that left the journal idle wrote and synced, so after the
// sync that follows every page of the file on the disk holds the new body;
// before it, a crash leaves the zeroed magic, or a body whose checksum
// fails, and neither is played back. A journal written after a call much
// like the last (a small store into a large repository) thus sends a few
// pages to the disk instead of the whole directory.
JournalError WriteChangedPages(File& journal, std::span<const std::uint8_t> body,
                               std::uint64_t idle_bytes) {
    const std::size_t page_bytes = filesystem::PageAlignedBuffer::PageBytes();
    filesystem::PageAlignedBuffer old_bytes(kStreamBytes);
    std::size_t run_begin = 0;
    std::size_t run_end = 0;  // a run of changed pages not yet written
    auto flush = [&]() -> JournalError {
        JournalError error;
        if (run_end > run_begin) {
            error = WriteAllAt(journal, run_begin, body.data() + run_begin, run_end - run_begin);
        }
        run_begin = run_end = 0;
        return error;
    };
    for (std::size_t chunk = 0; chunk < body.size(); chunk += kStreamBytes) {
        const std::size_t chunk_bytes = std::min(kStreamBytes, body.size() - chunk);
        std::size_t old_valid = 0;
        if (chunk < idle_bytes) {
            filesystem::FsResult<std::size_t> got =
                journal.ReadAt(chunk, old_bytes.data(), chunk_bytes);
            // What cannot be read is written.
            old_valid = got.ok() ? got.value : 0;
        }
        for (std::size_t page = 0; page < chunk_bytes; page += page_bytes) {
            const std::size_t compared = std::min(page_bytes, chunk_bytes - page);
            const bool same =
                page + compared <= old_valid &&
                std::memcmp(old_bytes.data() + page, body.data() + chunk + page, compared) == 0;
            if (same) {
                if (JournalError error = flush(); !error.ok()) {
                    return error;
                }
                continue;
            }
            if (run_end == run_begin) {
                run_begin = chunk + page;
            }
            run_end = chunk + page + compared;
        }
    }
    if (JournalError error = flush(); !error.ok()) {
        return error;
    }
    if (idle_bytes > body.size()) {
        if (FsStatus cut = journal.Truncate(body.size()); !cut.ok()) {
            return Failure(step::kJournalWrite, cut);
        }
    }
    return {};
}

}  // namespace

std::vector<ByteRange> MergeRanges(std::vector<ByteRange> ranges) {
    std::erase_if(ranges, [](const ByteRange& range) { return range.length == 0; });
    std::sort(ranges.begin(), ranges.end(),
              [](const ByteRange& a, const ByteRange& b) { return a.offset < b.offset; });
    std::vector<ByteRange> merged;
    for (const ByteRange& range : ranges) {
        if (!merged.empty() && range.offset <= merged.back().offset + merged.back().length) {
            ByteRange& last = merged.back();
            last.length =
                std::max(last.offset + last.length, range.offset + range.length) - last.offset;
        } else {
            merged.push_back(range);
        }
    }
    return merged;
}

std::string JournalPath(const std::string& repository_path) {
    return repository_path + format::kJournalSuffix;
}

Journal::Journal(filesystem::FileSystem& file_system, std::string repository_path, bool keep_idle)
    : file_system_(file_system), path_(JournalPath(repository_path)), keep_idle_(keep_idle) {}

JournalError Journal::OpenEmptied(JournalKind kind, bool& was_idle, std::uint64_t& idle_bytes) {
    was_idle = false;
    idle_bytes = 0;
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.follow_symbolic_links = false;
    options.permissions = 0600;
    const bool reuse = keep_idle_ && kind == JournalKind::kRollback;
    if (!reuse) {
        // A compaction's slots are found by their place in the file: never
        // written into a file whose old bytes an unsynced cut could bring
        // back, so an idle file is removed first.
        if (keep_idle_) {
            if (FsStatus removed = file_system_.Unlink(path_);
                !removed.ok() && removed.error_number() != ENOENT) {
                return Failure(step::kJournalCreate, removed);
            }
        }
        options.creation = filesystem::Creation::kCreateOrTruncate;
    } else {
        options.creation = filesystem::Creation::kOpenOrCreate;
    }
    filesystem::FsResult<std::unique_ptr<File>> opened = file_system_.Open(path_, options);
    if (!opened.ok()) {
        return Failure(step::kJournalCreate, opened.status);
    }
    file_ = std::move(opened.value);
    if (!reuse) {
        return {};
    }
    filesystem::FsResult<filesystem::FileInfo> info = file_->Stat();
    if (!info.ok()) {
        return Failure(step::kJournalCreate, info.status);
    }
    was_idle =
        info.value.type == filesystem::FileType::kRegular && IsIdle(*file_, info.value.size_bytes);
    if (was_idle) {
        // Its bytes were synced by the call that left it idle, and are
        // written over where they differ (WriteChangedPages).
        idle_bytes = info.value.size_bytes;
        return {};
    }
    if (FsStatus emptied = file_->Truncate(0); !emptied.ok()) {
        return Failure(step::kJournalCreate, emptied);
    }
    return {};
}

std::uint64_t Journal::SlotOffset(int slot) const {
    return RoundUp(body_bytes_, kSlotAlignment) +
           static_cast<std::uint64_t>(slot) * SlotStride(window_capacity_);
}

JournalError Journal::Create(File& repository, JournalKind kind, std::uint64_t original_size,
                             const std::vector<ByteRange>& ranges, std::uint64_t window_capacity,
                             const Checkpoint& first, std::span<const std::uint8_t> first_window,
                             const KnownBytes& known) {
    bool was_idle = false;
    std::uint64_t idle_bytes = 0;
    if (JournalError opened = OpenEmptied(kind, was_idle, idle_bytes); !opened.ok()) {
        return opened;
    }
    kind_ = kind;
    window_capacity_ = window_capacity;

    JournalBody body;
    if (JournalError built =
            BuildBody(repository, kind, original_size, ranges, window_capacity, known, body);
        !built.ok()) {
        return built;
    }
    if (JournalError written = was_idle ? WriteChangedPages(*file_, body.view(), idle_bytes)
                                        : WriteWhole(*file_, body.view());
        !written.ok()) {
        return written;
    }
    body_bytes_ = body.size;
    if (kind == JournalKind::kCompaction) {
        last_slot_ = 1;
        return WriteCheckpoint(first, first_window);
    }
    if (FsStatus synced = file_->Sync(); !synced.ok()) {
        return Failure(step::kJournalSync, synced);
    }
    if (was_idle) {
        return {};
    }
    if (FsStatus synced = file_system_.SyncDirectory(filesystem::ParentDirectory(path_));
        !synced.ok()) {
        return Failure(step::kJournalSync, synced);
    }
    return {};
}

JournalError Journal::WriteCheckpoint(const Checkpoint& checkpoint,
                                      std::span<const std::uint8_t> window) {
    if (!file_) {
        return Failure(step::kJournalWrite, FsStatus::Error(EBADF));
    }
    int slot = 1 - last_slot_;
    std::vector<std::uint8_t> header = SlotHeader(checkpoint);
    PutU64(&header[48], SlotChecksum(header, window));
    // The slot lies at a page boundary of the journal, and so does its buffer.
    const std::size_t slot_bytes = header.size() + window.size();
    filesystem::PageAlignedBuffer slot_buffer(slot_bytes);
    std::memcpy(slot_buffer.data(), header.data(), header.size());
    if (!window.empty()) {
        std::memcpy(slot_buffer.data() + header.size(), window.data(), window.size());
    }
    filesystem::FsResult<std::size_t> written =
        file_->WriteAt(SlotOffset(slot), slot_buffer.data(), slot_bytes);
    if (!written.ok()) {
        return Failure(step::kJournalWrite, written.status);
    }
    if (written.value != slot_bytes) {
        return ShortFailure(step::kJournalWrite);
    }
    if (FsStatus synced = file_->Sync(); !synced.ok()) {
        return Failure(step::kJournalSync, synced);
    }
    // The first checkpoint is written by Create: the journal's name must be
    // durable before the repository changes.
    if (checkpoint.sequence == 1) {
        if (FsStatus synced = file_system_.SyncDirectory(filesystem::ParentDirectory(path_));
            !synced.ok()) {
            return Failure(step::kJournalSync, synced);
        }
    }
    last_slot_ = slot;
    return {};
}

JournalError Journal::KeepInMemory(File& repository, std::uint64_t original_size,
                                   const std::vector<ByteRange>& ranges) {
    in_memory_ = true;
    original_size_ = original_size;
    kept_ranges_.clear();
    for (const ByteRange& range : ranges) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(range.length));
        FsStatus status;
        if (!ReadExactly(repository, range.offset, bytes.data(), bytes.size(), status)) {
            // Ranges lie inside the repository: fewer bytes means it changed.
            return status.ok() ? ShortFailure(step::kJournalWrite)
                               : Failure(step::kJournalWrite, status);
        }
        kept_ranges_.emplace_back(range, std::move(bytes));
    }
    return {};
}

JournalError Journal::RestoreFromMemory(File& repository) const {
    for (const auto& [range, bytes] : kept_ranges_) {
        filesystem::FsResult<std::size_t> written =
            repository.WriteAt(range.offset, bytes.data(), bytes.size());
        if (!written.ok()) {
            return Failure(step::kJournalRestore, written.status);
        }
        if (written.value != bytes.size()) {
            return ShortFailure(step::kJournalRestore);
        }
    }
    if (FsStatus truncated = repository.Truncate(original_size_); !truncated.ok()) {
        return Failure(step::kJournalRestore, truncated);
    }
    return {};
}

JournalError Journal::MakeIdle() {
    static constexpr std::uint8_t kZeros[8] = {};
    filesystem::FsResult<std::size_t> written = file_->WriteAt(0, kZeros, sizeof kZeros);
    if (!written.ok() || written.value != sizeof kZeros) {
        // The journal must stay whole for the undo that follows.
        file_->WriteAt(0, kBodyMagic, 8);
        return written.ok() ? ShortFailure(step::kJournalRemove)
                            : Failure(step::kJournalRemove, written.status);
    }
    if (FsStatus synced = file_->Sync(); !synced.ok()) {
        return Failure(step::kJournalSync, synced);
    }
    file_.reset();
    return {};
}

JournalError Journal::Remove() {
    if (in_memory_) {
        kept_ranges_.clear();
        return {};
    }
    if (keep_idle_ && kind_ == JournalKind::kRollback && file_) {
        return MakeIdle();
    }
    file_.reset();
    if (FsStatus removed = file_system_.Unlink(path_); !removed.ok()) {
        return Failure(step::kJournalRemove, removed);
    }
    if (FsStatus synced = file_system_.SyncDirectory(filesystem::ParentDirectory(path_));
        !synced.ok()) {
        return Failure(step::kJournalSync, synced);
    }
    return {};
}

void Journal::Adopt(const JournalInspection& inspection) {
    kind_ = JournalKind::kCompaction;
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.follow_symbolic_links = false;
    filesystem::FsResult<std::unique_ptr<File>> opened = file_system_.Open(path_, options);
    if (opened.ok()) {
        file_ = std::move(opened.value);
    }
    window_capacity_ = inspection.window_capacity;
    std::uint64_t body_length = kBodyHeaderBytes;
    for (const JournalInspection::SavedRange& saved : inspection.ranges) {
        body_length += kRangeHeaderBytes + saved.range.length;
    }
    body_bytes_ = body_length + kChecksumBytes;
    // The checkpoint found lies in one of the slots; write the next into the other.
    last_slot_ = inspection.checkpoint &&
                         inspection.checkpoint_window_offset >= SlotOffset(1) + kSlotHeaderBytes
                     ? 1
                     : 0;
}

JournalInspection InspectJournal(filesystem::FileSystem& file_system,
                                 const std::string& repository_path) {
    JournalInspection inspection;
    std::string path = JournalPath(repository_path);
    filesystem::FsResult<filesystem::FileInfo> info = file_system.Stat(path, false);
    if (!info.ok()) {
        if (info.status.error_number() != ENOENT) {
            inspection.state = JournalInspection::State::kInvalid;
            inspection.read_status = info.status;
        }
        return inspection;
    }
    inspection.state = JournalInspection::State::kInvalid;
    if (info.value.type != filesystem::FileType::kRegular) {
        return inspection;
    }
    filesystem::OpenOptions options;
    options.follow_symbolic_links = false;
    filesystem::FsResult<std::unique_ptr<File>> opened = file_system.Open(path, options);
    if (!opened.ok()) {
        inspection.read_status = opened.status;
        return inspection;
    }
    File& journal = *opened.value;
    std::uint64_t file_size = info.value.size_bytes;
    if (IsIdle(journal, file_size)) {
        inspection.state = JournalInspection::State::kIdle;
        return inspection;
    }
    std::uint8_t header[kBodyHeaderBytes];
    if (file_size < kBodyHeaderBytes + kChecksumBytes ||
        !ReadExactly(journal, 0, header, sizeof header, inspection.read_status) ||
        (std::memcmp(header, kBodyMagic, 8) != 0 && std::memcmp(header, kFirstBodyMagic, 8) != 0)) {
        return inspection;
    }
    const bool first_layout = std::memcmp(header, kFirstBodyMagic, 8) == 0;
    std::uint32_t kind = GetU32(header + 8);
    std::uint32_t range_count = GetU32(header + 12);
    inspection.original_size = GetU64(header + 16);
    inspection.window_capacity = GetU64(header + 24);
    std::uint64_t body_length = GetU64(header + 32);
    if ((kind != static_cast<std::uint32_t>(JournalKind::kRollback) &&
         kind != static_cast<std::uint32_t>(JournalKind::kCompaction)) ||
        body_length < kBodyHeaderBytes || body_length > file_size - kChecksumBytes) {
        return inspection;
    }
    inspection.kind = static_cast<JournalKind>(kind);

    // Verify the checksum of the whole body, streaming.
    JournalChecksum checksum(first_layout ? ChecksumKind::kFnv1a : ChecksumKind::kWordLanes);
    filesystem::PageAlignedBuffer buffer(kStreamBytes);
    for (std::uint64_t done = 0; done < body_length;) {
        std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(kStreamBytes, body_length - done));
        if (!ReadExactly(journal, done, buffer.data(), chunk, inspection.read_status)) {
            return inspection;
        }
        checksum.Add(buffer.data(), chunk);
        done += chunk;
    }
    std::uint8_t stored_checksum[kChecksumBytes];
    if (!ReadExactly(journal, body_length, stored_checksum, kChecksumBytes,
                     inspection.read_status) ||
        GetU64(stored_checksum) != checksum.value()) {
        return inspection;
    }

    // The ranges must fill the body exactly and lie inside the repository.
    std::uint64_t position = kBodyHeaderBytes;
    for (std::uint32_t i = 0; i < range_count; ++i) {
        std::uint8_t range_header[kRangeHeaderBytes];
        if (body_length - position < kRangeHeaderBytes ||
            !ReadExactly(journal, position, range_header, kRangeHeaderBytes,
                         inspection.read_status)) {
            return inspection;
        }
        ByteRange range{GetU64(range_header), GetU64(range_header + 8)};
        position += kRangeHeaderBytes;
        std::uint64_t range_end = 0;
        if (range.length > body_length - position ||
            !CheckedAdd(range.offset, range.length, range_end) ||
            range_end > inspection.original_size) {
            return inspection;
        }
        inspection.ranges.push_back({range, position});
        position += range.length;
    }
    if (position != body_length) {
        inspection.ranges.clear();
        return inspection;
    }
    if (inspection.kind == JournalKind::kCompaction) {
        InspectSlots(journal, file_size, body_length + kChecksumBytes, inspection);
        if (!inspection.read_status.ok() || !inspection.checkpoint) {
            inspection.ranges.clear();
            return inspection;
        }
    }
    inspection.state = JournalInspection::State::kValid;
    return inspection;
}

JournalError RestoreSavedRanges(filesystem::FileSystem& file_system,
                                const std::string& repository_path,
                                const JournalInspection& inspection, File& repository) {
    filesystem::OpenOptions options;
    options.follow_symbolic_links = false;
    filesystem::FsResult<std::unique_ptr<File>> opened =
        file_system.Open(JournalPath(repository_path), options);
    if (!opened.ok()) {
        return Failure(step::kJournalRead, opened.status);
    }
    File& journal = *opened.value;
    filesystem::PageAlignedBuffer buffer(kStreamBytes);
    for (const JournalInspection::SavedRange& saved : inspection.ranges) {
        for (std::uint64_t done = 0; done < saved.range.length;) {
            std::size_t chunk = static_cast<std::size_t>(
                std::min<std::uint64_t>(kStreamBytes, saved.range.length - done));
            FsStatus status;
            if (!ReadExactly(journal, saved.journal_offset + done, buffer.data(), chunk, status)) {
                return status.ok() ? ShortFailure(step::kJournalRead)
                                   : Failure(step::kJournalRead, status);
            }
            filesystem::FsResult<std::size_t> written =
                repository.WriteAt(saved.range.offset + done, buffer.data(), chunk);
            if (!written.ok()) {
                return Failure(step::kJournalRestore, written.status);
            }
            if (written.value != chunk) {
                return ShortFailure(step::kJournalRestore);
            }
            done += chunk;
        }
    }
    return {};
}

JournalError ReadCheckpointWindow(filesystem::FileSystem& file_system,
                                  const std::string& repository_path,
                                  const JournalInspection& inspection, std::uint64_t offset,
                                  void* data, std::size_t size) {
    if (!inspection.checkpoint || offset < inspection.checkpoint->window_offset ||
        offset - inspection.checkpoint->window_offset + size >
            inspection.checkpoint->window_length) {
        return ShortFailure(step::kJournalRead);
    }
    filesystem::OpenOptions options;
    options.follow_symbolic_links = false;
    filesystem::FsResult<std::unique_ptr<File>> opened =
        file_system.Open(JournalPath(repository_path), options);
    if (!opened.ok()) {
        return Failure(step::kJournalRead, opened.status);
    }
    FsStatus status;
    if (!ReadExactly(
            *opened.value,
            inspection.checkpoint_window_offset + (offset - inspection.checkpoint->window_offset),
            data, size, status)) {
        return status.ok() ? ShortFailure(step::kJournalRead) : Failure(step::kJournalRead, status);
    }
    return {};
}

}  // namespace kivo::repository
