// RepositoryWriter: the writes of one writing call, its commit and its undo.
#include "repository_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "byte_fields.h"
#include "directory_encoding.h"
#include "journal_recovery.h"
#include "kivo/filesystem/page_aligned_buffer.h"
#include "kivo/repository/repository_format.h"
#include "messages.h"

namespace kivo::repository {
namespace {

using filesystem::FsStatus;

OpenMode OpenModeOf(WriteMode mode) {
    return mode == WriteMode::kStore ? OpenMode::kStore : OpenMode::kUpdate;
}

}  // namespace

RepositoryWriter::RepositoryWriter(EngineContext context) : RepositoryReader(context) {}

RepositoryWriter::~RepositoryWriter() {
    if (file_ != nullptr && !finished_) {
        Abandon();
    }
}

OpenOutcome RepositoryWriter::Open(const std::string& path, WriteMode mode) {
    return AfterOpening(OpenPath(path, OpenModeOf(mode), /*allow_nested=*/true));
}

OpenOutcome RepositoryWriter::OpenFileOnly(const std::string& path) {
    OpenOutcome outcome = OpenOuterFileOnly(path, OpenMode::kUpdate);
    if (outcome == OpenOutcome::kOpened) {
        original_sizes_ = SizesOf(RepositoryDirectory{});
    } else {
        finished_ = true;
    }
    return outcome;
}

OpenOutcome RepositoryWriter::OpenHeldFile(filesystem::File& file, const std::string& path) {
    return AfterOpening(OpenHeld(file, path, OpenMode::kUpdate));
}

OpenOutcome RepositoryWriter::AfterOpening(OpenOutcome outcome) {
    if (outcome == OpenOutcome::kEmpty) {
        // A new (or emptied) file becomes an empty "XR01" repository first.
        original_sizes_ = SizesOf(RepositoryDirectory{});
        if (!BeginChanges() || !WriteFreshHeader()) {
            Abandon();
            return OpenOutcome::kFailed;
        }
        return OpenOutcome::kOpened;
    }
    if (outcome != OpenOutcome::kOpened) {
        finished_ = true;
        return outcome;
    }
    original_version_ = header_.version;
    original_sizes_ = SizesOf(directory_);
    return outcome;
}

bool RepositoryWriter::BeginChanges(const std::vector<ByteRange>& in_place) {
    if (journal_) {
        return true;
    }
    std::vector<ByteRange> ranges = in_place;
    if (append_position_ < original_size_) {
        ranges.push_back(ByteRange{append_position_, original_size_ - append_position_});
    }
    return StartRollbackJournal(std::move(ranges));
}

bool RepositoryWriter::BeginEntryChanges(const std::vector<std::size_t>& entries) {
    if (journal_) {
        return true;
    }
    std::vector<ByteRange> internal_entries;
    if (header_.version == FormatVersion::kXr01) {
        for (std::size_t index : entries) {
            internal_entries.push_back(
                ByteRange{directory_.at(index).member_offset, format::kEntryBytes});
        }
    }
    // In place only where the directory on disk is exactly what was read:
    // entries, and the end of the file right after them.
    if (directory_.empty() || directory_end_ != original_size_) {
        return BeginChanges(internal_entries);
    }
    std::vector<std::uint64_t> offsets = DirectoryEntryOffsets();
    std::vector<ByteRange> ranges = internal_entries;
    changed_entries_.clear();
    for (std::size_t index : entries) {
        changed_entries_.emplace_back(index, offsets[index]);
        ranges.push_back(ByteRange{offsets[index], FixedEntryBytes()});
    }
    std::sort(changed_entries_.begin(), changed_entries_.end());
    changed_entries_.erase(std::unique(changed_entries_.begin(), changed_entries_.end()),
                           changed_entries_.end());
    if (!StartRollbackJournal(std::move(ranges))) {
        return false;
    }
    directory_in_place_ = true;
    return true;
}

std::vector<std::uint64_t> RepositoryWriter::DirectoryEntryOffsets() const {
    std::vector<std::uint64_t> offsets;
    offsets.reserve(directory_.size());
    std::uint64_t offset = append_position_;
    for (const DirectoryEntry& entry : directory_.entries()) {
        offsets.push_back(offset);
        offset += DirectoryEntryBytes(entry, header_.version);
    }
    return offsets;
}

std::uint64_t RepositoryWriter::FixedEntryBytes() const {
    return header_.version == FormatVersion::kXr01 ? format::kEntryBytes : format::kRecordBytes;
}

bool RepositoryWriter::StartRollbackJournal(std::vector<ByteRange> ranges) {
    ranges.push_back(ByteRange{0, HeaderBytes(original_version_)});
    for (ByteRange& range : ranges) {
        // Bytes past the end of the file need no saving: the file is cut back.
        if (range.offset >= original_size_) {
            range.length = 0;
        } else if (range.length > original_size_ - range.offset) {
            range.length = original_size_ - range.offset;
        }
    }
    protected_ranges_ = MergeRanges(std::move(ranges));
    auto journal = std::make_unique<Journal>(context_.file_system, real_path_,
                                             context_.options.keep_idle_journal);
    // A journal file on a file system whose syncs write nothing would not
    // survive a crash anyway: there only the undo of a failed call is kept.
    const bool in_memory = !context_.file_system.SyncsReachTheDisk();
    // The file is as it was opened: a kept directory's encoding is its bytes.
    KnownBytes known;
    if (directory_was_kept_) {
        const DirectoryEncoding& encoding = directory_.encoding();
        known = KnownBytes{append_position_, {encoding.bytes.data(), encoding.size_bytes}};
    }
    JournalError error = in_memory
                             ? journal->KeepInMemory(*file_, original_size_, protected_ranges_)
                             : journal->Create(*file_, JournalKind::kRollback, original_size_,
                                               protected_ranges_, 0, Checkpoint{}, {}, known);
    if (!error.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {error.step, error.status.Describe()}));
        // The repository is untouched; a half-written journal must not be
        // taken for a valid one.
        if (!in_memory) {
            context_.file_system.Unlink(journal->path());
        }
        return false;
    }
    journal_ = std::move(journal);
    journal_kind_ = JournalKind::kRollback;
    return true;
}

bool RepositoryWriter::BeginCompaction(std::uint64_t window_capacity, const Checkpoint& first,
                                       std::span<const std::uint8_t> first_window) {
    std::vector<ByteRange> ranges = {ByteRange{0, HeaderBytes(original_version_)}};
    if (append_position_ < original_size_) {
        ranges.push_back(ByteRange{append_position_, original_size_ - append_position_});
    }
    auto journal = std::make_unique<Journal>(context_.file_system, real_path_,
                                             context_.options.keep_idle_journal);
    JournalError error =
        journal->Create(*file_, JournalKind::kCompaction, original_size_,
                        MergeRanges(std::move(ranges)), window_capacity, first, first_window);
    if (!error.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {error.step, error.status.Describe()}));
        context_.file_system.Unlink(journal->path());
        return false;
    }
    journal_ = std::move(journal);
    journal_kind_ = JournalKind::kCompaction;
    return true;
}

void RepositoryWriter::AdoptCompactionJournal(const JournalInspection& inspection) {
    journal_ = std::make_unique<Journal>(context_.file_system, real_path_,
                                         context_.options.keep_idle_journal);
    journal_->Adopt(inspection);
    journal_kind_ = JournalKind::kCompaction;
}

bool RepositoryWriter::Covered(std::uint64_t offset, std::uint64_t size) const {
    if (journal_kind_ == JournalKind::kCompaction || offset >= original_size_ || size == 0) {
        return true;
    }
    std::uint64_t end = std::min(offset + size, original_size_);
    for (const ByteRange& range : protected_ranges_) {
        if (offset >= range.offset && end <= range.offset + range.length) {
            return true;
        }
    }
    return false;
}

bool RepositoryWriter::Write(const void* data, std::size_t size, int error_step, int short_step) {
    return WriteReporting(data, size, error_step, [short_step](std::size_t) { return short_step; });
}

bool RepositoryWriter::WriteReporting(const void* data, std::size_t size, int error_step,
                                      const std::function<int(std::size_t)>& short_step_at) {
    if (!journal_ || !Covered(position_, size)) {
        // Every byte the last committed state holds must be in the journal
        // before it is overwritten.
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {error_step, "Write outside the journalled ranges"}));
        return false;
    }
    filesystem::FsResult<std::size_t> written = file_->Write(data, size);
    if (!written.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {error_step, written.status.Describe()}));
        return false;
    }
    position_ += written.value;
    if (written.value != size) {
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {short_step_at(written.value), kShortWriteText}));
        return false;
    }
    return true;
}

filesystem::CopyResult RepositoryWriter::CopyIn(filesystem::File& source,
                                                std::uint64_t source_offset, std::size_t size,
                                                filesystem::PageAlignedBuffer& buffer,
                                                int error_step, int short_step) {
    filesystem::CopyResult copied;
    if (!journal_ || !Covered(position_, size)) {
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {error_step, "Write outside the journalled ranges"}));
        copied.stop = filesystem::CopyResult::Stop::kTargetFailed;
        copied.status = FsStatus::Error(EPERM);
        return copied;
    }
    copied = file_->CopyFrom(source, source_offset, size, buffer);
    position_ += copied.bytes_copied;
    if (copied.stop == filesystem::CopyResult::Stop::kTargetFailed) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {error_step, copied.status.Describe()}));
    } else if (copied.stop == filesystem::CopyResult::Stop::kTargetShort) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {short_step, kShortWriteText}));
    }
    return copied;
}

bool RepositoryWriter::Sync() {
    FsStatus synced = file_->Sync();
    if (!synced.ok()) {
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {step::kRepositorySync, synced.Describe()}));
        return false;
    }
    return true;
}

bool RepositoryWriter::MarkDeleted(std::size_t index) {
    DirectoryEntry& entry = directory_.at(index);
    entry.deleted_at = context_.options.clock();
    entry.deleted = 1;
    if (header_.version != FormatVersion::kXr01) {
        return true;  // "XR00" blocks have no internal entry
    }
    return RewriteInternalEntry(index);
}

bool RepositoryWriter::RewriteInternalEntry(std::size_t index) {
    std::uint64_t remembered = 0;
    if (!Position(remembered, 21) || !Seek(directory_.at(index).member_offset, 22)) {
        return false;
    }
    EntryBytes bytes = EncodeEntry(directory_.at(index), repository_start_, false);
    return Write(bytes.data(), bytes.size(), 40, 41) && Seek(remembered, 23);
}

bool RepositoryWriter::AddEntry(DirectoryEntry entry, const AddEntrySteps& steps) {
    entry.entry_length = format::kEntryBytes;
    entry.member_offset = append_position_;
    entry.deleted = 0;
    if (std::optional<std::size_t> live = directory_.FindLive(entry.name)) {
        if (!MarkDeleted(*live)) {
            return false;
        }
    }
    entry.version = directory_.LastVersion(entry.name) + 1;
    directory_.Append(entry);
    if (header_.version != FormatVersion::kXr01) {
        return true;
    }
    // The internal entry and the name go out in one write; a failing write
    // is reported as the entry's, a short one by where it stopped.
    EntryBytes bytes = EncodeEntry(entry, repository_start_, false);
    std::vector<std::uint8_t> block_head(bytes.begin(), bytes.end());
    block_head.insert(block_head.end(), entry.name.begin(), entry.name.end());
    if (!WriteReporting(block_head.data(), block_head.size(), steps.entry_write_error,
                        [&steps](std::size_t stopped_at) {
                            return stopped_at < format::kEntryBytes ? steps.entry_short_write
                                                                    : steps.name_short_write;
                        })) {
        return false;
    }
    return Position(append_position_, steps.position_after);
}

bool RepositoryWriter::WriteFreshHeader() {
    header_ = RepositoryHeader{};
    directory_ = RepositoryDirectory{};
    append_position_ = format::kFirstBlockOffset;
    return WriteHeader();
}

bool RepositoryWriter::WriteDirectory() {
    if (!Seek(append_position_, 9)) {
        return false;
    }
    const bool xr01 = header_.version == FormatVersion::kXr01;
    header_.directory_offset = directory_.empty() ? 0 : append_position_ - repository_start_;
    // The whole directory in one write, from page-aligned memory. A failing
    // write is reported as a failing entry; a short one by the entry or name
    // where it stopped.
    const DirectoryEncoding& encoded =
        EncodeDirectory(directory_, header_.version, repository_start_);
    if (encoded.size_bytes > 0 &&
        !WriteReporting(
            encoded.bytes.data(), encoded.size_bytes, xr01 ? 19 : 17, [&](std::size_t stopped_at) {
                return StoppedInName(directory_, header_.version, stopped_at) ? 22
                                                                              : (xr01 ? 20 : 18);
            })) {
        return false;
    }
    FsStatus truncated = file_->Truncate(position_);
    if (!truncated.ok()) {
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {step::kRepositoryTruncate, truncated.Describe()}));
        return false;
    }
    return true;
}

bool RepositoryWriter::RewriteChangedEntries() {
    const bool xr01 = header_.version == FormatVersion::kXr01;
    for (const auto& [index, offset] : changed_entries_) {
        const bool continuation = index + 1 < directory_.size();
        if (!Seek(offset, 9)) {
            return false;
        }
        if (xr01) {
            EntryBytes bytes = EncodeEntry(directory_.at(index), repository_start_, continuation);
            if (!Write(bytes.data(), bytes.size(), 19, 20)) {
                return false;
            }
        } else {
            RecordBytes bytes = EncodeRecord(directory_.at(index), repository_start_, continuation);
            if (!Write(bytes.data(), bytes.size(), 17, 18)) {
                return false;
            }
        }
    }
    return true;
}

bool RepositoryWriter::WriteHeader() {
    header_.written = context_.options.clock();
    header_.entry_count = static_cast<std::uint32_t>(directory_.size());
    std::vector<std::uint8_t> bytes = EncodeHeader(header_);
    const bool xr01 = header_.version == FormatVersion::kXr01;
    return Seek(0, 6) && Write(bytes.data(), bytes.size(), xr01 ? 9 : 7, xr01 ? 10 : 8);
}

bool RepositoryWriter::Close() {
    finished_ = true;
    if (!BeginChanges()) {
        ReportSizes(*original_sizes_);
        return false;
    }
    const bool directory_written = directory_in_place_ ? RewriteChangedEntries() : WriteDirectory();
    if (!directory_written || !WriteHeader() || !Sync()) {
        Abandon();
        return false;
    }
    JournalError removed = journal_->Remove();
    if (!removed.ok()) {
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {removed.step, removed.status.Describe()}));
        if (removed.step == step::kJournalRemove) {
            Abandon();
            return false;
        }
        // The journal is gone but its removal may not have reached the disk:
        // after a crash the call is undone, otherwise it stands.
    }
    journal_.reset();
    ReportSizes(SizesOf(directory_));
    if (removed.ok()) {
        // The entries rewritten in place, in the kept encoding too.
        if (directory_in_place_ && directory_.encoding().entries > 0) {
            EncodeDirectory(directory_, header_.version, repository_start_);
        }
        keep_directory_ = true;
    }
    return removed.ok();
}

void RepositoryWriter::Abandon() {
    finished_ = true;
    keep_directory_ = false;
    if (original_sizes_) {
        header_.version = original_version_;
        ReportSizes(*original_sizes_);
    }
    if (!journal_ || recovering_) {
        return;
    }
    if (journal_->in_memory()) {
        const JournalError restored = journal_->RestoreFromMemory(*file_);
        journal_.reset();
        if (!restored.ok()) {
            context_.Trace(
                "Scratch repository could not be restored: " + restored.status.Describe() + "\n");
        }
        return;
    }
    journal_.reset();
    JournalInspection inspection = InspectJournal(context_.file_system, real_path_);
    if (inspection.state != JournalInspection::State::kValid) {
        return;
    }
    // Messages of the undo itself would hide the failure that caused it.
    StatusRecord undo_status;
    EngineContext undo_context{context_.file_system, context_.options, undo_status,
                               context_.held_lock};
    if (!FinishInterruptedCall(undo_context, real_path_, *file_, inspection)) {
        context_.Trace(
            "Repository could not be restored now; its journal stays for the next "
            "open\n");
    }
}

}  // namespace kivo::repository