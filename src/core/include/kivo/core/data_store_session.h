// DataStoreSession: the open data store and its working copies.
//
// A data store is one repository file "<folder>/<name>.xrt". While it is open
// its component members are unpacked into the working folder, where the
// lists, editors and telephone functions read and change them. A record
// operation makes its changes durable with CommitChanges (a write-ahead
// journal "<store>-changes" beside the store, played back by the next
// LoadDataStore after a crash); SaveDataStore puts the changed components
// back into the store and removes the journal (on Open, on New and at
// close). The repository engine makes every put crash-safe, so a save never
// loses what the store held before.
// docs/decisions/durable-record-operations.md.
//
// Results are message codes: 0 success; 3 a new store's file already exists;
// 103 the repository refused to give or take members; 105 the store file does
// not exist; 106 a component file was missing at save time (the others are
// still saved); 107 the open store could not be saved, so it stays open
// instead of being switched; 999 an unexpected failure while loading.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/core/store_access.h"
#include "kivo/core/store_fingerprint.h"
#include "kivo/core/store_operation.h"
#include "kivo/recordstore/durable_components.h"
#include "kivo/recordstore/record_index.h"
#include "kivo/repository/kept_directories.h"
#include "kivo/repository/writer_lock.h"

namespace kivo::core {

class ProfileFile;

// The eleven members unpacked on load, in unpacking order (names:
// kivo/recordstore/data_store_layout.h).
const std::array<std::string_view, 11>& UnpackedMembers();
// The ten members put back on save, in saving order (the record logs, the
// index, the phone book, templates, agendas and the answering machine's
// greeting).
const std::array<std::string_view, 10>& SavedMembers();

// Result codes.
enum StoreResult : int {
    kStoreOk = 0,
    kStoreNameExists = 3,
    kStoreRepositoryFailed = 103,
    kStoreMissing = 105,
    kStoreIncomplete = 106,
    kStoreSaveFailed = 107,
    kStoreGetFailed = 111,
    kComponentUnreadable = 112,
    kComponentKindInvalid = 124,
    kComponentImportFailed = 125,
    kStoreSevereError = 999,
};

// 0 a data store is open; 1 the user cancelled choosing one; 2 opening or
// building one failed.
enum class StoreState : int { kOpen = 0, kCancelled = 1, kFailed = 2 };

// Folder and name of a data store.
struct StoreLocation {
    std::filesystem::path folder;
    std::string name;  // without ".xrt"

    // folder / (name + ".xrt")
    std::filesystem::path StorePath() const;

    // Splits a path chosen in the Open dialog: the folder up to the last
    // separator, the name between it and the last dot (empty without a dot).
    static StoreLocation FromOpenedPath(const std::filesystem::path& chosen);
    // As FromOpenedPath, but a path without a dot gives the whole file name.
    static StoreLocation FromNewPath(const std::filesystem::path& chosen);
};

// Repository calls (through the engine's C++ interface) used wherever a
// member goes into or out of a store.
// StorePut: 0, or 103 on failure. StoreGet: 0, or 111. StoreDelete: always 0.
int StorePut(const std::string& store, const std::string& folder,
             std::span<const std::string> names);
int StoreGet(const std::string& store, const std::string& folder,
             std::span<const std::string> names);
int StoreDelete(const std::string& store, std::span<const std::string> names);

// Appends the whole source file to the target (created when missing).
// 0, or 125 when either file cannot be opened or written.
int AppendComponentFile(const std::filesystem::path& target, const std::filesystem::path& source);

// Components that can be copied between stores and files.
enum class ComponentKind : int { kPhoneBook = 0, kTemplates = 1, kAgendas = 2 };

class DataStoreSession {
public:
    // profile and section: where Open and New record the store used last
    // (LastPath, LastFile); null for tools that must not touch the profile.
    DataStoreSession(std::filesystem::path working_folder, ProfileFile* profile = nullptr,
                     std::string profile_section = {});

    const std::filesystem::path& working_folder() const { return working_folder_; }
    const StoreLocation& location() const { return location_; }
    void set_location(StoreLocation location) {
        location_ = std::move(location);
        ++store_generation_;
    }
    std::filesystem::path store_path() const { return location_.StorePath(); }
    // working folder / member
    std::filesystem::path WorkingPath(std::string_view member) const;

    // The store's writer lock, held by the caller across a whole command
    // (kivo/repository/writer_lock.h), or null: every repository call of the
    // session, and of deletion and compaction through store_access(), is
    // then made under it. The lock must outlive its use here. Without one
    // the session takes the lock for each StoreOperation instead.
    void set_writer_lock(const repository::WriterLock* lock) { writer_lock_ = lock; }
    // The repository calls of this session's store: under the command's
    // writer lock, or the running StoreOperation's. Under the operation's
    // lock the store's crash journal is kept idle between calls, and removed
    // by SaveDataStore (checkpoints, close). The store's directory is kept in
    // memory between the session's calls (checked against the file at each).
    StoreAccess store_access() const {
        return StoreAccess(held_lock(), writer_lock_ == nullptr && held_lock() != nullptr,
                           kept_directories_.get());
    }
    // How long a StoreOperation waits for another writer (3 s).
    void set_lock_wait(std::chrono::milliseconds wait) { lock_wait_ = wait; }
    // Why the last StoreOperation was refused ("The data store ... is in use
    // by kivoctl (process 4242)"); empty when it was not.
    const std::string& last_refusal() const { return operation_refusal_; }

    StoreState state() const { return state_; }
    // True once a store has been loaded and not given up since.
    bool has_open_store() const { return has_open_store_; }
    // Changes on every load (LoadDataStore, and so Open and New) and every
    // set_location: a dialog notes it when it opens, and a later difference
    // says that the store it was opened on is no longer the open one, even
    // when the same file was opened again (its working copies were
    // replaced). RecordUpdater refuses to write for such a dialog.
    std::uint64_t store_generation() const { return store_generation_; }

    // Unpacks the store at location() into the working folder and plays
    // back the changes a journal beside it holds (a session that ended
    // without saving). With write access the store then takes them and the
    // journal is removed, and a store that lacks "Voxwren.xra" or
    // "Voxwren.xrl" gains them; read-only access writes nothing but the
    // working copies. 0, 103, 105, 999.
    int LoadDataStore(recordstore::StoreAccess access = recordstore::StoreAccess::kReadWrite);
    // Takes the component files already unpacked into the working folder as
    // the loaded store's: plays back a journal of committed changes found
    // beside the store onto them (and, with write access, into the store).
    // LoadDataStore ends with it; a reader that unpacked the members itself
    // calls it so it sees every committed change. 0 or 103.
    int TakeUnpackedComponents(recordstore::StoreAccess access);
    // True once a store is loaded with its component journal: CommitChanges
    // then makes changes to the working copies durable.
    bool journals_changes() const { return components_ != nullptr; }
    // One past the highest record number in the working record logs (read
    // once per load, then kept up with NoteRecordNumber): the least number a
    // new record of this store may take, whatever the profile says after a
    // power cut lost its last writes. 1 for a store without records.
    std::int32_t RecordNumberFloor();
    void NoteRecordNumber(std::int32_t number);
    // The record index of the working folder ("Voxwren.xri"), one object
    // for as long as the loaded working copies last, so that its scan of
    // the file is kept from one record operation to the next instead of
    // made again by each. It scans again whenever the file is not the one it
    // last scanned or wrote (recordstore/record_index.h).
    recordstore::RecordIndex& record_index();
    // Makes the working copies' changes since the last commit durable (the
    // journal, synced). A record operation calls it before it reports
    // success. 0, or 107 when they could not be made durable (the changes
    // stay in the working copies and go with the next commit or save).
    int CommitChanges();
    // An edit that stores a new version of the working folder's recording
    // `container`: commits the working copies' changes together with it and
    // puts it into the store, as one step across a crash
    // (DurableComponents::CommitWithContainer). 0, or 107 when the container
    // was not stored (the changes are then not committed either).
    int CommitChangesWithContainer(const std::string& container);
    // Puts the components that changed since the store last took them back
    // into the store with one put and removes the journal. 0, 103 or 106
    // (a component file is missing; the others are still saved).
    int SaveDataStore();
    // The save of an idle moment: only when the components it would put are
    // small against the journal (so idle saves keep the store's growth per
    // operation bounded). 0 or 103.
    int SaveWhenWorthwhile();
    // Whether another program (kivoctl, xrrps, a second Kivo) has changed the
    // store since this session's last operation: a stat and a header read,
    // no lock. A state whose changes could not be taken in is not reported
    // again.
    bool ChangedByAnotherProgram() const;
    // Takes another program's changes into the working copies now, so lists
    // show them, when the store's writer lock is free at once (never waits).
    // False when it is held, could not be read, or clashes with changes made
    // here (nothing is written; the next operation says why).
    bool TakeOtherProgramsChanges();
    // The journal of the open store: "<store's real path>-changes".
    std::filesystem::path JournalPath() const;

    // Builds a new, empty store with the record store library and does not
    // load it. The builder's code (0, 101, 102).
    int BuildDataStore(const StoreLocation& location);

    // File > Open: saves the current store, switches to the chosen one and
    // loads it; on success writes LastPath and LastFile. On failure the
    // previously open store (if any) is loaded again and stays the open one;
    // with none, the state becomes kFailed. Returns the load's code, or 107
    // when the current store could not be saved (nothing else changes).
    int Open(const std::filesystem::path& chosen);

    // File > New: 3 when the chosen file exists (nothing changes; the window
    // asks again). Otherwise saves the current store, empties the working
    // folder, builds the new store, loads it and records it in the profile.
    // Failures are handled as in Open. Returns the builder's or load's code.
    int New(const std::filesystem::path& chosen);

    // The user cancelled the Open or New dialog: a store that is open stays
    // open (and will be saved at close); without one the state becomes
    // kCancelled.
    void CancelChoice();

    // Tools > Import > ... > "From Kivo Data Store": unpacks the component
    // from another store into a private temporary folder and appends it to
    // the working copy. 0, 112, 124 or 125.
    int CopyComponentFromStore(const std::filesystem::path& other_store, int kind) const;
    // Tools > Import > ... > "From exported ... file". 0 or 125.
    int ImportComponentFile(ComponentKind kind, const std::filesystem::path& source) const;
    // Tools > Export > ...: copies the working copy over target. False when
    // the copy failed.
    bool ExportComponent(ComponentKind kind, const std::filesystem::path& target) const;

    // Member name of a component kind ("Voxwren.xrb", ".xrc", ".xra").
    static std::string_view ComponentMember(ComponentKind kind);

private:
    friend class StoreOperation;
    const repository::WriterLock* held_lock() const;
    void BeginOperation(bool check_for_other_writers);
    void EndOperation();
    int TakeOtherWritersChanges();
    int LoadUnderLock(recordstore::StoreAccess access);
    int SaveBeforeSwitch();
    int SaveWholeComponents();
    void LocalMissingComponents(std::vector<std::string>& names);
    int LoadAfterSwitch(const StoreLocation& previous, bool had_store);
    void RecordInProfile();
    int AddMissingComponents();

    std::filesystem::path working_folder_;
    ProfileFile* profile_;
    std::string profile_section_;
    StoreLocation location_;
    StoreState state_ = StoreState::kOpen;
    bool has_open_store_ = false;
    std::uint64_t store_generation_ = 0;
    const repository::WriterLock* writer_lock_ = nullptr;
    // The loaded store's components and their journal; null before a load.
    std::unique_ptr<recordstore::DurableComponents> components_;
    std::unique_ptr<repository::KeptDirectories> kept_directories_ =
        std::make_unique<repository::KeptDirectories>();
    // The running StoreOperation: its nesting, its lock (when the session
    // has no command's lock), its result; and the store as the last one
    // left it.
    int operation_depth_ = 0;
    std::optional<repository::WriterLock> operation_lock_;
    bool operation_ok_ = true;
    bool store_was_busy_ = false;  // the last operation found another writer's lock
    std::string operation_refusal_;
    StoreFingerprint known_state_;
    // A state of the store another program left whose changes could not be
    // taken in: not tried again until the store changes once more.
    StoreFingerprint refused_state_;
    std::chrono::milliseconds lock_wait_{3000};
    // The highest record number in the working logs, once read.
    std::optional<std::int32_t> highest_record_number_;
    // The working index, made on first use after each load.
    std::unique_ptr<recordstore::RecordIndex> record_index_;
};

}  // namespace kivo::core
