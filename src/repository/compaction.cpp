// Compaction with checkpointed, resumable block moves.
#include "compaction.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "directory_checks.h"
#include "kivo/filesystem/page_aligned_buffer.h"
#include "member_names.h"
#include "messages.h"

namespace kivo::repository {
namespace {

// Moves the planned blocks, taking checkpoints so the moves can be finished
// after a crash (see compaction.h).
class BlockMover {
public:
    BlockMover(RepositoryWriter& repository, const CompactionPlan& plan,
               std::uint64_t window_capacity, ProgressCallback progress)
        : repository_(repository),
          plan_(plan),
          window_capacity_(window_capacity),
          progress_(std::move(progress)),
          buffer_(format::kCopyBlockBytes) {}

    // The window of the first checkpoint, read from the file as it is.
    Checkpoint FirstCheckpoint() {
        Checkpoint first;
        first.sequence = 1;
        if (!plan_.moves.empty()) {
            first.window_offset = plan_.moves.front().from;
            first.window_length = WindowLength(0, first.window_offset);
        }
        return first;
    }

    bool ReadFirstWindow(const Checkpoint& first) {
        window_ = Checkpoint{};
        filesystem::PageAlignedBuffer first_bytes(first.window_length);
        if (!ReadSource(first.window_offset, first_bytes.data(), first.window_length)) {
            return false;
        }
        window_ = first;
        window_bytes_ = std::move(first_bytes);
        return true;
    }

    std::span<const std::uint8_t> window_bytes() const {
        return {window_bytes_.data(), window_.window_length};
    }

    // Moves without checkpoints, for a call whose undo is kept otherwise
    // (a scratch file, below): a block's source always lies at or after its
    // target, so moving in order reads every old byte before it is written.
    void WithoutCheckpoints() { checkpoints_ = false; }

    // Continues from a checkpoint whose window bytes are given.
    void Resume(const Checkpoint& checkpoint, filesystem::PageAlignedBuffer window_bytes) {
        window_ = checkpoint;
        window_bytes_ = std::move(window_bytes);
    }

    bool Run(std::size_t first_move, std::uint64_t first_done) {
        for (std::size_t m = first_move; m < plan_.moves.size(); ++m) {
            const BlockMove& move = plan_.moves[m];
            for (std::uint64_t done = m == first_move ? first_done : 0; done < move.length;) {
                std::size_t chunk = static_cast<std::size_t>(
                    std::min<std::uint64_t>(format::kCopyBlockBytes, move.length - done));
                if (!ReadSource(move.from + done, buffer_.data(), chunk)) {
                    return false;
                }
                Report(ProgressPhase::kRead, chunk);
                if (done == 0 && repository_.version() == FormatVersion::kXr01) {
                    // The moved block's internal entry names its new place.
                    EntryBytes entry = EncodeEntry(plan_.entries_after[move.entry_index], 0, false);
                    std::memcpy(buffer_.data(), entry.data(), entry.size());
                }
                std::uint64_t target = move.to + done;
                if (checkpoints_ &&
                    target + chunk > window_.window_offset + window_.window_length &&
                    !TakeCheckpoint(m, done)) {
                    return false;
                }
                if (!repository_.Seek(target, 14) ||
                    !repository_.Write(buffer_.data(), chunk, 30, 31)) {
                    return false;
                }
                Report(ProgressPhase::kWritten, chunk);
                done += chunk;
            }
        }
        // Every move is durable before the directory is written over old blocks.
        return !checkpoints_ || TakeCheckpoint(plan_.moves.size(), 0);
    }

private:
    // Reads old bytes of the file: from the window where it covers them (the
    // file may hold new bytes there), else from the file.
    bool ReadSource(std::uint64_t offset, std::uint8_t* data, std::size_t size) {
        const std::uint64_t window_begin = window_.window_offset;
        const std::uint64_t window_end = window_begin + window_.window_length;
        while (size > 0) {
            std::size_t part = size;
            if (offset >= window_begin && offset < window_end) {
                part = static_cast<std::size_t>(std::min<std::uint64_t>(size, window_end - offset));
                std::memcpy(data, window_bytes_.data() + (offset - window_begin), part);
            } else {
                if (offset < window_begin) {
                    part = static_cast<std::size_t>(
                        std::min<std::uint64_t>(size, window_begin - offset));
                }
                if (!repository_.Seek(offset, 13) || !repository_.Read(data, part, 28, 29)) {
                    return false;
                }
            }
            offset += part;
            data += part;
            size -= part;
        }
        return true;
    }

    // The writes after a checkpoint may reach the window's end. The block
    // being moved lies `shift` bytes ahead of its target, so a window of
    // capacity - shift bytes lets the moves go on for `capacity` bytes, and
    // once the shift is as large as the capacity no window is needed.
    std::uint64_t WindowLength(std::size_t move_index, std::uint64_t offset) const {
        const BlockMove& move = plan_.moves[move_index];
        std::uint64_t shift = move.from - move.to;
        std::uint64_t wanted = shift >= window_capacity_ ? 0 : window_capacity_ - shift;
        return std::min(wanted, plan_.sources_end - offset);
    }

    bool TakeCheckpoint(std::size_t move_index, std::uint64_t done) {
        if (!repository_.Sync()) {
            return false;
        }
        Checkpoint next;
        next.sequence = window_.sequence + 1;
        next.move_index = move_index;
        next.bytes_done = done;
        if (move_index < plan_.moves.size()) {
            next.window_offset = plan_.moves[move_index].from + done;
            next.window_length = WindowLength(move_index, next.window_offset);
        }
        filesystem::PageAlignedBuffer next_bytes(next.window_length);
        if (!ReadSource(next.window_offset, next_bytes.data(), next.window_length)) {
            return false;
        }
        JournalError error = repository_.journal().WriteCheckpoint(
            next, std::span<const std::uint8_t>(next_bytes.data(), next.window_length));
        if (!error.ok()) {
            repository_.context().status.Add(MakeMessage(MessageCode::kRepositoryIoError,
                                                         {error.step, error.status.Describe()}));
            return false;
        }
        window_ = next;
        window_bytes_ = std::move(next_bytes);
        return true;
    }

    void Report(ProgressPhase phase, std::size_t bytes) {
        if (progress_) {
            progress_(phase, static_cast<std::uint32_t>(bytes), repository_.name());
        }
    }

    RepositoryWriter& repository_;
    const CompactionPlan& plan_;
    std::uint64_t window_capacity_;
    ProgressCallback progress_;
    filesystem::PageAlignedBuffer buffer_;
    Checkpoint window_;
    filesystem::PageAlignedBuffer window_bytes_{0};
    bool checkpoints_ = true;
};

// The directory and append position after the moves.
bool FinishAndClose(RepositoryWriter& repository, const CompactionPlan& plan) {
    repository.directory().Replace(plan.entries_after);
    repository.set_append_position(plan.append_position);
    return repository.Close();
}

// On a file system whose syncs write nothing a compaction journal could not
// be finished after a crash anyway. A compaction there whose moved part is at
// most this size keeps that part in memory as a rollback, so a failing move
// is undone and no journal file is made; a larger one is journalled as usual.
constexpr std::uint64_t kInMemoryCompactionBytes = 16u << 20;

bool CompactScratchAndClose(RepositoryWriter& repository, const CompactionPlan& plan,
                            const ProgressCallback& progress) {
    const std::uint64_t file_end = repository.file_size_at_open();
    if (!repository.BeginChanges(
            {ByteRange{plan.write_position, file_end - plan.write_position}}) ||
        !repository.Seek(plan.write_position, 12)) {
        repository.Abandon();
        return false;
    }
    BlockMover mover(repository, plan, format::kCopyBlockBytes, progress);
    mover.WithoutCheckpoints();
    std::uint64_t position = 0;
    if (!mover.Run(0, 0) || !repository.Position(position, 17)) {
        repository.Abandon();
        return false;
    }
    return FinishAndClose(repository, plan);
}

}  // namespace

std::optional<CompactionPlan> PlanCompaction(const RepositoryDirectory& directory,
                                             FormatVersion version) {
    const std::vector<DirectoryEntry>& entries = directory.entries();
    auto first_deleted = std::find_if(entries.begin(), entries.end(),
                                      [](const DirectoryEntry& e) { return e.is_deleted(); });
    if (first_deleted == entries.end()) {
        return std::nullopt;
    }
    CompactionPlan plan;
    plan.write_position = first_deleted->member_offset;
    std::uint64_t write_position = plan.write_position;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->is_deleted()) {
            continue;
        }
        DirectoryEntry entry = *it;
        if (it > first_deleted) {
            std::uint64_t length = BlockBytes(entry, version);
            entry.version = 1;
            entry.member_offset = write_position;
            if (length > 0) {
                plan.moves.push_back(BlockMove{plan.entries_after.size(), it->member_offset,
                                               write_position, length});
                plan.sources_end = it->member_offset + length;
            }
            write_position += length;
        }
        plan.entries_after.push_back(std::move(entry));
    }
    plan.append_position = write_position;
    return plan;
}

bool CompactAndClose(RepositoryWriter& repository, const ProgressCallback& progress) {
    std::optional<CompactionPlan> plan =
        PlanCompaction(repository.directory(), repository.version());
    if (!plan) {
        return repository.Close();  // the directory and header are rewritten unchanged
    }
    if (std::optional<std::size_t> misplaced =
            FirstBlockOutOfOrder(repository.directory(), repository.version())) {
        // Moving blocks that are not in directory order would overwrite live ones.
        repository.context().status.Add(MakeMessage(
            MessageCode::kDirectoryFieldCorrupt,
            {field::kMemberOffset, PrintableName(repository.directory().at(*misplaced).name)}));
        repository.Abandon();
        return false;
    }
    if (!repository.context().file_system.SyncsReachTheDisk() &&
        repository.file_size_at_open() - plan->write_position <= kInMemoryCompactionBytes) {
        return CompactScratchAndClose(repository, *plan, progress);
    }
    if (!repository.Seek(plan->write_position, 12)) {
        repository.Abandon();
        return false;
    }
    // A chunk must fit in the window, or a write could pass the window's end.
    const std::uint64_t window_capacity = std::max<std::uint64_t>(
        repository.context().options.compaction_window_bytes, format::kCopyBlockBytes);
    BlockMover mover(repository, *plan, window_capacity, progress);
    Checkpoint first = mover.FirstCheckpoint();
    if (!mover.ReadFirstWindow(first) ||
        !repository.BeginCompaction(window_capacity, first, mover.window_bytes())) {
        repository.Abandon();
        return false;
    }
    std::uint64_t position = 0;
    if (!mover.Run(0, 0) || !repository.Position(position, 17)) {
        repository.Abandon();
        return false;
    }
    return FinishAndClose(repository, *plan);
}

bool ResumeCompaction(const EngineContext& context, const std::string& path, filesystem::File& file,
                      const JournalInspection& inspection) {
    RepositoryWriter repository(context);
    repository.set_recovering();
    if (repository.OpenHeldFile(file, path) != OpenOutcome::kOpened) {
        return false;
    }
    repository.AdoptCompactionJournal(inspection);
    std::optional<CompactionPlan> plan =
        PlanCompaction(repository.directory(), repository.version());
    const Checkpoint& checkpoint = *inspection.checkpoint;
    if (!plan) {
        return repository.Close();
    }
    if (checkpoint.move_index > plan->moves.size() ||
        (checkpoint.move_index < plan->moves.size() &&
         checkpoint.bytes_done > plan->moves[checkpoint.move_index].length) ||
        inspection.window_capacity < format::kCopyBlockBytes) {
        context.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError,
                        {step::kJournalRead, "Journal does not fit the repository"}));
        repository.Abandon();
        return false;
    }
    filesystem::PageAlignedBuffer window(checkpoint.window_length);
    JournalError error =
        ReadCheckpointWindow(context.file_system, path, inspection, checkpoint.window_offset,
                             window.data(), checkpoint.window_length);
    if (!error.ok()) {
        context.status.Add(
            MakeMessage(MessageCode::kRepositoryIoError, {error.step, error.status.Describe()}));
        repository.Abandon();
        return false;
    }
    BlockMover mover(repository, *plan, inspection.window_capacity, {});
    mover.Resume(checkpoint, std::move(window));
    if (!mover.Run(checkpoint.move_index, checkpoint.bytes_done)) {
        repository.Abandon();
        return false;
    }
    return FinishAndClose(repository, *plan);
}

}  // namespace kivo::repository
