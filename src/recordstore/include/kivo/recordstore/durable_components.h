// DurableComponents: the component files of an open data store, unpacked in
// a working folder, made durable after every record operation without
// putting whole components into the store each time.
//
// The lifecycle of a session:
//   - the members are unpacked into the working folder (the caller's Get);
//   - Recover() plays back a journal that an earlier session left behind
//     (a crash, a kill) onto the working copies; with write access it then
//     puts the result into the store and removes the journal, so the store
//     again holds everything on its own;
//   - a record operation changes the working copies, then calls Commit():
//     the changes since the last commit (found by comparing each component
//     with the bytes last committed, kept in memory) are appended to the
//     journal "<store>-changes" as one commit and synced. Only then is the
//     operation durable; a kill -9 or a power cut after it loses nothing;
//   - Checkpoint() puts every component that changed since the store last
//     took it with one repository put and removes the journal: at close, on
//     Save, when another store is opened, when the journal grows past its
//     limit, and (CheckpointWhenWorthwhile) when the program is idle.
//
// The store's bytes and layout are those of every other data store: the
// journal lies beside it. Readers that must not write (StoreAccess::
// kReadOnly) play the journal back onto their working copies only.
// Design and bounds: docs/decisions/durable-record-operations.md.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/component_journal.h"
#include "kivo/recordstore/status.h"

namespace kivo::recordstore {

enum class StoreAccess { kReadWrite, kReadOnly };

struct DurableComponentsPlaces {
    std::string store_path;
    std::string journal_path;  // ComponentJournalPath of the store's real path
    std::string working_folder;
    std::vector<std::string> members;  // the components kept, in putting order
};

struct DurableComponentsOptions {
    // A commit that takes the journal past this size is followed by a
    // checkpoint; a commit larger than it is not journaled at all: a
    // checkpoint puts the components instead.
    std::uint64_t journal_limit_bytes = 4u << 20;
    // CheckpointWhenWorthwhile puts the journaled components only when
    // they are at most this many times the journal's size, so the store
    // grows by at most this factor times what each commit journaled.
    std::uint64_t worthwhile_ratio = 16;
    // Receives one line when a journal is played back or set aside.
    std::function<void(const std::string& line)> trace;
    // Puts the named working copies into the store (true on success); by
    // default through an Engine of its own, which waits while another holds
    // the store's writer lock. A caller holding the lock puts under it here.
    std::function<bool(const std::vector<std::string>& members)> put_into_store;
};

class DurableComponents {
public:
    DurableComponents(filesystem::FileSystem& file_system, DurableComponentsPlaces places,
                      StoreAccess access, DurableComponentsOptions options = {});

    // Plays back a journal found beside the store (whole commits only; a
    // torn last commit is ignored) and takes the working copies as the
    // committed state. With write access the played-back components are
    // put into the store and the journal is removed; a journal written for
    // another file of the store's name (another inode) is not played back
    // but renamed to "<journal>.unmatched". An error leaves the journal in
    // place.
    Status Recover();

    // Journals the working copies' changes since the last commit and syncs
    // them. A component whose working copy is missing is left out. When
    // the journal cannot be written, a checkpoint is tried instead. Fails
    // with kInvalidArgument under read-only access.
    Status Commit();

    // An edit that stores a new version of a recording container: journals
    // the working copies' changes as one commit made together with the
    // working folder's `container`, then puts that container into the
    // store. Across a crash the two are one step: when such a commit is the
    // journal's last, Recover plays it back only if the store holds the
    // container as committed (size and checksum), and otherwise drops it,
    // leaving the container and the components as before. When the
    // container cannot be put the commit is withdrawn and the working
    // copies' changes stay uncommitted. A commit too large for the journal,
    // or a journal that cannot be written, is replaced by one repository
    // put of the container and the changed components.
    Status CommitWithContainer(const std::string& container);

    // Puts every component whose working copy differs from what the store
    // holds into the store with one put, then removes the journal. A
    // component whose working copy is missing is not put (the store keeps
    // its version); when it had journaled changes the journal stays.
    Status Checkpoint();

    // A checkpoint when the components it would put are at most
    // worthwhile_ratio times the journal's size; otherwise nothing.
    Status CheckpointWhenWorthwhile();

    // Another writer changed the store since this object last wrote it
    // (checked by the caller under the store's writer lock). `their_folder`
    // holds the store's components as that writer left them, its journal
    // played back. Per component: a working copy without changes since the
    // last commit takes their version; one with changes of its own keeps
    // them when they left the component alone (the next commit journals
    // them). Either way their version becomes the committed one. When both
    // sides changed a component differently nothing is changed and the
    // components are listed in *conflicts (kInvalidArgument). A journal
    // still beside the store afterwards (ours, not played back by them, or
    // theirs, left by a crash) is ended by a checkpoint of every component.
    Status TakeOtherWritersChanges(const std::string& their_folder,
                                   std::vector<std::string>* conflicts);

    bool has_journal() const { return writer_.has_journal(); }
    std::uint64_t journal_bytes() const { return writer_.size_bytes(); }
    // Commits that Recover played back.
    std::size_t replayed_commits() const { return replayed_commits_; }

private:
    struct Component {
        std::string member;
        std::optional<std::string> committed;  // nullopt: no working copy then
        bool journaled = false;                // changed in the journal since the last put
    };

    Status PlayBack(const JournalContents& journal, std::vector<std::string>* touched);
    Status DropUnstoredContainerCommit(JournalContents* journal);
    Status StoreHolds(const CommittedContainer& container, bool* holds);
    Status FindWorkingCopyChanges(const Component& component,
                                  std::vector<ComponentChange>* changes);
    Status CollectChanges(std::vector<ComponentChange>* changes);
    void TakeAsCommitted(const std::vector<ComponentChange>& changes);
    Status CheckpointWith(const std::vector<std::string>& containers);
    Status PutIntoStore(const std::vector<std::string>& names);
    Status SetAside();
    Status ReadWorkingCopy(const std::string& member, std::optional<std::string>* content);
    void Trace(const std::string& line) const;

    filesystem::FileSystem& file_system_;
    DurableComponentsPlaces places_;
    StoreAccess access_;
    DurableComponentsOptions options_;
    std::vector<Component> components_;
    std::unique_ptr<char[]> read_block_;  // for FindWorkingCopyChanges, made once
    StoreIdentity store_identity_;
    ComponentJournalWriter writer_;
    // A commit made with a container stayed in the journal although the
    // container could not be stored: no commit may follow it, the next one
    // is a checkpoint.
    bool checkpoint_before_next_commit_ = false;
    std::size_t replayed_commits_ = 0;
};

}  // namespace kivo::recordstore
