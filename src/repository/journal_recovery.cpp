// Finishing an interrupted call from its journal, or reading around it.
#include "journal_recovery.h"

#include <algorithm>
#include <cerrno>

#include "compaction.h"
#include "messages.h"
#include "repository_reader.h"

namespace kivo::repository {
namespace {

using filesystem::File;
using filesystem::FsResult;
using filesystem::FsStatus;

void AddJournalError(const EngineContext& context, const JournalError& error) {
    context.status.Add(
        MakeMessage(MessageCode::kRepositoryIoError, {error.step, error.status.Describe()}));
}

// Where the bytes of one stretch of the committed state lie.
struct Source {
    enum Kind { kFile, kJournal } kind = kFile;
    std::uint64_t offset = 0;  // in the file or the journal
    std::uint64_t length = 0;  // how many bytes from there on belong together
};

// A stretch of the committed state that lies somewhere else than at its own
// offset in the file.
struct Relocation {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    Source::Kind kind = Source::kFile;
    std::uint64_t source_offset = 0;
};

class CommittedStateView final : public File {
public:
    CommittedStateView(File& file, std::unique_ptr<File> journal, std::uint64_t size,
                       std::vector<std::vector<Relocation>> layers)
        : file_(file), journal_(std::move(journal)), size_(size), layers_(std::move(layers)) {}

    FsResult<std::size_t> Read(void* data, std::size_t size_bytes) override {
        FsResult<std::size_t> result = ReadAt(position_, data, size_bytes);
        if (result.ok()) {
            position_ += result.value;
        }
        return result;
    }

    FsResult<std::size_t> ReadAt(std::uint64_t offset, void* data,
                                 std::size_t size_bytes) override {
        auto* bytes = static_cast<std::uint8_t*>(data);
        std::size_t done = 0;
        while (done < size_bytes && offset + done < size_) {
            std::uint64_t at = offset + done;
            Source source = Resolve(at);
            std::size_t part = static_cast<std::size_t>(
                std::min<std::uint64_t>({size_bytes - done, source.length, size_ - at}));
            File& from = source.kind == Source::kJournal ? *journal_ : file_;
            FsResult<std::size_t> got = from.ReadAt(source.offset, bytes + done, part);
            if (!got.ok()) {
                return got;
            }
            if (got.value < part) {
                // Past the end of the file: bytes the committed state had
                // there were saved, so this is a hole; it reads as zeros.
                std::fill(bytes + done + got.value, bytes + done + part, 0);
            }
            done += part;
        }
        return {FsStatus::Ok(), done};
    }

    FsResult<std::size_t> Write(const void*, std::size_t) override {
        return ReadOnly<std::size_t>();
    }
    FsResult<std::size_t> WriteAt(std::uint64_t, const void*, std::size_t) override {
        return ReadOnly<std::size_t>();
    }
    FsResult<std::uint64_t> Seek(std::uint64_t offset) override {
        position_ = offset;
        return {FsStatus::Ok(), offset};
    }
    FsResult<std::uint64_t> Position() override { return {FsStatus::Ok(), position_}; }
    FsStatus Truncate(std::uint64_t) override { return FsStatus::Error(EROFS); }
    FsStatus Sync() override { return FsStatus::Error(EROFS); }
    FsResult<filesystem::FileInfo> Stat() override {
        FsResult<filesystem::FileInfo> info = file_.Stat();
        if (info.ok()) {
            info.value.size_bytes = size_;
        }
        return info;
    }
    FsStatus SetTimes(const filesystem::FileTimes&) override { return FsStatus::Error(EROFS); }
    FsStatus SetPermissions(std::uint32_t) override { return FsStatus::Error(EROFS); }
    // The locks are held on the file beneath, by whoever opened it.
    FsStatus TryLock(filesystem::FileLock, filesystem::LockMode) override {
        return FsStatus::Error(ENOLCK);
    }
    void Unlock(filesystem::FileLock) override {}

private:
    template <typename T>
    static FsResult<T> ReadOnly() {
        return FsResult<T>::Failure(EROFS);
    }

    // The first layer that relocates `offset` decides; the bytes up to the
    // next relocation of a layer above belong together.
    Source Resolve(std::uint64_t offset) const {
        std::uint64_t limit = UINT64_MAX;
        for (const std::vector<Relocation>& layer : layers_) {
            auto after = std::upper_bound(
                layer.begin(), layer.end(), offset,
                [](std::uint64_t value, const Relocation& r) { return value < r.begin; });
            if (after != layer.begin()) {
                const Relocation& r = *(after - 1);
                if (offset < r.end) {
                    return Source{r.kind, r.source_offset + (offset - r.begin),
                                  std::min(limit, r.end) - offset};
                }
            }
            if (after != layer.end()) {
                limit = std::min(limit, after->begin);
            }
        }
        return Source{Source::kFile, offset, limit - offset};
    }

    File& file_;
    std::unique_ptr<File> journal_;
    std::uint64_t size_;
    std::vector<std::vector<Relocation>> layers_;  // each sorted, not overlapping
    std::uint64_t position_ = 0;
};

}  // namespace

bool FinishInterruptedCall(const EngineContext& context, const std::string& path,
                           File& writable_file, const JournalInspection& inspection) {
    JournalError error = RestoreSavedRanges(context.file_system, path, inspection, writable_file);
    if (!error.ok()) {
        AddJournalError(context, error);
        return false;
    }
    if (FsStatus truncated = writable_file.Truncate(inspection.original_size); !truncated.ok()) {
        AddJournalError(context, JournalError{step::kJournalRestore, truncated});
        return false;
    }
    if (inspection.kind == JournalKind::kCompaction) {
        return ResumeCompaction(context, path, writable_file, inspection);
    }
    if (FsStatus synced = writable_file.Sync(); !synced.ok()) {
        AddJournalError(context, JournalError{step::kRepositorySync, synced});
        return false;
    }
    Journal journal(context.file_system, path);
    error = journal.Remove();
    if (!error.ok()) {
        AddJournalError(context, error);
        return false;
    }
    return true;
}

std::unique_ptr<File> MakeCommittedStateView(const EngineContext& context, const std::string& path,
                                             File& file, const JournalInspection& inspection) {
    filesystem::OpenOptions options;
    options.follow_symbolic_links = false;
    FsResult<std::unique_ptr<File>> journal = context.file_system.Open(JournalPath(path), options);
    if (!journal.ok()) {
        AddJournalError(context, JournalError{step::kJournalRead, journal.status});
        return nullptr;
    }
    // Layer 1: the header and directory (and anything else) the journal saved.
    std::vector<Relocation> saved;
    for (const JournalInspection::SavedRange& range : inspection.ranges) {
        saved.push_back(Relocation{range.range.offset, range.range.offset + range.range.length,
                                   Source::kJournal, range.journal_offset});
    }
    std::vector<std::vector<Relocation>> layers = {saved};
    if (inspection.kind == JournalKind::kCompaction) {
        // Layer 2: the window of old bytes at the checkpoint.
        const Checkpoint& checkpoint = *inspection.checkpoint;
        layers.push_back({Relocation{checkpoint.window_offset,
                                     checkpoint.window_offset + checkpoint.window_length,
                                     Source::kJournal, inspection.checkpoint_window_offset}});
        // Layer 3: blocks already moved are read from where they went. The
        // moves follow from the old directory, read through layers 1 and 2.
        FsResult<std::unique_ptr<File>> journal_again =
            context.file_system.Open(JournalPath(path), options);
        if (!journal_again.ok()) {
            AddJournalError(context, JournalError{step::kJournalRead, journal_again.status});
            return nullptr;
        }
        CommittedStateView old_state(file, std::move(journal_again.value), inspection.original_size,
                                     layers);
        StatusRecord scratch;
        EngineContext scratch_context{context.file_system, context.options, scratch,
                                      context.held_lock};
        RepositoryReader old_repository(scratch_context);
        if (old_repository.OpenHeldFile(old_state, path) != OpenOutcome::kOpened) {
            context.status.Add(
                MakeMessage(MessageCode::kRepositoryIoError,
                            {step::kJournalRead, "Journal does not fit the repository"}));
            return nullptr;
        }
        std::optional<CompactionPlan> plan =
            PlanCompaction(old_repository.directory(), old_repository.version());
        std::vector<Relocation> moved;
        if (plan) {
            for (std::size_t m = 0; m < plan->moves.size() && m <= checkpoint.move_index; ++m) {
                const BlockMove& move = plan->moves[m];
                std::uint64_t length = m < checkpoint.move_index
                                           ? move.length
                                           : std::min(checkpoint.bytes_done, move.length);
                if (length > 0) {
                    moved.push_back(
                        Relocation{move.from, move.from + length, Source::kFile, move.to});
                }
            }
        }
        layers.push_back(std::move(moved));
    }
    return std::make_unique<CommittedStateView>(file, std::move(journal.value),
                                                inspection.original_size, std::move(layers));
}

}  // namespace kivo::repository
