// OpenRepository: opening, the writes of one operation, and closing.
#include "open_repository.h"

#include <cerrno>
#include <functional>

#include "byte_fields.h"
#include "directory_checks.h"
#include "directory_reader.h"
#include "journal_recovery.h"
#include "kivo/repository/repository_format.h"
#include "kivo/repository/writer_lock.h"
#include "messages.h"
#include "repository_file.h"
#include "repository_locks.h"
#include "repository_path.h"

namespace kivo::repository {
namespace {

using filesystem::FsStatus;

}  // namespace

OpenRepository::OpenRepository(EngineContext context) : context_(context) {}

OpenRepository::~OpenRepository() {
    if (file_ != nullptr && !finished_) {
        Abandon();
    }
}

OpenOutcome OpenRepository::Open(const std::string& path, OpenMode mode, bool allow_nested) {
    std::vector<std::string> parts =
        allow_nested ? SplitNestedPath(path) : std::vector<std::string>{path};
    if (parts.size() > 1 && mode != OpenMode::kRead) {
        context_.status.Add(MakeMessage(MessageCode::kNotSupportedNested, {}));
        return OpenOutcome::kFailed;
    }
    OpenOutcome outcome = OpenOuterFile(parts.front(), mode);
    if (outcome == OpenOutcome::kOpened) {
        outcome = OpenFromHeader(mode, parts);
    }
    if (outcome != OpenOutcome::kOpened) {
        finished_ = true;
    }
    return outcome;
}

OpenOutcome OpenRepository::OpenFileOnly(const std::string& path, OpenMode mode) {
    OpenOutcome outcome = OpenOuterFile(path, mode);
    if (outcome == OpenOutcome::kOpened) {
        filesystem::FsResult<filesystem::FileInfo> info = file_->Stat();
        if (!info.ok()) {
            context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                            {step::kRepositoryStat, info.status.Describe()}));
            outcome = OpenOutcome::kFailed;
        } else {
            original_size_ = info.value.size_bytes;
            original_directory_ = RepositoryDirectory{};
        }
    }
    if (outcome != OpenOutcome::kOpened) {
        finished_ = true;
    }
    return outcome;
}

void OpenRepository::InstallDirectory(RepositoryDirectory directory,
                                      std::uint64_t append_position) {
    header_ = RepositoryHeader{};
    directory_ = std::move(directory);
    append_position_ = append_position;
}

OpenOutcome OpenRepository::OpenOuterFile(const std::string& file_path, OpenMode mode) {
    mode_ = mode;
    file_path_ = file_path;
    name_ = file_path;
    std::optional<RepositoryFile> opened = OpenRepositoryFile(
        context_.file_system, context_.status, file_path,
        mode == OpenMode::kRead ? filesystem::Access::kRead : filesystem::Access::kReadWrite,
        mode == OpenMode::kStore ? filesystem::Creation::kOpenOrCreate
                                 : filesystem::Creation::kOpenExisting);
    if (!opened) {
        return OpenOutcome::kFailed;
    }
    owned_file_ = std::move(opened->file);
    file_ = owned_file_.get();
    identity_ = opened->identity;
    real_path_ = opened->real_path;
    if (!TakeLocks()) {
        return OpenOutcome::kFailed;
    }
    return RecoverInterruptedCall(mode) ? OpenOutcome::kOpened : OpenOutcome::kFailed;
}

bool OpenRepository::HoldsWriterLock() const {
    return context_.held_lock != nullptr && context_.held_lock->Covers(identity_);
}

bool OpenRepository::TakeLocks() {
    auto wait_for = [this](filesystem::FileLock lock, filesystem::LockMode mode) {
        return WaitForLock(context_.file_system, context_.status, file_path_, *file_, identity_,
                           lock, mode, context_.options.lock_wait);
    };
    if (mode_ == OpenMode::kRead) {
        return wait_for(filesystem::FileLock::kAccess, filesystem::LockMode::kShared);
    }
    if (!HoldsWriterLock() &&
        !wait_for(filesystem::FileLock::kWriter, filesystem::LockMode::kExclusive)) {
        return false;
    }
    return wait_for(filesystem::FileLock::kAccess, filesystem::LockMode::kExclusive);
}

OpenOutcome OpenRepository::OpenHeldFile(filesystem::File& file, const std::string& path,
                                         OpenMode mode) {
    mode_ = mode;
    file_ = &file;
    file_path_ = path;
    real_path_ = path;
    name_ = path;
    OpenOutcome outcome = OpenFromHeader(mode, {path});
    if (outcome != OpenOutcome::kOpened) {
        finished_ = true;
    }
    return outcome;
}

bool OpenRepository::RecoverInterruptedCall(OpenMode mode) {
    JournalInspection inspection = InspectJournal(context_.file_system, real_path_);
    if (inspection.state != JournalInspection::State::kValid) {
        return SettleWithoutPlayback(inspection);
    }
    if (mode == OpenMode::kRead) {
        return RecoverWhileReading(inspection);
    }
    return PlayBack(*file_, inspection);
}

bool OpenRepository::SettleWithoutPlayback(const JournalInspection& inspection) {
    if (inspection.state == JournalInspection::State::kNone) {
        return true;
    }
    if (!inspection.read_status.ok()) {
        // A journal that cannot be read may still be needed.
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {step::kJournalRead, inspection.read_status.Describe()}));
        return false;
    }
    // Never completed, so the repository was not touched under it (a writer
    // that is still writing its journal holds the access lock this call has).
    if (context_.file_system.Unlink(JournalPath(real_path_)).ok()) {
        context_.Trace("Repository journal discarded\n");
    }
    return true;
}

bool OpenRepository::PlayBack(filesystem::File& writable, const JournalInspection& inspection) {
    context_.Trace(inspection.kind == JournalKind::kCompaction
                       ? "Repository journal found: finishing the interrupted compaction\n"
                       : "Repository journal found: rolling back the interrupted call\n");
    return FinishInterruptedCall(context_, real_path_, writable, inspection);
}

bool OpenRepository::RecoverWhileReading(const JournalInspection& found) {
    std::unique_ptr<filesystem::File> writable = OpenToRecover();
    if (!writable) {
        return ReadCommittedState(found);
    }
    // Other readers may be reading the journal's view; wait for them.
    file_->Unlock(filesystem::FileLock::kAccess);
    if (!WaitForLock(context_.file_system, context_.status, file_path_, *writable, identity_,
                     filesystem::FileLock::kAccess, filesystem::LockMode::kExclusive,
                     context_.options.lock_wait)) {
        return false;
    }
    recovery_file_ = std::move(writable);
    // One of them may have played it back meanwhile.
    JournalInspection inspection = InspectJournal(context_.file_system, real_path_);
    if (inspection.state != JournalInspection::State::kValid) {
        return SettleWithoutPlayback(inspection);
    }
    return PlayBack(*recovery_file_, inspection);
}

std::unique_ptr<filesystem::File> OpenRepository::OpenToRecover() {
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.non_blocking_open = true;
    filesystem::FsResult<std::unique_ptr<filesystem::File>> opened =
        context_.file_system.Open(real_path_, options);
    if (!opened.ok()) {
        return nullptr;  // a read-only file or medium
    }
    filesystem::FsResult<filesystem::FileInfo> info = opened.value->Stat();
    if (!info.ok() || !info.value.SameFileAs(identity_)) {
        return nullptr;
    }
    // A writer at work (or one holding the repository for a command) will
    // play the journal back itself.
    if (!HoldsWriterLock() &&
        !opened.value->TryLock(filesystem::FileLock::kWriter, filesystem::LockMode::kExclusive)
             .ok()) {
        return nullptr;
    }
    return std::move(opened.value);
}

bool OpenRepository::ReadCommittedState(const JournalInspection& inspection) {
    std::unique_ptr<filesystem::File> view =
        MakeCommittedStateView(context_, real_path_, *file_, inspection);
    if (!view) {
        return false;
    }
    context_.Trace(
        "Repository needs recovery but cannot be written now: reading its last "
        "committed state\n");
    owned_view_ = std::move(view);
    file_ = owned_view_.get();
    return true;
}

OpenOutcome OpenRepository::OpenFromHeader(OpenMode mode, const std::vector<std::string>& parts) {
    filesystem::FsResult<filesystem::FileInfo> info = file_->Stat();
    if (!info.ok()) {
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {step::kRepositoryStat, info.status.Describe()}));
        return OpenOutcome::kFailed;
    }
    if (info.value.type != filesystem::FileType::kRegular) {
        context_.status.Add(MakeMessage(MessageCode::kOpenRepositoryFailed,
                                        {file_path_, FsStatus::Error(EISDIR).Describe()}));
        return OpenOutcome::kFailed;
    }
    original_size_ = info.value.size_bytes;
    if (original_size_ == 0) {
        if (mode == OpenMode::kRead) {
            return OpenOutcome::kEmpty;
        }
        // A new (or emptied) file becomes an empty "XR01" repository first.
        original_directory_ = RepositoryDirectory{};
        if (!BeginChanges() || !WriteFreshHeader()) {
            Abandon();
            return OpenOutcome::kFailed;
        }
        return OpenOutcome::kOpened;
    }
    std::uint64_t start = 0;
    std::uint64_t extent_end = original_size_;
    for (std::size_t part = 0;; ++part) {
        if (!ReadHeaderAt(start, extent_end) || !ReadDirectoryAt(start, extent_end)) {
            return OpenOutcome::kFailed;
        }
        if (part + 1 == parts.size()) {
            break;
        }
        const std::string& member = parts[part + 1];
        name_ += format::kNestedSeparator + member;
        std::optional<std::size_t> found = directory_.FindLive(member);
        if (!found) {
            context_.status.Add(MakeMessage(MessageCode::kFileNotFound, {name_}));
            return OpenOutcome::kFailed;
        }
        const DirectoryEntry& entry = directory_.at(*found);
        start = DataOffset(entry, header_.version);
        extent_end = start + entry.size_bytes;
    }
    repository_start_ = start;
    original_version_ = header_.version;
    if (mode != OpenMode::kRead) {
        original_directory_ = directory_;
    }
    return OpenOutcome::kOpened;
}

bool OpenRepository::ReadHeaderAt(std::uint64_t start, std::uint64_t extent_end) {
    if (!Seek(start, 4)) {
        return false;
    }
    std::uint8_t bytes[format::kHeaderBytesXr01] = {};
    if (extent_end - start < 4) {
        context_.status.Add(MakeMessage(MessageCode::kInvalidHeader, {1}));
        return false;
    }
    filesystem::FsResult<std::size_t> got = file_->Read(bytes, 4);
    if (!got.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {4, got.status.Describe()}));
        return false;
    }
    position_ += got.value;
    if (got.value != 4) {
        context_.status.Add(MakeMessage(MessageCode::kInvalidHeader, {1}));
        return false;
    }
    FormatVersion version;
    switch (ClassifyHeaderPrefix(bytes)) {
        case HeaderPrefix::kWrongMagic:
            context_.status.Add(MakeMessage(MessageCode::kInvalidHeader, {2}));
            return false;
        case HeaderPrefix::kUnknownVersion:
            context_.status.Add(MakeMessage(MessageCode::kInvalidHeader, {3}));
            return false;
        case HeaderPrefix::kXr00:
            version = FormatVersion::kXr00;
            break;
        case HeaderPrefix::kXr01:
        default:
            version = FormatVersion::kXr01;
            break;
    }
    if (!Seek(start, 5)) {
        return false;
    }
    const bool xr01 = version == FormatVersion::kXr01;
    const std::size_t header_bytes = HeaderBytes(version);
    const int short_step = xr01 ? 5 : 4;
    if (extent_end - start < header_bytes) {
        context_.status.Add(MakeMessage(MessageCode::kInvalidHeader, {short_step}));
        return false;
    }
    got = file_->Read(bytes, header_bytes);
    if (!got.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {xr01 ? 6 : 5, got.status.Describe()}));
        return false;
    }
    position_ += got.value;
    if (got.value != header_bytes) {
        context_.status.Add(MakeMessage(MessageCode::kInvalidHeader, {short_step}));
        return false;
    }
    header_ = DecodeHeader(bytes, version);
    return true;
}

bool OpenRepository::ReadDirectoryAt(std::uint64_t start, std::uint64_t extent_end) {
    const FormatVersion version = header_.version;
    directory_ = RepositoryDirectory{};
    if (header_.directory_offset == 0) {
        if (version == FormatVersion::kXr01 && header_.entry_count != 0) {
            context_.status.Add(
                MakeMessage(MessageCode::kInvalidHeader, {step::kEntryCountMismatch}));
            return false;
        }
        append_position_ = start + format::kFirstBlockOffset;
        return Seek(append_position_, 7);
    }
    std::uint64_t directory_offset = 0;
    if (!CheckedAdd(start, header_.directory_offset, directory_offset) ||
        header_.directory_offset < HeaderBytes(version) || directory_offset > extent_end) {
        context_.status.Add(
            MakeMessage(MessageCode::kInvalidHeader, {step::kDirectoryOffsetOutside}));
        return false;
    }
    if (!Seek(directory_offset, 8)) {
        return false;
    }
    DirectoryLocation where{version, start, directory_offset, extent_end};
    std::uint64_t directory_end = 0;
    if (!ReadDirectory(*file_, where, directory_, context_.status, directory_end)) {
        return false;
    }
    if (version == FormatVersion::kXr01 && directory_.size() != header_.entry_count) {
        context_.status.Add(MakeMessage(MessageCode::kInvalidHeader, {step::kEntryCountMismatch}));
        return false;
    }
    append_position_ = directory_offset;
    std::vector<std::size_t> misplaced = FindMisplacedBlocks(
        directory_, version, start + HeaderBytes(version), directory_offset, context_.status);
    if (misplaced.empty()) {
        return true;
    }
    if (mode_ != OpenMode::kRead) {
        // Writing over a damaged repository would spread the damage; the
        // directory can be rebuilt from the internal entries instead.
        return false;
    }
    // Read mode goes on without the refused entries.
    std::vector<DirectoryEntry> kept;
    std::size_t next_misplaced = 0;
    for (std::size_t i = 0; i < directory_.size(); ++i) {
        if (next_misplaced < misplaced.size() && misplaced[next_misplaced] == i) {
            ++next_misplaced;
            continue;
        }
        kept.push_back(directory_.at(i));
    }
    directory_.Replace(std::move(kept));
    return true;
}

bool OpenRepository::Seek(std::uint64_t offset, int step) {
    filesystem::FsResult<std::uint64_t> moved = file_->Seek(offset);
    if (!moved.ok()) {
        context_.status.Add(MakeMessage(MessageCode::kSeekFailed, {step, moved.status.Describe()}));
        return false;
    }
    position_ = offset;
    return true;
}

bool OpenRepository::Position(std::uint64_t& offset, int step) {
    filesystem::FsResult<std::uint64_t> position = file_->Position();
    if (!position.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kSeekFailed, {step, position.status.Describe()}));
        return false;
    }
    offset = position.value;
    return true;
}

bool OpenRepository::Read(void* data, std::size_t size, int error_step, int short_step) {
    filesystem::FsResult<std::size_t> got = file_->Read(data, size);
    if (!got.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {error_step, got.status.Describe()}));
        return false;
    }
    position_ += got.value;
    if (got.value != size) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {short_step, kShortReadText}));
        return false;
    }
    return true;
}

bool OpenRepository::BeginChanges(const std::vector<ByteRange>& in_place) {
    if (journal_) {
        return true;
    }
    std::vector<ByteRange> ranges = in_place;
    ranges.push_back(ByteRange{0, HeaderBytes(original_version_)});
    if (append_position_ < original_size_) {
        ranges.push_back(ByteRange{append_position_, original_size_ - append_position_});
    }
    for (ByteRange& range : ranges) {
        // Bytes past the end of the file need no saving: the file is cut back.
        if (range.offset >= original_size_) {
            range.length = 0;
        } else if (range.length > original_size_ - range.offset) {
            range.length = original_size_ - range.offset;
        }
    }
    protected_ranges_ = MergeRanges(std::move(ranges));
    auto journal = std::make_unique<Journal>(context_.file_system, real_path_);
    JournalError error = journal->Create(*file_, JournalKind::kRollback, original_size_,
                                         protected_ranges_, 0, Checkpoint{}, {});
    if (!error.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {error.step, error.status.Describe()}));
        // The repository is untouched; a half-written journal must not be
        // taken for a valid one.
        context_.file_system.Unlink(journal->path());
        return false;
    }
    journal_ = std::move(journal);
    journal_kind_ = JournalKind::kRollback;
    return true;
}

bool OpenRepository::BeginCompaction(std::uint64_t window_capacity, const Checkpoint& first,
                                     const std::vector<std::uint8_t>& first_window) {
    std::vector<ByteRange> ranges = {ByteRange{0, HeaderBytes(original_version_)}};
    if (append_position_ < original_size_) {
        ranges.push_back(ByteRange{append_position_, original_size_ - append_position_});
    }
    auto journal = std::make_unique<Journal>(context_.file_system, real_path_);
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

void OpenRepository::AdoptCompactionJournal(const JournalInspection& inspection) {
    journal_ = std::make_unique<Journal>(context_.file_system, real_path_);
    journal_->Adopt(inspection);
    journal_kind_ = JournalKind::kCompaction;
}

bool OpenRepository::Covered(std::uint64_t offset, std::uint64_t size) const {
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

bool OpenRepository::Write(const void* data, std::size_t size, int error_step, int short_step) {
    return WriteReporting(data, size, error_step, [short_step](std::size_t) { return short_step; });
}

bool OpenRepository::WriteReporting(const void* data, std::size_t size, int error_step,
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

bool OpenRepository::Sync() {
    FsStatus synced = file_->Sync();
    if (!synced.ok()) {
        context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                        {step::kRepositorySync, synced.Describe()}));
        return false;
    }
    return true;
}

bool OpenRepository::MarkDeleted(std::size_t index) {
    DirectoryEntry& entry = directory_.at(index);
    entry.deleted_at = context_.options.clock();
    entry.deleted = 1;
    if (header_.version != FormatVersion::kXr01) {
        return true;  // "XR00" blocks have no internal entry
    }
    return RewriteInternalEntry(index);
}

bool OpenRepository::RewriteInternalEntry(std::size_t index) {
    std::uint64_t remembered = 0;
    if (!Position(remembered, 21) || !Seek(directory_.at(index).member_offset, 22)) {
        return false;
    }
    EntryBytes bytes = EncodeEntry(directory_.at(index), repository_start_, false);
    return Write(bytes.data(), bytes.size(), 40, 41) && Seek(remembered, 23);
}

bool OpenRepository::AddEntry(DirectoryEntry entry, const AddEntrySteps& steps) {
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

bool OpenRepository::WriteFreshHeader() {
    header_ = RepositoryHeader{};
    directory_ = RepositoryDirectory{};
    append_position_ = format::kFirstBlockOffset;
    return WriteHeader();
}

bool OpenRepository::WriteDirectory() {
    if (!Seek(append_position_, 9)) {
        return false;
    }
    const bool xr01 = header_.version == FormatVersion::kXr01;
    header_.directory_offset = directory_.empty() ? 0 : append_position_ - repository_start_;
    // Entries and names go out in batches of about 64 KiB: a directory of
    // thousands of entries is rewritten by every store. A failing batch is
    // reported as a failing entry; a short one by the entry or name where it
    // stopped.
    std::vector<std::uint8_t> batch;
    std::vector<std::pair<std::size_t, bool>> item_ends;  // end in batch, is a name
    auto flush = [&] {
        bool written =
            WriteReporting(batch.data(), batch.size(), xr01 ? 19 : 17, [&](std::size_t stopped_at) {
                for (const auto& [end, is_name] : item_ends) {
                    if (stopped_at < end) {
                        return is_name ? 22 : (xr01 ? 20 : 18);
                    }
                }
                return 22;
            });
        batch.clear();
        item_ends.clear();
        return written;
    };
    for (std::size_t i = 0; i < directory_.size(); ++i) {
        const DirectoryEntry& entry = directory_.at(i);
        bool continuation = i + 1 < directory_.size();
        if (xr01) {
            EntryBytes bytes = EncodeEntry(entry, repository_start_, continuation);
            batch.insert(batch.end(), bytes.begin(), bytes.end());
        } else {
            RecordBytes bytes = EncodeRecord(entry, repository_start_, continuation);
            batch.insert(batch.end(), bytes.begin(), bytes.end());
        }
        item_ends.emplace_back(batch.size(), false);
        batch.insert(batch.end(), entry.name.begin(), entry.name.end());
        item_ends.emplace_back(batch.size(), true);
        if (batch.size() >= format::kCopyBlockBytes && !flush()) {
            return false;
        }
    }
    if (!batch.empty() && !flush()) {
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

bool OpenRepository::WriteHeader() {
    header_.written = context_.options.clock();
    header_.entry_count = static_cast<std::uint32_t>(directory_.size());
    std::vector<std::uint8_t> bytes = EncodeHeader(header_);
    const bool xr01 = header_.version == FormatVersion::kXr01;
    return Seek(0, 6) && Write(bytes.data(), bytes.size(), xr01 ? 9 : 7, xr01 ? 10 : 8);
}

void OpenRepository::ReportSizes(const RepositoryDirectory& directory) {
    context_.status.total_size_bytes = directory.TotalBytes(header_.version);
    context_.status.deleted_size_bytes = directory.DeletedBytes(header_.version);
}

bool OpenRepository::Close() {
    finished_ = true;
    if (mode_ == OpenMode::kRead) {
        ReportSizes(directory_);
        return true;
    }
    if (!BeginChanges()) {
        ReportSizes(*original_directory_);
        return false;
    }
    if (!WriteDirectory() || !WriteHeader() || !Sync()) {
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
    ReportSizes(directory_);
    return removed.ok();
}

void OpenRepository::Abandon() {
    finished_ = true;
    if (original_directory_) {
        header_.version = original_version_;
        ReportSizes(*original_directory_);
    }
    if (!journal_ || recovering_) {
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
