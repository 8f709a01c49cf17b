// The open data store: unpacking, saving, switching and component copies.
#include "kivo/core/data_store_session.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <exception>
#include <system_error>
#include <vector>

#include "kivo/core/profile_file.h"
#include "kivo/core/safe_file_io.h"
#include "kivo/core/startup_configuration.h"
#include "kivo/core/working_folder.h"
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/record_log.h"
#include "kivo/repository/engine.h"

namespace kivo::core {
namespace {

using recordstore::BuildResult;
using recordstore::DataStore;
using recordstore::kAgendaLinesName;
using recordstore::kAgendaName;
using recordstore::kDiaryLogName;
using recordstore::kEmptyAgendaText;
using recordstore::kGreetingName;
using recordstore::kIndexName;
using recordstore::kMeetingLogName;
using recordstore::kMessageLogName;
using recordstore::kPhoneBookName;
using recordstore::kPhoneLogName;
using recordstore::kTemplatesName;
using recordstore::kWarningName;
using recordstore::MemberLookup;
using recordstore::NewDataStore;

const std::array<std::string_view, 11> kUnpacked{
    kMessageLogName, kMeetingLogName, kPhoneLogName,    kDiaryLogName, kIndexName,   kPhoneBookName,
    kTemplatesName,  kAgendaName,     kAgendaLinesName, kGreetingName, kWarningName,
};

// The greeting is last: the answering machine's greeting can be replaced by
// the user (a dictation used as greeting) and is kept like any component.
const std::array<std::string_view, 10> kSaved{
    kIndexName,     kDiaryLogName,  kPhoneLogName, kMeetingLogName,  kMessageLogName,
    kTemplatesName, kPhoneBookName, kAgendaName,   kAgendaLinesName, kGreetingName,
};

// Working files removed before another store is unpacked.
const std::array<std::string_view, 7> kRemovedOnSwitch{
    kMeetingLogName, kMessageLogName, kPhoneLogName,  kDiaryLogName,
    kIndexName,      kPhoneBookName,  kTemplatesName,
};

std::vector<std::string> Names(std::span<const std::string> names) {
    return {names.begin(), names.end()};
}

repository::Engine MachineEngine() {
    return repository::Engine(filesystem::DefaultFileSystem());
}

bool IsRegularFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// The store's path with symbolic links resolved, so that every name of the
// store finds the same journal.
std::filesystem::path RealPath(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : real;
}

// "The data store PATH is in use by kivoctl (process 4242)." from the
// repository's RPS01 message, or that message when it says something else.
std::string InUseMessage(const std::filesystem::path& store,
                         const repository::StatusRecord& status) {
    constexpr std::string_view kInUse = "The repository is in use by ";
    const std::string text = status.messages.empty() ? std::string() : status.messages.front().text;
    const std::size_t at = text.find(kInUse);
    if (at == std::string::npos)
        return "The data store " + store.string() + " could not be locked: " + text;
    return "The data store " + store.string() + " is in use by " + text.substr(at + kInUse.size()) +
           ".";
}

// Journal playback is worth a trace line (KIVO_TRACE set: on stderr).
void TraceToStandardError(const std::string& line) {
    if (std::getenv("KIVO_TRACE") != nullptr)
        std::fputs(line.c_str(), stderr);
}

bool Exists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(std::filesystem::symlink_status(path, ec));
}

// A private temporary folder for one component copy, removed on scope exit.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmpdir = std::getenv("TMPDIR");
        std::filesystem::path root = (tmpdir != nullptr && tmpdir[0] == '/') ? tmpdir : "/tmp";
        std::string pattern = (root / "kivoXXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace

const std::array<std::string_view, 11>& UnpackedMembers() {
    return kUnpacked;
}
const std::array<std::string_view, 10>& SavedMembers() {
    return kSaved;
}

std::filesystem::path StoreLocation::StorePath() const {
    return folder / (name + std::string(recordstore::kStoreExtension));
}

StoreLocation StoreLocation::FromOpenedPath(const std::filesystem::path& chosen) {
    StoreLocation location;
    location.folder = chosen.parent_path();
    std::string file = chosen.filename().string();
    std::size_t dot = file.rfind('.');
    location.name = dot == std::string::npos ? std::string() : file.substr(0, dot);
    return location;
}

StoreLocation StoreLocation::FromNewPath(const std::filesystem::path& chosen) {
    StoreLocation location;
    location.folder = chosen.parent_path();
    std::string file = chosen.filename().string();
    std::size_t dot = file.rfind('.');
    location.name = dot == std::string::npos ? file : file.substr(0, dot);
    return location;
}

int StorePut(const std::string& store, const std::string& folder,
             std::span<const std::string> names) {
    return MachineEngine().Put(store, folder, Names(names)).ok() ? kStoreOk
                                                                 : kStoreRepositoryFailed;
}

int StoreGet(const std::string& store, const std::string& folder,
             std::span<const std::string> names) {
    return MachineEngine().Get(store, folder, Names(names)).ok() ? kStoreOk : kStoreGetFailed;
}

int StoreDelete(const std::string& store, std::span<const std::string> names) {
    MachineEngine().Delete(store, Names(names));
    return kStoreOk;
}

int AppendComponentFile(const std::filesystem::path& target, const std::filesystem::path& source) {
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return kComponentImportFailed;
    int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (out < 0) {
        ::close(in);
        return kComponentImportFailed;
    }
    bool ok = CopyAll(in, out);
    ::close(in);
    if (::close(out) != 0)
        ok = false;
    return ok ? kStoreOk : kComponentImportFailed;
}

DataStoreSession::DataStoreSession(std::filesystem::path working_folder, ProfileFile* profile,
                                   std::string profile_section)
    : working_folder_(std::move(working_folder)),
      profile_(profile),
      profile_section_(std::move(profile_section)) {}

std::filesystem::path DataStoreSession::WorkingPath(std::string_view member) const {
    return working_folder_ / member;
}

int DataStoreSession::AddMissingComponents() {
    const std::string store = store_path().string();
    for (std::string_view member : {kAgendaName, kAgendaLinesName}) {
        if (DataStore(store).FindMember(member) != MemberLookup::kAbsent)
            continue;
        if (!ReplaceFileAtomically(WorkingPath(member), kEmptyAgendaText)) {
            return kStoreRepositoryFailed;
        }
        const std::string names[] = {std::string(member)};
        if (!store_access().Put(store, working_folder_.string(), names)) {
            return kStoreRepositoryFailed;
        }
    }
    return kStoreOk;
}

// Read-only access: a component the store lacks is made in the working
// folder only and not asked of the store.
void DataStoreSession::LocalMissingComponents(std::vector<std::string>& names) {
    const std::string store = store_path().string();
    for (std::string_view member : {kAgendaName, kAgendaLinesName}) {
        if (DataStore(store).FindMember(member) != MemberLookup::kAbsent)
            continue;
        if (ReplaceFileAtomically(WorkingPath(member), kEmptyAgendaText))
            std::erase(names, std::string(member));
    }
}

int DataStoreSession::LoadDataStore(recordstore::StoreAccess access) {
    ++store_generation_;
    components_.reset();
    if (access == recordstore::StoreAccess::kReadOnly)
        return LoadUnderLock(access);  // readers take no lock
    StoreOperation operation(*this);
    if (!operation.ok())
        return kStoreRepositoryFailed;
    return LoadUnderLock(access);
}

int DataStoreSession::LoadUnderLock(recordstore::StoreAccess access) {
    try {
        const std::filesystem::path store = store_path();
        if (location_.name.empty() || !IsRegularFile(store))
            return kStoreMissing;
        std::vector<std::string> names(kUnpacked.begin(), kUnpacked.end());
        if (access == recordstore::StoreAccess::kReadWrite) {
            if (int code = AddMissingComponents(); code != kStoreOk)
                return code;
        } else {
            LocalMissingComponents(names);
        }
        if (!store_access().Get(store.string(), working_folder_.string(), names)) {
            return kStoreRepositoryFailed;
        }
        if (int code = TakeUnpackedComponents(access); code != kStoreOk)
            return code;
        has_open_store_ = true;
        state_ = StoreState::kOpen;
        return kStoreOk;
    } catch (const std::exception&) {
        return kStoreSevereError;
    }
}

int DataStoreSession::TakeUnpackedComponents(recordstore::StoreAccess access) {
    const std::filesystem::path store = store_path();
    recordstore::DurableComponentsPlaces places{
        store.string(), JournalPath().string(), working_folder_.string(),
        std::vector<std::string>(kSaved.begin(), kSaved.end())};
    recordstore::DurableComponentsOptions options;
    options.trace = TraceToStandardError;
    // Checkpoints put through the session's store access, so a command
    // holding the store's writer lock puts under it.
    options.put_into_store = [this](const std::vector<std::string>& members) {
        return store_access().Put(store_path().string(), working_folder_.string(), members);
    };
    auto components = std::make_unique<recordstore::DurableComponents>(
        filesystem::DefaultFileSystem(), std::move(places), access, std::move(options));
    if (!components->Recover().ok())
        return kStoreRepositoryFailed;
    components_ = std::move(components);
    highest_record_number_.reset();
    record_index_.reset();
    return kStoreOk;
}

std::int32_t DataStoreSession::RecordNumberFloor() {
    if (!highest_record_number_) {
        std::int32_t highest = 0;
        for (std::string_view log : {recordstore::kMessageLogName, recordstore::kMeetingLogName,
                                     recordstore::kPhoneLogName, recordstore::kDiaryLogName}) {
            // A log that cannot be read holds no number to step over.
            recordstore::RecordLog::ForEachLine(
                WorkingPath(log).string(), [&](const recordstore::RecordLogLine& line) {
                    const std::int32_t number = recordstore::RecordLine::NumberOf(line.bytes);
                    if (number < recordstore::kErasedRecordNumber)
                        highest = std::max(highest, number);
                    return true;
                });
        }
        highest_record_number_ = highest;
    }
    return *highest_record_number_ + 1;
}

recordstore::RecordIndex& DataStoreSession::record_index() {
    const std::string path = WorkingPath(recordstore::kIndexName).string();
    if (record_index_ == nullptr || record_index_->path() != path)
        record_index_ = std::make_unique<recordstore::RecordIndex>(path);
    return *record_index_;
}

void DataStoreSession::NoteRecordNumber(std::int32_t number) {
    if (highest_record_number_)
        highest_record_number_ = std::max(*highest_record_number_, number);
}

std::filesystem::path DataStoreSession::JournalPath() const {
    return recordstore::ComponentJournalPath(RealPath(store_path()).string());
}

int DataStoreSession::CommitChanges() {
    if (components_ == nullptr)
        return kStoreSaveFailed;
    StoreOperation operation(*this);
    if (!operation.ok() || !components_->Commit().ok())
        return kStoreSaveFailed;
    return kStoreOk;
}

int DataStoreSession::CommitChangesWithContainer(const std::string& container) {
    if (components_ == nullptr)
        return kStoreSaveFailed;
    StoreOperation operation(*this);
    if (!operation.ok() || !components_->CommitWithContainer(container).ok())
        return kStoreSaveFailed;
    return kStoreOk;
}

// Without a loaded store (a working folder filled by hand) every component
// file present is put.
int DataStoreSession::SaveWholeComponents() {
    std::vector<std::string> present;
    for (std::string_view member : kSaved) {
        if (IsRegularFile(WorkingPath(member)))
            present.emplace_back(member);
    }
    if (!present.empty() &&
        !store_access().Put(store_path().string(), working_folder_.string(), present)) {
        return kStoreRepositoryFailed;
    }
    return kStoreOk;
}

int DataStoreSession::SaveDataStore() {
    StoreOperation operation(*this);
    if (!operation.ok())
        return kStoreRepositoryFailed;
    int result = kStoreOk;
    for (std::string_view member : kSaved) {
        if (!IsRegularFile(WorkingPath(member)))
            result = kStoreIncomplete;
    }
    const bool saved =
        components_ != nullptr ? components_->Checkpoint().ok() : SaveWholeComponents() == kStoreOk;
    // After a checkpoint the store holds everything on its own, with no
    // side file: the crash journal the operations kept idle goes too.
    if (saved && writer_lock_ == nullptr)
        store_access().DiscardIdleJournal(store_path().string());
    return saved ? result : kStoreRepositoryFailed;
}

int DataStoreSession::SaveWhenWorthwhile() {
    // Nothing journaled, nothing to do: an idle moment takes no lock.
    if (components_ == nullptr || !components_->has_journal())
        return kStoreOk;
    StoreOperation operation(*this);
    if (operation.ok() && components_ != nullptr && components_->CheckpointWhenWorthwhile().ok())
        return kStoreOk;
    return kStoreRepositoryFailed;
}

bool DataStoreSession::ChangedByAnotherProgram() const {
    if (!has_open_store_ || components_ == nullptr || writer_lock_ != nullptr ||
        operation_depth_ > 0)
        return false;
    const StoreFingerprint now = ReadStoreFingerprint(store_path());
    return now.readable && now != known_state_ && now != refused_state_;
}

bool DataStoreSession::TakeOtherProgramsChanges() {
    const std::chrono::milliseconds usual_wait = lock_wait_;
    lock_wait_ = std::chrono::milliseconds(0);
    bool taken = false;
    {
        StoreOperation operation(*this);
        taken = operation.ok();
    }
    lock_wait_ = usual_wait;
    // A store held by its writer is tried again at the next call; one whose
    // changes could not be taken is not, until it changes again.
    if (!taken && !store_was_busy_)
        refused_state_ = ReadStoreFingerprint(store_path());
    return taken;
}

const repository::WriterLock* DataStoreSession::held_lock() const {
    if (writer_lock_ != nullptr)
        return writer_lock_;
    return operation_lock_ ? &*operation_lock_ : nullptr;
}

void DataStoreSession::BeginOperation(bool check_for_other_writers) {
    if (operation_depth_++ > 0)
        return;
    operation_ok_ = true;
    store_was_busy_ = false;
    operation_refusal_.clear();
    const std::filesystem::path store = store_path();
    // A command's lock covers the whole command; a missing store has no
    // lock to take (the operation's own calls fail and say so).
    if (writer_lock_ != nullptr || location_.name.empty() || !IsRegularFile(store))
        return;
    repository::WriterLockOptions options;
    options.wait = lock_wait_;
    repository::WriterLock lock =
        repository::WriterLock::Acquire(filesystem::DefaultFileSystem(), store.string(), options);
    store_was_busy_ = !lock.held();
    if (!lock.held()) {
        operation_ok_ = false;
        operation_refusal_ = InUseMessage(store, lock.status());
        return;
    }
    operation_lock_.emplace(std::move(lock));
    if (!check_for_other_writers || components_ == nullptr ||
        ReadStoreFingerprint(store) == known_state_) {
        return;
    }
    if (TakeOtherWritersChanges() != kStoreOk)
        operation_ok_ = false;
}

void DataStoreSession::EndOperation() {
    if (--operation_depth_ > 0)
        return;
    if (operation_lock_) {
        // Still under the lock: this is the state no one else has touched.
        known_state_ = ReadStoreFingerprint(store_path());
        operation_lock_.reset();
    }
}

int DataStoreSession::TakeOtherWritersChanges() {
    highest_record_number_.reset();  // another writer may have added records
    record_index_.reset();           // and entries
    const std::filesystem::path store = store_path();
    TraceToStandardError("Data store changed by another program: taking its changes\n");
    ScratchFolder scratch;
    const std::vector<std::string> names(kSaved.begin(), kSaved.end());
    if (scratch.path().empty() ||
        !store_access().Get(store.string(), scratch.path().string(), names)) {
        operation_refusal_ = "The data store " + store.string() +
                             " was changed by another program and could not be read again.";
        return kStoreRepositoryFailed;
    }
    // Their journal, should they have left one, is part of their state.
    recordstore::DurableComponents theirs(
        filesystem::DefaultFileSystem(),
        {store.string(), JournalPath().string(), scratch.path().string(), names},
        recordstore::StoreAccess::kReadOnly);
    std::vector<std::string> conflicts;
    if (!theirs.Recover().ok() ||
        !components_->TakeOtherWritersChanges(scratch.path().string(), &conflicts).ok()) {
        operation_refusal_ = "The data store " + store.string() + " was changed by another program";
        if (conflicts.empty()) {
            operation_refusal_ += " and could not be read again.";
        } else {
            std::string list;
            for (const std::string& member : conflicts)
                list += (list.empty() ? "" : ", ") + member;
            operation_refusal_ += " while changes made here to " + list +
                                  " were not yet saved; nothing was written. Open the data "
                                  "store again to work on its current state.";
        }
        return kStoreSaveFailed;
    }
    return kStoreOk;
}

int DataStoreSession::BuildDataStore(const StoreLocation& location) {
    // A journal left beside a store of this name that is gone belongs to
    // none: it must never be played back onto the new store.
    if (!Exists(location.StorePath())) {
        std::error_code ec;
        std::filesystem::remove(
            recordstore::ComponentJournalPath(RealPath(location.StorePath()).string()), ec);
    }
    try {
        const NewDataStore request{
            location.folder.string(), location.name, working_folder_.string(),
            DataStore::ProgramResourceFolder(filesystem::DefaultFileSystem())};
        return static_cast<int>(DataStore::Build(request));
    } catch (const std::exception&) {
        return static_cast<int>(BuildResult::kStoreFailed);
    }
}

void DataStoreSession::RecordInProfile() {
    if (profile_ == nullptr)
        return;
    profile_->Write(profile_section_, profile_key::kLastPath, location_.folder.string());
    profile_->Write(profile_section_, profile_key::kLastFile, location_.name);
}

int DataStoreSession::SaveBeforeSwitch() {
    if (!has_open_store_)
        return kStoreOk;
    // A store whose members could not be put back stays open: switching now
    // would throw its changes away.
    if (SaveDataStore() == kStoreRepositoryFailed)
        return kStoreSaveFailed;
    return kStoreOk;
}

int DataStoreSession::LoadAfterSwitch(const StoreLocation& previous, bool had_store) {
    int code = LoadDataStore();
    if (code == kStoreOk) {
        RecordInProfile();
        return kStoreOk;
    }
    // Fall back to the store that was open; it was saved before the switch.
    has_open_store_ = false;
    components_.reset();
    location_ = previous;
    if (had_store && LoadDataStore() == kStoreOk)
        return code;
    has_open_store_ = false;
    state_ = StoreState::kFailed;
    return code;
}

int DataStoreSession::Open(const std::filesystem::path& chosen) {
    if (int code = SaveBeforeSwitch(); code != kStoreOk)
        return code;
    for (std::string_view member : kRemovedOnSwitch) {
        std::error_code ec;
        std::filesystem::remove(WorkingPath(member), ec);
    }
    const StoreLocation previous = location_;
    const bool had_store = has_open_store_;
    location_ = StoreLocation::FromOpenedPath(chosen);
    return LoadAfterSwitch(previous, had_store);
}

int DataStoreSession::New(const std::filesystem::path& chosen) {
    StoreLocation target = StoreLocation::FromNewPath(chosen);
    if (Exists(chosen) || Exists(target.StorePath()))
        return kStoreNameExists;
    if (int code = SaveBeforeSwitch(); code != kStoreOk)
        return code;
    DeleteMatchingIn(working_folder_, "*.*");
    const StoreLocation previous = location_;
    const bool had_store = has_open_store_;
    if (int code = BuildDataStore(target); code > 0) {
        has_open_store_ = false;
        components_.reset();
        if (had_store && LoadDataStore() == kStoreOk)
            return code;
        state_ = StoreState::kFailed;
        return code;
    }
    location_ = target;
    return LoadAfterSwitch(previous, had_store);
}

void DataStoreSession::CancelChoice() {
    if (!has_open_store_)
        state_ = StoreState::kCancelled;
}

std::string_view DataStoreSession::ComponentMember(ComponentKind kind) {
    switch (kind) {
        case ComponentKind::kPhoneBook:
            return kPhoneBookName;
        case ComponentKind::kTemplates:
            return kTemplatesName;
        case ComponentKind::kAgendas:
            return kAgendaName;
    }
    return kPhoneBookName;
}

int DataStoreSession::CopyComponentFromStore(const std::filesystem::path& other_store,
                                             int kind) const {
    if (kind < 0 || kind > 2)
        return kComponentKindInvalid;
    const std::string_view member = ComponentMember(static_cast<ComponentKind>(kind));
    ScratchFolder scratch;
    if (scratch.path().empty())
        return kComponentImportFailed;
    const std::string names[] = {std::string(member)};
    if (StoreGet(other_store.string(), scratch.path().string(), names) != kStoreOk ||
        !IsRegularFile(scratch.path() / member)) {
        return kComponentUnreadable;
    }
    return AppendComponentFile(WorkingPath(member), scratch.path() / member);
}

int DataStoreSession::ImportComponentFile(ComponentKind kind,
                                          const std::filesystem::path& source) const {
    return AppendComponentFile(WorkingPath(ComponentMember(kind)), source);
}

bool DataStoreSession::ExportComponent(ComponentKind kind,
                                       const std::filesystem::path& target) const {
    return CopyFileAtomically(WorkingPath(ComponentMember(kind)), target);
}

}  // namespace kivo::core
