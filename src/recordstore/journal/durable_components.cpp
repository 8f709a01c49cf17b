// Durable working copies of a data store's components: see
// durable_components.h.
#include "kivo/recordstore/durable_components.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <map>

#include "kivo/repository/engine.h"

namespace kivo::recordstore {
namespace {

using filesystem::Access;
using filesystem::Creation;
using filesystem::File;
using filesystem::FileSystem;
using filesystem::FsStatus;
using filesystem::OpenOptions;

// Read past the size a file had when asked, in case it grew meanwhile.
constexpr std::size_t kGrowthStepBytes = 4096;
// A working copy is read this much at a time when looking for its changes.
constexpr std::size_t kCompareReadBytes = 256u << 10;

Status FsFailure(const std::string& what, const FsStatus& status) {
    return Status::IoError(what + ": " + status.Describe());
}

Status ReadWholeFile(FileSystem& file_system, const std::string& path,
                     std::optional<std::string>* content) {
    content->reset();
    auto opened = file_system.Open(path, OpenOptions{Access::kRead, Creation::kOpenExisting});
    if (!opened.ok()) {
        if (opened.status.error_number() == ENOENT)
            return Status::Ok();
        return FsFailure("opening " + path, opened.status);
    }
    auto info = opened.value->Stat();
    if (!info.ok())
        return FsFailure("reading " + path, info.status);
    // Read straight into the result; a file that grew since the Stat is
    // read on to its end in growing steps.
    std::string bytes(static_cast<std::size_t>(info.value.size_bytes), '\0');
    std::size_t filled = 0;
    for (std::size_t step = kGrowthStepBytes;; step *= 2) {
        if (filled == bytes.size())
            bytes.resize(filled + step);
        auto read = opened.value->ReadAt(filled, bytes.data() + filled, bytes.size() - filled);
        if (!read.ok())
            return FsFailure("reading " + path, read.status);
        filled += read.value;
        if (filled < bytes.size())
            break;
    }
    bytes.resize(filled);
    *content = std::move(bytes);
    return Status::Ok();
}

// Writes the changes of one component into its working copy, in order.
Status ApplyToFile(FileSystem& file_system, const std::string& path,
                   const std::vector<const ComponentChange*>& changes) {
    auto opened = file_system.Open(path, OpenOptions{Access::kReadWrite, Creation::kOpenOrCreate});
    if (!opened.ok())
        return FsFailure("opening " + path, opened.status);
    for (const ComponentChange* change : changes) {
        if (!change->bytes.empty()) {
            auto written = opened.value->WriteAt(change->offset_bytes, change->bytes.data(),
                                                 change->bytes.size());
            if (!written.ok())
                return FsFailure("writing " + path, written.status);
        }
        if (FsStatus cut = opened.value->Truncate(change->new_size_bytes); !cut.ok())
            return FsFailure("writing " + path, cut);
    }
    return Status::Ok();
}

// Journal bytes a commit of these changes takes.
std::uint64_t CommitBytes(const std::vector<ComponentChange>& changes) {
    std::uint64_t bytes = kJournalCommitOverheadBytes + 4;
    for (const ComponentChange& change : changes)
        bytes += 1 + change.member.size() + 20 + change.bytes.size();
    return bytes;
}

}  // namespace

DurableComponents::DurableComponents(FileSystem& file_system, DurableComponentsPlaces places,
                                     StoreAccess access, DurableComponentsOptions options)
    : file_system_(file_system),
      places_(std::move(places)),
      access_(access),
      options_(std::move(options)),
      writer_(file_system, places_.journal_path) {
    for (const std::string& member : places_.members)
        components_.push_back(Component{member, std::nullopt, false});
}

void DurableComponents::Trace(const std::string& line) const {
    if (options_.trace)
        options_.trace(line);
}

Status DurableComponents::ReadWorkingCopy(const std::string& member,
                                          std::optional<std::string>* content) {
    return ReadWholeFile(file_system_, filesystem::JoinPath(places_.working_folder, member),
                         content);
}

Status DurableComponents::Recover() {
    auto store = file_system_.Stat(places_.store_path, /*follow_symbolic_links=*/true);
    if (!store.ok())
        return FsFailure("reading " + places_.store_path, store.status);
    store_identity_ = {store.value.device, store.value.inode};

    JournalContents journal;
    if (Status read = ReadComponentJournal(file_system_, places_.journal_path, &journal);
        !read.ok()) {
        return read;
    }
    if (journal.exists) {
        const bool ours = journal.header_valid && journal.store == store_identity_;
        std::vector<std::string> touched;
        if (ours) {
            if (Status dropped = DropUnstoredContainerCommit(&journal); !dropped.ok())
                return dropped;
            if (Status played = PlayBack(journal, &touched); !played.ok())
                return played;
        }
        if (access_ == StoreAccess::kReadWrite) {
            if (Status put = PutIntoStore(touched); !put.ok())
                return put;
            Status finished = journal.header_valid && !ours ? SetAside() : writer_.Remove();
            if (!finished.ok())
                return finished;
        }
    }
    for (Component& component : components_) {
        if (Status read = ReadWorkingCopy(component.member, &component.committed); !read.ok())
            return read;
        component.journaled = false;
    }
    return Status::Ok();
}

// Only the journal's last commit can be one whose container was never
// stored (the machine stopped between the commit and the put, or the put
// failed and the commit could not be withdrawn): a later commit is made only
// once the container is in the store. Such a commit is not played back.
Status DurableComponents::DropUnstoredContainerCommit(JournalContents* journal) {
    if (journal->commits.empty() || !journal->commits.back().container)
        return Status::Ok();
    const CommittedContainer& container = *journal->commits.back().container;
    bool holds = false;
    if (Status checked = StoreHolds(container, &holds); !checked.ok())
        return checked;
    if (!holds) {
        Trace("Component journal: " + container.member +
              " is not in the data store as committed; its commit is not played back\n");
        journal->commits.pop_back();
    }
    return Status::Ok();
}

Status DurableComponents::StoreHolds(const CommittedContainer& container, bool* holds) {
    *holds = false;
    repository::Engine engine(file_system_);
    repository::FoundMembers found = engine.Find(places_.store_path, {container.member});
    if (!found.status.ok())
        return Status::IoError(found.status.messages.front().text);
    auto entry = std::find_if(found.status.entries.begin(), found.status.entries.end(),
                              [&](const auto& e) { return e.name == container.member; });
    if (entry == found.status.entries.end() || entry->size_bytes != container.size_bytes)
        return Status::Ok();
    std::string bytes(entry->size_bytes, '\0');
    repository::LoadRequest request;
    request.name = container.member;
    request.buffer = bytes.data();
    request.buffer_size = entry->size_bytes;
    repository::StatusRecord loaded = engine.LoadFile(places_.store_path, request);
    if (!loaded.ok())
        return Status::IoError(loaded.messages.front().text);
    *holds = DescribeContainer(container.member, bytes) == container;
    return Status::Ok();
}

Status DurableComponents::PlayBack(const JournalContents& journal,
                                   std::vector<std::string>* touched) {
    std::map<std::string, std::vector<const ComponentChange*>> by_member;
    for (const JournalCommit& commit : journal.commits) {
        // A commit that names something other than a kept component was not
        // written for these components: it and the rest are not played back.
        const bool known = std::all_of(
            commit.changes.begin(), commit.changes.end(), [&](const ComponentChange& change) {
                return std::find(places_.members.begin(), places_.members.end(), change.member) !=
                       places_.members.end();
            });
        if (!known)
            break;
        for (const ComponentChange& change : commit.changes)
            by_member[change.member].push_back(&change);
        ++replayed_commits_;
    }
    for (const std::string& member : places_.members) {
        auto changes = by_member.find(member);
        if (changes == by_member.end())
            continue;
        const std::string path = filesystem::JoinPath(places_.working_folder, member);
        if (Status applied = ApplyToFile(file_system_, path, changes->second); !applied.ok())
            return applied;
        touched->push_back(member);
    }
    Trace("Component journal played back: " + std::to_string(replayed_commits_) + " commits\n");
    return Status::Ok();
}

Status DurableComponents::PutIntoStore(const std::vector<std::string>& names) {
    if (names.empty())
        return Status::Ok();
    if (options_.put_into_store) {
        return options_.put_into_store(names)
                   ? Status::Ok()
                   : Status::IoError("the store did not take the components");
    }
    repository::Engine engine(file_system_);
    const repository::StatusRecord put =
        engine.Put(places_.store_path, places_.working_folder, names);
    if (!put.ok())
        return Status::IoError(put.messages.front().text);
    return Status::Ok();
}

Status DurableComponents::SetAside() {
    Trace("Component journal of another store set aside\n");
    if (FsStatus renamed =
            file_system_.Rename(places_.journal_path, places_.journal_path + ".unmatched");
        !renamed.ok()) {
        return FsFailure("renaming " + places_.journal_path, renamed);
    }
    if (FsStatus synced =
            file_system_.SyncDirectory(filesystem::ParentDirectory(places_.journal_path));
        !synced.ok()) {
        return FsFailure("syncing the folder of " + places_.journal_path, synced);
    }
    return Status::Ok();
}

// The changes of one component's working copy since its last commit, read
// a block at a time and compared as they come: a large component is not
// read whole or copied. A missing working copy gives none.
Status DurableComponents::FindWorkingCopyChanges(const Component& component,
                                                 std::vector<ComponentChange>* changes) {
    const std::string path = filesystem::JoinPath(places_.working_folder, component.member);
    auto opened = file_system_.Open(path, OpenOptions{Access::kRead, Creation::kOpenExisting});
    if (!opened.ok()) {
        if (opened.status.error_number() == ENOENT)
            return Status::Ok();
        return FsFailure("opening " + path, opened.status);
    }
    if (!read_block_)
        read_block_ = std::make_unique_for_overwrite<char[]>(kCompareReadBytes);
    ChangeFinder finder(component.member, component.committed
                                              ? std::string_view(*component.committed)
                                              : std::string_view());
    for (std::uint64_t offset = 0;;) {
        auto read = opened.value->ReadAt(offset, read_block_.get(), kCompareReadBytes);
        if (!read.ok())
            return FsFailure("reading " + path, read.status);
        if (read.value == 0)
            break;
        finder.Feed(std::string_view(read_block_.get(), read.value));
        offset += read.value;
    }
    std::vector<ComponentChange> found = std::move(finder).Finish();
    std::move(found.begin(), found.end(), std::back_inserter(*changes));
    return Status::Ok();
}

Status DurableComponents::CollectChanges(std::vector<ComponentChange>* changes) {
    for (const Component& component : components_) {
        if (Status found = FindWorkingCopyChanges(component, changes); !found.ok())
            return found;
    }
    return Status::Ok();
}

// The committed versions take the changes just made durable.
void DurableComponents::TakeAsCommitted(const std::vector<ComponentChange>& changes) {
    for (const ComponentChange& change : changes) {
        auto component =
            std::find_if(components_.begin(), components_.end(),
                         [&](const Component& c) { return c.member == change.member; });
        if (!component->committed)
            component->committed.emplace();
        ApplyChange(change, *component->committed);
        component->journaled = true;
    }
}

Status DurableComponents::Commit() {
    if (access_ != StoreAccess::kReadWrite)
        return Status::InvalidArgument("the data store is open for reading only");
    if (checkpoint_before_next_commit_)
        return Checkpoint();
    std::vector<ComponentChange> changes;
    if (Status collected = CollectChanges(&changes); !collected.ok())
        return collected;
    if (changes.empty())
        return Status::Ok();
    if (kJournalHeaderBytes + CommitBytes(changes) > options_.journal_limit_bytes)
        return Checkpoint();
    if (Status appended = writer_.Append(changes, store_identity_); !appended.ok()) {
        Status put = Checkpoint();
        return put.ok() ? put : appended;
    }
    TakeAsCommitted(changes);
    // The commit is durable; a checkpoint that fails now is tried again at
    // the next commit or at close.
    if (writer_.size_bytes() > options_.journal_limit_bytes)
        (void)Checkpoint();
    return Status::Ok();
}

Status DurableComponents::CommitWithContainer(const std::string& container) {
    if (access_ != StoreAccess::kReadWrite)
        return Status::InvalidArgument("the data store is open for reading only");
    std::optional<std::string> bytes;
    if (Status read = ReadWorkingCopy(container, &bytes); !read.ok())
        return read;
    if (!bytes || bytes->size() > std::numeric_limits<std::uint32_t>::max())
        return Status::InvalidArgument(container + ": no container to store");
    const CommittedContainer described = DescribeContainer(container, *bytes);
    bytes.reset();
    std::vector<ComponentChange> changes;
    if (Status collected = CollectChanges(&changes); !collected.ok())
        return collected;
    const std::uint64_t commit_bytes =
        kJournalHeaderBytes + CommitBytes(changes) + 1 + container.size() + 16;
    if (checkpoint_before_next_commit_ || commit_bytes > options_.journal_limit_bytes)
        return CheckpointWith({container});
    if (changes.empty())  // nothing the container has to agree with
        return PutIntoStore({container});
    if (Status appended = writer_.Append(changes, store_identity_, &described); !appended.ok()) {
        Status put = CheckpointWith({container});
        return put.ok() ? put : appended;
    }
    if (Status put = PutIntoStore({container}); !put.ok()) {
        // The store keeps the container it had; the commit must not hold.
        if (!writer_.WithdrawLast().ok()) {
            // It stays last in the journal, where Recover drops it; no
            // commit may follow it until a checkpoint ends the journal.
            checkpoint_before_next_commit_ = true;
            for (Component& component : components_)
                component.journaled = true;
        }
        return put;
    }
    TakeAsCommitted(changes);
    if (writer_.size_bytes() > options_.journal_limit_bytes)
        (void)Checkpoint();
    return Status::Ok();
}

Status DurableComponents::Checkpoint() {
    return CheckpointWith({});
}

// One put of the containers (first) and every changed component.
Status DurableComponents::CheckpointWith(const std::vector<std::string>& containers) {
    if (access_ != StoreAccess::kReadWrite)
        return Status::InvalidArgument("the data store is open for reading only");
    std::vector<std::string> names = containers;
    std::vector<std::pair<Component*, std::string>> updated;
    bool keep_journal = false;
    for (Component& component : components_) {
        std::optional<std::string> current;
        if (Status read = ReadWorkingCopy(component.member, &current); !read.ok())
            return read;
        if (!current) {
            keep_journal = keep_journal || component.journaled;
            continue;
        }
        if (component.journaled || component.committed != current) {
            names.push_back(component.member);
            updated.emplace_back(&component, std::move(*current));
        }
    }
    if (Status put = PutIntoStore(names); !put.ok())
        return put;
    for (auto& [component, content] : updated) {
        component->committed = std::move(content);
        component->journaled = false;
    }
    if (keep_journal || !writer_.has_journal())
        return Status::Ok();
    if (Status removed = writer_.Remove(); !removed.ok())
        return removed;
    checkpoint_before_next_commit_ = false;
    return Status::Ok();
}

Status DurableComponents::TakeOtherWritersChanges(const std::string& their_folder,
                                                  std::vector<std::string>* conflicts) {
    if (access_ != StoreAccess::kReadWrite)
        return Status::InvalidArgument("the data store is open for reading only");
    std::vector<std::optional<std::string>> ours(components_.size());
    std::vector<std::optional<std::string>> theirs(components_.size());
    for (std::size_t i = 0; i < components_.size(); ++i) {
        const Component& component = components_[i];
        if (Status read = ReadWorkingCopy(component.member, &ours[i]); !read.ok())
            return read;
        if (Status read = ReadWholeFile(
                file_system_, filesystem::JoinPath(their_folder, component.member), &theirs[i]);
            !read.ok()) {
            return read;
        }
        const bool changed_here = ours[i] != component.committed;
        const bool changed_there = theirs[i] != component.committed;
        if (changed_here && changed_there && ours[i] != theirs[i])
            conflicts->push_back(component.member);
    }
    if (!conflicts->empty())
        return Status::InvalidArgument("changed here and by another program");
    for (std::size_t i = 0; i < components_.size(); ++i) {
        Component& component = components_[i];
        const bool changed_here = ours[i] != component.committed;
        if (!changed_here && theirs[i] && ours[i] != theirs[i]) {
            const std::string path = filesystem::JoinPath(places_.working_folder, component.member);
            const ComponentChange whole{component.member, 0, theirs[i]->size(), *theirs[i]};
            if (Status written = ApplyToFile(file_system_, path, {&whole}); !written.ok())
                return written;
        }
        component.committed = std::move(theirs[i]);
        component.journaled = false;
    }
    writer_.ForgetIfReplaced();
    auto journal = file_system_.Stat(places_.journal_path, /*follow_symbolic_links=*/false);
    if (!journal.ok())
        return Status::Ok();  // the store holds what they left, as committed here
    for (Component& component : components_)
        component.journaled = true;
    if (Status put = Checkpoint(); !put.ok())
        return put;
    // Whoever's it was, everything it held is in the store now.
    return writer_.Remove();
}

Status DurableComponents::CheckpointWhenWorthwhile() {
    if (!writer_.has_journal())
        return Status::Ok();
    std::uint64_t component_bytes = 0;
    for (const Component& component : components_) {
        if (component.journaled && component.committed)
            component_bytes += component.committed->size();
    }
    if (writer_.size_bytes() * options_.worthwhile_ratio < component_bytes)
        return Status::Ok();
    return Checkpoint();
}

}  // namespace kivo::recordstore
