// Storing files as new member versions. A name fails on its own (the file
// cannot be opened, is too large, changes while it is read) and the call goes
// on with the next; a failure of the repository itself ends the call, and the
// journal then puts the repository back as it was.
#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include "file_attributes.h"
#include "kivo/repository/repository_format.h"
#include "member_names.h"
#include "messages.h"
#include "operations.h"
#include "refusal_texts.h"
#include "repository_writer.h"
#include "source_prefetch.h"

namespace kivo::repository {
namespace {

using filesystem::FsStatus;
using CopyStop = filesystem::CopyResult::Stop;

// Data is copied in blocks of 1 MiB (the format's 64 KiB blocks cost a
// quarter more time on large files), by the kernel where it can
// (File::CopyFrom) and otherwise through a page-aligned buffer, and the disk
// is asked to start writing every 4 MiB, so it writes while the copy goes on
// and the sync at the end of the call has little left to do (storing 512 MiB
// here: 0.30 s with a hint every 4 MiB, up to 0.55 s every 16 MiB).
constexpr std::size_t kStoreBlockBytes = 1 << 20;
constexpr std::uint64_t kWritebackBytes = 4 << 20;

// Below this many files a store has no helper thread: starting one costs
// about as much as opening a few files.
constexpr std::size_t kHelperFromFiles = 4;

// A source that ends before the size it had when it was opened.
constexpr char kSourceShrankText[] = "File changed size while it was being stored";

class Storer {
public:
    enum class Outcome { kStored, kSkipped, kRepositoryFailed };

    Storer(const EngineContext& context, RepositoryWriter& repository, std::string directory,
           const ProgressCallback& progress)
        : context_(context),
          repository_(repository),
          directory_(std::move(directory)),
          progress_(progress),
          buffer_(kStoreBlockBytes) {}

    // Stores the names in order; false when the repository failed (the call
    // must end without closing).
    bool StoreAll(const std::vector<std::string>& names) {
        in_place_ = InternalEntriesOfLiveNames(names);
        if (names.size() >= kHelperFromFiles && CallableFromAnyThread(context_.file_system)) {
            StartHelperThread(helper_);
        }
        SourcePrefetch prefetch(context_.file_system, directory_, names, SourceOpenOptions(),
                                helper_ ? &*helper_ : nullptr);
        bool stored_all = true;
        for (std::size_t i = 0; i < names.size() && stored_all; ++i) {
            stored_all = Store(names[i], prefetch.Take(i)) != Outcome::kRepositoryFailed;
        }
        // The writeback hints still queued are done before the repository
        // is closed or undone.
        if (helper_) {
            helper_->WaitUntilIdle();
        }
        return stored_all;
    }

private:
    // The internal entries a store may rewrite in place (marking an old
    // version deleted) must be saved in the journal first.
    std::vector<ByteRange> InternalEntriesOfLiveNames(const std::vector<std::string>& names) {
        std::vector<ByteRange> ranges;
        if (repository_.version() != FormatVersion::kXr01) {
            return ranges;
        }
        for (const std::string& name : names) {
            if (std::optional<std::size_t> live = repository_.directory().FindLive(name)) {
                ranges.push_back(ByteRange{repository_.directory().at(*live).member_offset,
                                           format::kEntryBytes});
            }
        }
        return ranges;
    }

    void AddMessage(MessageCode code, const std::vector<MessageArgument>& arguments) {
        context_.status.Add(MakeMessage(code, arguments));
    }

    static filesystem::OpenOptions SourceOpenOptions() {
        filesystem::OpenOptions options;
        options.exclusive_lock = true;  // no sharing, as the repository itself
        // A FIFO without a writer must not hold the call (and the repository).
        options.non_blocking_open = true;
        return options;
    }

    // Each call not made ahead (`prefetched` empty there) is made here.
    Outcome Store(const std::string& name, PrefetchedSource prefetched) {
        const std::string source_path = filesystem::JoinPath(directory_, name);
        std::string reason = UnsafeNameReason(name);
        if (!reason.empty()) {
            AddMessage(MessageCode::kOpenFileFailed,
                       {filesystem::JoinPath(directory_, PrintableName(name)), reason});
            return Outcome::kSkipped;
        }
        filesystem::FsResult<std::unique_ptr<filesystem::File>> opened =
            prefetched.opened ? std::move(*prefetched.opened)
                              : context_.file_system.Open(source_path, SourceOpenOptions());
        if (!opened.ok()) {
            AddMessage(MessageCode::kOpenFileFailed,
                       {source_path, OpenFailureText(source_path, opened.status)});
            return Outcome::kSkipped;
        }
        const Outcome outcome = StoreOpened(name, source_path, *opened.value, prefetched);
        // The source's lock goes with it; a later name for the same file
        // that finds it still held waits for this (SourcePrefetch::Take).
        CloseBeside(helper_ ? &*helper_ : nullptr, std::move(opened.value));
        return outcome;
    }

    Outcome StoreOpened(const std::string& name, const std::string& source_path,
                        filesystem::File& source, PrefetchedSource& prefetched) {
        filesystem::FsResult<filesystem::FileInfo> size =
            prefetched.size ? std::move(*prefetched.size) : source.Stat();
        if (!size.ok()) {
            AddMessage(MessageCode::kInvalidFileSize, {size.status.Describe()});
            return Outcome::kSkipped;
        }
        if (size.value.type == filesystem::FileType::kDirectory) {
            AddMessage(MessageCode::kOpenFileFailed,
                       {source_path, FsStatus::Error(EISDIR).Describe()});
            return Outcome::kSkipped;
        }
        if (size.value.type != filesystem::FileType::kRegular) {
            AddMessage(MessageCode::kOpenFileFailed,
                       {source_path, NotRegularFileText(size.value.type)});
            return Outcome::kSkipped;
        }
        if (size.value.size_bytes > format::kMaxMemberBytes) {
            AddMessage(MessageCode::kFileTooLarge, {source_path});
            return Outcome::kSkipped;
        }
        const auto size_bytes = static_cast<std::uint32_t>(size.value.size_bytes);
        if (!FitsInRepository(name, size_bytes)) {
            AddMessage(MessageCode::kRepositoryTooLarge, {2});
            return Outcome::kSkipped;
        }
        if (!repository_.BeginChanges(in_place_) ||
            !repository_.Seek(repository_.append_position(), 1)) {
            return Outcome::kRepositoryFailed;
        }
        filesystem::FsResult<filesystem::FileInfo> info =
            prefetched.info ? std::move(*prefetched.info)
                            : context_.file_system.Stat(source_path, true);
        if (!info.ok()) {
            AddMessage(MessageCode::kGetAttributesFailed, {source_path, info.status.Describe()});
            return Outcome::kSkipped;
        }
        DirectoryEntry entry;
        entry.name = name;
        entry.created = CreationTimeOf(info.value);
        entry.accessed = FileTimeFromTimestamp(info.value.access_time);
        entry.written = FileTimeFromTimestamp(info.value.modification_time);
        entry.stored = context_.options.clock();
        entry.size_bytes = size_bytes;
        entry.attributes = AttributesOf(info.value, name);
        return AddAndCopy(std::move(entry), source, source_path);
    }

    // Why a source could not be opened: a socket, for one, cannot be opened
    // at all, and is better named for what it is than by the system's error.
    std::string OpenFailureText(const std::string& source_path, const FsStatus& failure) {
        filesystem::FsResult<filesystem::FileInfo> info =
            context_.file_system.Stat(source_path, true);
        if (info.ok() && info.value.type != filesystem::FileType::kRegular &&
            info.value.type != filesystem::FileType::kDirectory) {
            return NotRegularFileText(info.value.type);
        }
        return failure.Describe();
    }

    // The size limit: 2^64 - 1 bytes, 2^32 - 1 on a FAT volume, and 2^32 - 1
    // for "XR00", whose offsets are 32 bits wide.
    bool FitsInRepository(const std::string& name, std::uint32_t size_bytes) {
        std::uint64_t limit =
            IsOnFatVolume() ? format::kMaxRepositoryBytesOnFat : format::kMaxRepositoryBytes;
        std::uint64_t needed = size_bytes;
        if (repository_.version() == FormatVersion::kXr01) {
            needed += format::kEntryBytes + name.size();
        } else {
            limit = std::min(limit, format::kMaxRepositoryBytesOnFat);
        }
        return needed <= limit && repository_.append_position() <= limit - needed;
    }

    bool IsOnFatVolume() {
        if (!volume_checked_) {
            volume_checked_ = true;
            filesystem::FsResult<filesystem::VolumeInfo> volume =
                context_.file_system.StatVolume(repository_.file_path());
            if (!volume.ok()) {
                AddMessage(MessageCode::kVolumeUnknown, {volume.status.Describe()});
            } else {
                on_fat_ = volume.value.is_fat();
            }
        }
        return on_fat_;
    }

    Outcome AddAndCopy(DirectoryEntry entry, filesystem::File& source,
                       const std::string& source_path) {
        const std::uint64_t block_start = repository_.append_position();
        std::optional<std::size_t> previous = repository_.directory().FindLive(entry.name);
        std::optional<DirectoryEntry> previous_entry;
        if (previous) {
            previous_entry = repository_.directory().at(*previous);
        }
        const std::string label = repository_.MemberLabel(entry.name);
        const std::uint32_t size_bytes = entry.size_bytes;
        if (!repository_.AddEntry(std::move(entry), {23, 24, 26, 10})) {
            return Outcome::kRepositoryFailed;
        }
        for (std::uint64_t done = 0; done < size_bytes;) {
            std::size_t chunk = static_cast<std::size_t>(
                std::min<std::uint64_t>(kStoreBlockBytes, size_bytes - done));
            filesystem::CopyResult copied = repository_.CopyIn(source, done, chunk, buffer_, 3, 27);
            if (copied.stop == CopyStop::kTargetFailed || copied.stop == CopyStop::kTargetShort) {
                return Outcome::kRepositoryFailed;
            }
            if (copied.bytes_copied > 0) {
                Report(ProgressPhase::kRead, copied.bytes_copied, source_path);
                HintWriteback();
                Report(ProgressPhase::kWritten, copied.bytes_copied, label);
                done += copied.bytes_copied;
            }
            // A source that ends early is read on from where it stopped; one
            // that gives nothing more has shrunk since it was opened.
            if (copied.stop == CopyStop::kSourceFailed ||
                (copied.stop == CopyStop::kSourceEnded && copied.bytes_copied == 0)) {
                AddMessage(MessageCode::kFileIoError,
                           {source_path, 3,
                            copied.stop == CopyStop::kSourceFailed ? copied.status.Describe()
                                                                   : kSourceShrankText});
                return Withdraw(block_start, previous, previous_entry);
            }
        }
        std::uint64_t position = 0;
        if (!repository_.Position(position, 2)) {
            return Outcome::kRepositoryFailed;
        }
        repository_.set_append_position(position);
        return Outcome::kStored;
    }

    // Takes back an entry whose data could not be copied: the directory and
    // the previous version's deleted mark are as before, and the next block
    // goes where this one began.
    Outcome Withdraw(std::uint64_t block_start, std::optional<std::size_t> previous,
                     const std::optional<DirectoryEntry>& previous_entry) {
        repository_.directory().RemoveLast();
        repository_.set_append_position(block_start);
        if (previous) {
            repository_.directory().at(*previous) = *previous_entry;
            if (repository_.version() == FormatVersion::kXr01 &&
                !repository_.RewriteInternalEntry(*previous)) {
                return Outcome::kRepositoryFailed;
            }
        }
        return Outcome::kSkipped;
    }

    // Over the whole call, so many small files count as one large one.
    void HintWriteback() {
        const std::uint64_t position = repository_.position();
        if (!unhinted_from_ || *unhinted_from_ > position) {
            unhinted_from_ = position;
        } else if (position - *unhinted_from_ >= kWritebackBytes) {
            const std::uint64_t from = *unhinted_from_;
            const std::uint64_t length = position - from;
            // The kernel's work of starting the writes runs beside the copy.
            if (helper_) {
                helper_->Post([this, from, length] { repository_.StartWriteback(from, length); });
            } else {
                repository_.StartWriteback(from, length);
            }
            unhinted_from_ = position;
        }
    }

    void Report(ProgressPhase phase, std::size_t bytes, const std::string& label) {
        if (progress_) {
            progress_(phase, static_cast<std::uint32_t>(bytes), label);
        }
    }

    const EngineContext& context_;
    RepositoryWriter& repository_;
    std::string directory_;
    const ProgressCallback& progress_;
    filesystem::PageAlignedBuffer buffer_;
    std::vector<ByteRange> in_place_;
    std::optional<std::uint64_t> unhinted_from_;
    bool volume_checked_ = false;
    bool on_fat_ = false;
    // Where the file system allows it, for a store of several files.
    std::optional<HelperThread> helper_;
};

void StoreNames(const EngineContext& context, RepositoryWriter& repository,
                const std::string& directory, const std::vector<std::string>& names,
                const ProgressCallback& progress) {
    Storer storer(context, repository, directory, progress);
    if (!storer.StoreAll(names)) {
        repository.Abandon();
        return;
    }
    repository.Close();
}

// Whether `name` in `directory` is the journal of the repository (which
// PutAll must not store).
bool IsJournalOf(const EngineContext& context, const RepositoryReader& repository,
                 const std::string& directory, const std::string& name) {
    const std::string journal = JournalPath(repository.real_path());
    if (filesystem::BaseName(journal) != name) {
        return false;
    }
    filesystem::FsResult<filesystem::FileInfo> listed =
        context.file_system.Stat(filesystem::JoinPath(directory, name), false);
    filesystem::FsResult<filesystem::FileInfo> ours = context.file_system.Stat(journal, false);
    return !listed.ok() || !ours.ok() ||
           (listed.value.device == ours.value.device && listed.value.inode == ours.value.inode);
}

}  // namespace

void PutMembers(const EngineContext& context, const std::string& repository_path,
                const std::string& directory, const std::vector<std::string>& names,
                const ProgressCallback& progress) {
    RepositoryWriter repository(context);
    if (repository.Open(repository_path, WriteMode::kStore) != OpenOutcome::kOpened) {
        return;
    }
    StoreNames(context, repository, directory, names, progress);
}

void PutFolder(const EngineContext& context, const std::string& repository_path,
               const std::string& directory, const ProgressCallback& progress) {
    RepositoryWriter repository(context);
    if (repository.Open(repository_path, WriteMode::kStore) != OpenOutcome::kOpened) {
        return;
    }
    filesystem::FsResult<filesystem::DirectoryListing> listing =
        context.file_system.ListDirectory(directory);
    std::vector<std::string> names;
    for (const filesystem::DirectoryEntry& entry : listing.value.entries) {
        if (!entry.is_directory && !IsJournalOf(context, repository, directory, entry.name)) {
            names.push_back(entry.name);
        }
    }
    StoreNames(context, repository, directory, names, progress);
    if (!listing.ok()) {
        MessageCode code = listing.value.failed_stage == filesystem::ListingStage::kNext
                               ? MessageCode::kFindNextFailed
                           : listing.value.failed_stage == filesystem::ListingStage::kClose
                               ? MessageCode::kFindCloseFailed
                               : MessageCode::kFindFirstFailed;
        context.status.Add(MakeMessage(code, {listing.status.Describe()}));
    }
}

}  // namespace kivo::repository
