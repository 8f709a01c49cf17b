// RepositoryReader: opening a repository for one call, reading it, closing.
#include "repository_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "byte_fields.h"
#include "directory_checks.h"
#include "directory_reader.h"
#include "journal_recovery.h"
#include "kept_directory.h"
#include "kivo/repository/kept_directories.h"
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

RepositoryReader::RepositoryReader(EngineContext context) : context_(context) {}

RepositoryReader::~RepositoryReader() {
    GiveBackDirectory();
}

OpenOutcome RepositoryReader::Open(const std::string& path, bool allow_nested) {
    return OpenPath(path, OpenMode::kRead, allow_nested);
}

OpenOutcome RepositoryReader::OpenFileOnly(const std::string& path) {
    return OpenOuterFileOnly(path, OpenMode::kRead);
}

OpenOutcome RepositoryReader::OpenHeldFile(filesystem::File& file, const std::string& path) {
    return OpenHeld(file, path, OpenMode::kRead);
}

OpenOutcome RepositoryReader::OpenPath(const std::string& path, OpenMode mode, bool allow_nested) {
    std::vector<std::string> parts =
        allow_nested ? SplitNestedPath(path) : std::vector<std::string>{path};
    if (parts.size() > 1 && mode != OpenMode::kRead) {
        context_.status.Add(MakeMessage(MessageCode::kNotSupportedNested, {}));
        return OpenOutcome::kFailed;
    }
    OpenOutcome outcome = OpenOuterFile(parts.front(), mode);
    if (outcome == OpenOutcome::kOpened) {
        outcome = OpenFromHeader(parts);
    }
    return outcome;
}

OpenOutcome RepositoryReader::OpenOuterFileOnly(const std::string& path, OpenMode mode) {
    OpenOutcome outcome = OpenOuterFile(path, mode);
    if (outcome == OpenOutcome::kOpened) {
        filesystem::FsResult<filesystem::FileInfo> info = file_->Stat();
        if (!info.ok()) {
            context_.status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                            {step::kRepositoryStat, info.status.Describe()}));
            outcome = OpenOutcome::kFailed;
        } else {
            original_size_ = info.value.size_bytes;
        }
    }
    return outcome;
}

void RepositoryReader::InstallDirectory(RepositoryDirectory directory,
                                        std::uint64_t append_position) {
    header_ = RepositoryHeader{};
    directory_ = std::move(directory);
    append_position_ = append_position;
    directory_was_kept_ = false;
    keep_directory_ = false;
}

OpenOutcome RepositoryReader::OpenOuterFile(const std::string& file_path, OpenMode mode) {
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

bool RepositoryReader::HoldsWriterLock() const {
    return context_.held_lock != nullptr && context_.held_lock->Covers(identity_);
}

bool RepositoryReader::TakeLocks() {
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

OpenOutcome RepositoryReader::OpenHeld(filesystem::File& file, const std::string& path,
                                       OpenMode mode) {
    mode_ = mode;
    file_ = &file;
    file_path_ = path;
    real_path_ = path;
    name_ = path;
    return OpenFromHeader({path});
}

bool RepositoryReader::RecoverInterruptedCall(OpenMode mode) {
    JournalInspection inspection = InspectJournal(context_.file_system, real_path_);
    if (inspection.state != JournalInspection::State::kValid) {
        return SettleWithoutPlayback(inspection);
    }
    if (mode == OpenMode::kRead) {
        return RecoverWhileReading(inspection);
    }
    return PlayBack(*file_, inspection);
}

bool RepositoryReader::SettleWithoutPlayback(const JournalInspection& inspection) {
    if (inspection.state == JournalInspection::State::kNone ||
        inspection.state == JournalInspection::State::kIdle) {
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

bool RepositoryReader::PlayBack(filesystem::File& writable, const JournalInspection& inspection) {
    context_.Trace(inspection.kind == JournalKind::kCompaction
                       ? "Repository journal found: finishing the interrupted compaction\n"
                       : "Repository journal found: rolling back the interrupted call\n");
    return FinishInterruptedCall(context_, real_path_, writable, inspection);
}

bool RepositoryReader::RecoverWhileReading(const JournalInspection& found) {
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

std::unique_ptr<filesystem::File> RepositoryReader::OpenToRecover() {
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

bool RepositoryReader::ReadCommittedState(const JournalInspection& inspection) {
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

OpenOutcome RepositoryReader::OpenFromHeader(const std::vector<std::string>& parts) {
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
        return OpenOutcome::kEmpty;
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
    return OpenOutcome::kOpened;
}

bool RepositoryReader::ReadHeaderAt(std::uint64_t start, std::uint64_t extent_end) {
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

bool RepositoryReader::ReadDirectoryAt(std::uint64_t start, std::uint64_t extent_end) {
    const FormatVersion version = header_.version;
    directory_ = RepositoryDirectory{};
    keep_directory_ = false;
    directory_was_kept_ = false;
    if (header_.directory_offset == 0) {
        if (version == FormatVersion::kXr01 && header_.entry_count != 0) {
            context_.status.Add(
                MakeMessage(MessageCode::kInvalidHeader, {step::kEntryCountMismatch}));
            return false;
        }
        append_position_ = start + format::kFirstBlockOffset;
        directory_end_ = append_position_;
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
    if (UseKeptDirectory(start, directory_offset, extent_end)) {
        append_position_ = directory_offset;
        keep_directory_ = mode_ == OpenMode::kRead;
        directory_was_kept_ = true;
        return true;
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
    directory_end_ = directory_end;
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

bool RepositoryReader::UseKeptDirectory(std::uint64_t start, std::uint64_t directory_offset,
                                        std::uint64_t extent_end) {
    if (start != 0 || header_.version != FormatVersion::kXr01) {
        return false;
    }
    if (context_.options.kept_directories == nullptr) {
        return false;
    }
    std::unique_ptr<KeptDirectory> kept = context_.options.kept_directories->Take(real_path_);
    if (!kept || kept->directory_offset != directory_offset ||
        kept->directory.size() != header_.entry_count) {
        return false;
    }
    const DirectoryEncoding& encoding = kept->directory.encoding();
    if (encoding.entries != kept->directory.size() ||
        encoding.size_bytes > extent_end - directory_offset) {
        return false;
    }
    // Compared piece by piece. Whatever cannot be read here is read, and
    // reported, the usual way.
    constexpr std::size_t kPieceBytes = 65536;
    filesystem::PageAlignedBuffer on_disk(kPieceBytes);
    for (std::size_t done = 0; done < encoding.size_bytes;) {
        const std::size_t piece = std::min(kPieceBytes, encoding.size_bytes - done);
        filesystem::FsResult<std::size_t> got =
            file_->ReadAt(directory_offset + done, on_disk.data(), piece);
        if (!got.ok() || got.value != piece ||
            std::memcmp(on_disk.data(), encoding.bytes.data() + done, piece) != 0) {
            return false;
        }
        done += piece;
    }
    directory_ = std::move(kept->directory);
    directory_end_ = directory_offset + encoding.size_bytes;
    return true;
}

void RepositoryReader::GiveBackDirectory() {
    const DirectoryEncoding& encoding = directory_.encoding();
    if (!keep_directory_ || context_.options.kept_directories == nullptr ||
        header_.version != FormatVersion::kXr01 || repository_start_ != 0 ||
        encoding.entries != directory_.size() || !directory_.changed_since_encoding().empty() ||
        encoding.size_bytes < kKeptDirectoryBytesAtLeast) {
        return;
    }
    // Decoding the kept bytes must give this directory: entries as written,
    // blocks as the opening checks them.
    const bool as_written = std::all_of(
        directory_.entries().begin(), directory_.entries().end(),
        [](const DirectoryEntry& entry) { return entry.entry_length == format::kEntryBytes; });
    if (!as_written ||
        !BlocksFollowInPlace(directory_, header_.version, HeaderBytes(header_.version),
                             header_.directory_offset)) {
        return;
    }
    context_.options.kept_directories->Keep(std::make_unique<KeptDirectory>(
        KeptDirectory{real_path_, header_.directory_offset, std::move(directory_)}));
}

bool RepositoryReader::Seek(std::uint64_t offset, int step) {
    filesystem::FsResult<std::uint64_t> moved = file_->Seek(offset);
    if (!moved.ok()) {
        context_.status.Add(MakeMessage(MessageCode::kSeekFailed, {step, moved.status.Describe()}));
        return false;
    }
    position_ = offset;
    return true;
}

bool RepositoryReader::Position(std::uint64_t& offset, int step) {
    filesystem::FsResult<std::uint64_t> position = file_->Position();
    if (!position.ok()) {
        context_.status.Add(
            MakeMessage(MessageCode::kSeekFailed, {step, position.status.Describe()}));
        return false;
    }
    offset = position.value;
    return true;
}

bool RepositoryReader::Read(void* data, std::size_t size, int error_step, int short_step) {
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

filesystem::CopyResult RepositoryReader::CopyOut(filesystem::File& target, std::size_t size,
                                                 filesystem::PageAlignedBuffer& buffer,
                                                 int error_step, int short_step) {
    filesystem::CopyResult copied = target.CopyFrom(*file_, position_, size, buffer);
    position_ += copied.bytes_copied;
    if (copied.stop == filesystem::CopyResult::Stop::kSourceFailed) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {error_step, copied.status.Describe()}));
    } else if (copied.stop == filesystem::CopyResult::Stop::kSourceEnded) {
        context_.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {short_step, kShortReadText}));
    }
    return copied;
}

RepositoryReader::Sizes RepositoryReader::SizesOf(const RepositoryDirectory& directory) const {
    return Sizes{directory.TotalBytes(header_.version), directory.DeletedBytes(header_.version)};
}

void RepositoryReader::ReportSizes(const Sizes& sizes) {
    context_.status.total_size_bytes = sizes.total_bytes;
    context_.status.deleted_size_bytes = sizes.deleted_bytes;
}

bool RepositoryReader::Close() {
    ReportSizes(SizesOf(directory_));
    return true;
}

}  // namespace kivo::repository
