// PowerLossFileSystem: an in-memory disk that loses unsynced writes.
#include "kivo/filesystem/power_loss_file_system.h"

#include <algorithm>
#include <cerrno>
#include <random>

namespace kivo::filesystem {
namespace {

constexpr std::size_t kSectorBytes = 512;
constexpr std::uint64_t kExt4SuperMagic = 0xEF53;

struct Inode {
    std::vector<std::uint8_t> current;
    std::vector<std::uint8_t> durable;
    std::uint32_t permissions = 0644;
    Timestamp birth_time;
    Timestamp modification_time;
    Timestamp access_time;
    Timestamp change_time;
    std::uint64_t number = 0;
    // Holders of each FileLock, by mode.
    struct LockCount {
        int shared = 0;
        int exclusive = 0;
    };
    LockCount locks[2];
};

using InodePointer = std::shared_ptr<Inode>;
using Namespace = std::map<std::string, InodePointer>;

struct NameChange {
    enum Kind { kLink, kRename, kUnlink } kind;
    std::string from;    // kRename, kUnlink
    std::string to;      // kLink, kRename
    InodePointer inode;  // kLink
};

// Removes repeated and trailing separators: "/a//b/" -> "/a/b".
std::string Normalize(const std::string& path) {
    std::string result;
    for (char c : path) {
        if (c == '/' && !result.empty() && result.back() == '/') {
            continue;
        }
        result.push_back(c);
    }
    while (result.size() > 1 && result.back() == '/') {
        result.pop_back();
    }
    return result;
}

// What the disk holds of one file after the power came back.
std::vector<std::uint8_t> TornContent(const Inode& inode, std::mt19937& random) {
    const std::vector<std::uint8_t>& old_bytes = inode.durable;
    const std::vector<std::uint8_t>& new_bytes = inode.current;
    std::size_t size = old_bytes.size();
    if (new_bytes.size() != old_bytes.size() && (random() & 1) != 0) {
        size = new_bytes.size();
    }
    std::vector<std::uint8_t> result(size);
    for (std::size_t start = 0; start < size; start += kSectorBytes) {
        std::size_t end = std::min(size, start + kSectorBytes);
        bool take_new = (random() & 1) != 0;
        auto garbage = static_cast<std::uint8_t>(random());
        for (std::size_t i = start; i < end; ++i) {
            std::uint8_t old_byte =
                i < old_bytes.size() ? old_bytes[i] : static_cast<std::uint8_t>(garbage + i * 7);
            std::uint8_t new_byte = i < new_bytes.size() ? new_bytes[i] : old_byte;
            result[i] = take_new ? new_byte : old_byte;
        }
    }
    return result;
}

void Replay(Namespace& names, const NameChange& change) {
    switch (change.kind) {
        case NameChange::kLink:
            names[change.to] = change.inode;
            break;
        case NameChange::kRename: {
            auto found = names.find(change.from);
            if (found != names.end()) {
                InodePointer inode = found->second;
                names.erase(found);
                names[change.to] = inode;
            }
            break;
        }
        case NameChange::kUnlink:
            names.erase(change.from);
            break;
    }
}

}  // namespace

struct PowerLossFileSystem::Disk {
    Namespace names;
    Namespace durable_names;
    std::vector<NameChange> pending;
    std::set<std::string> directories{"/"};
    std::uint64_t crash_at = 0;
    std::uint64_t changes = 0;
    bool down = false;
    std::uint64_t generation = 1;
    std::uint64_t volume_type = kExt4SuperMagic;
    std::int64_t clock_seconds = 1700000000;
    std::uint64_t next_inode = 1;

    enum class Verdict { kProceed, kDown, kCrashNow };

    // Counts one changing call. kCrashNow: the machine goes down with this call.
    Verdict Change() {
        if (down) {
            return Verdict::kDown;
        }
        ++changes;
        if (crash_at != 0 && changes >= crash_at) {
            down = true;
            return Verdict::kCrashNow;
        }
        return Verdict::kProceed;
    }

    Timestamp Now() { return Timestamp{++clock_seconds, 0}; }

    bool ParentExists(const std::string& path) const {
        return directories.count(ParentDirectory(path)) != 0;
    }

    InodePointer NewInode() {
        auto inode = std::make_shared<Inode>();
        inode->number = next_inode++;
        inode->birth_time = inode->modification_time = inode->access_time = inode->change_time =
            Now();
        return inode;
    }
};

namespace {

using Disk = PowerLossFileSystem::Disk;
using Verdict = Disk::Verdict;

class MemoryFile final : public File {
public:
    MemoryFile(std::shared_ptr<Disk> disk, InodePointer inode, bool writable)
        : disk_(std::move(disk)),
          inode_(std::move(inode)),
          generation_(disk_->generation),
          writable_(writable) {}

    ~MemoryFile() override {
        Unlock(FileLock::kWriter);
        Unlock(FileLock::kAccess);
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    FsResult<std::size_t> Read(void* data, std::size_t size_bytes) override {
        FsResult<std::size_t> result = ReadAt(position_, data, size_bytes);
        if (result.ok()) {
            position_ += result.value;
        }
        return result;
    }

    FsResult<std::size_t> ReadAt(std::uint64_t offset, void* data,
                                 std::size_t size_bytes) override {
        if (!Alive() || disk_->down) {
            return FsResult<std::size_t>::Failure(EIO);
        }
        const std::vector<std::uint8_t>& bytes = inode_->current;
        if (offset >= bytes.size()) {
            return {FsStatus::Ok(), 0};
        }
        std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(size_bytes, bytes.size() - offset));
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), count,
                    static_cast<std::uint8_t*>(data));
        return {FsStatus::Ok(), count};
    }

    FsResult<std::size_t> Write(const void* data, std::size_t size_bytes) override {
        FsResult<std::size_t> result = WriteAt(position_, data, size_bytes);
        if (result.ok()) {
            position_ += result.value;
        }
        return result;
    }

    FsResult<std::size_t> WriteAt(std::uint64_t offset, const void* data,
                                  std::size_t size_bytes) override {
        if (!Alive()) {
            return FsResult<std::size_t>::Failure(EIO);
        }
        if (!writable_) {
            return FsResult<std::size_t>::Failure(EBADF);
        }
        Verdict verdict = disk_->Change();
        if (verdict == Verdict::kDown) {
            return FsResult<std::size_t>::Failure(EIO);
        }
        // The write that brings the machine down may still reach the cache.
        std::vector<std::uint8_t>& bytes = inode_->current;
        if (offset + size_bytes > bytes.size()) {
            bytes.resize(static_cast<std::size_t>(offset + size_bytes));
        }
        const auto* source = static_cast<const std::uint8_t*>(data);
        std::copy_n(source, size_bytes, bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        inode_->modification_time = inode_->change_time = disk_->Now();
        if (verdict == Verdict::kCrashNow) {
            return FsResult<std::size_t>::Failure(EIO);
        }
        return {FsStatus::Ok(), size_bytes};
    }

    FsResult<std::uint64_t> Seek(std::uint64_t offset) override {
        if (!Alive() || disk_->down) {
            return FsResult<std::uint64_t>::Failure(EIO);
        }
        position_ = offset;
        return {FsStatus::Ok(), position_};
    }

    FsResult<std::uint64_t> Position() override {
        if (!Alive() || disk_->down) {
            return FsResult<std::uint64_t>::Failure(EIO);
        }
        return {FsStatus::Ok(), position_};
    }

    FsStatus Truncate(std::uint64_t size_bytes) override {
        if (!Alive()) {
            return FsStatus::Error(EIO);
        }
        if (!writable_) {
            return FsStatus::Error(EINVAL);
        }
        if (disk_->Change() != Verdict::kProceed) {
            return FsStatus::Error(EIO);
        }
        inode_->current.resize(static_cast<std::size_t>(size_bytes));
        inode_->modification_time = inode_->change_time = disk_->Now();
        return FsStatus::Ok();
    }

    FsStatus Sync() override {
        if (!Alive() || disk_->Change() != Verdict::kProceed) {
            return FsStatus::Error(EIO);
        }
        inode_->durable = inode_->current;
        return FsStatus::Ok();
    }

    FsResult<FileInfo> Stat() override {
        if (!Alive() || disk_->down) {
            return FsResult<FileInfo>::Failure(EIO);
        }
        return {FsStatus::Ok(), Describe(*inode_)};
    }

    FsStatus SetTimes(const FileTimes& times) override {
        if (!Alive() || disk_->down) {
            return FsStatus::Error(EIO);
        }
        inode_->access_time = times.access_time;
        inode_->modification_time = times.modification_time;
        inode_->change_time = disk_->Now();
        return FsStatus::Ok();
    }

    FsStatus SetPermissions(std::uint32_t permissions) override {
        if (!Alive() || disk_->down) {
            return FsStatus::Error(EIO);
        }
        inode_->permissions = permissions & 07777;
        inode_->change_time = disk_->Now();
        return FsStatus::Ok();
    }

    // A name for the file's inode, made durable by SyncDirectory like any
    // other name.
    FsStatus LinkAs(const std::string& raw_path) override {
        if (!Alive()) {
            return FsStatus::Error(EIO);
        }
        const std::string path = Normalize(raw_path);
        if (disk_->directories.count(path) != 0 || disk_->names.count(path) != 0) {
            return FsStatus::Error(EEXIST);
        }
        if (!disk_->ParentExists(path)) {
            return FsStatus::Error(ENOENT);
        }
        if (disk_->Change() != Verdict::kProceed) {
            return FsStatus::Error(EIO);
        }
        disk_->names[path] = inode_;
        disk_->pending.push_back(NameChange{NameChange::kLink, {}, path, inode_});
        return FsStatus::Ok();
    }

    // flock and open-file-description locks: per open file, so a second
    // MemoryFile on the same inode conflicts as a second process would.
    FsStatus TryLock(FileLock lock, LockMode mode) override {
        if (!Alive()) {
            return FsStatus::Error(EIO);
        }
        if (lock == FileLock::kAccess && mode == LockMode::kExclusive && !writable_) {
            return FsStatus::Error(EBADF);
        }
        Inode::LockCount& count = Count(lock);
        std::optional<LockMode>& held = Held(lock);
        const int others_shared = count.shared - (held == LockMode::kShared ? 1 : 0);
        const int others_exclusive = count.exclusive - (held == LockMode::kExclusive ? 1 : 0);
        const bool conflict = mode == LockMode::kExclusive ? others_shared + others_exclusive > 0
                                                           : others_exclusive > 0;
        if (conflict) {
            return FsStatus::Error(EWOULDBLOCK);
        }
        Unlock(lock);
        (mode == LockMode::kExclusive ? count.exclusive : count.shared) += 1;
        held = mode;
        return FsStatus::Ok();
    }

    void Unlock(FileLock lock) override {
        std::optional<LockMode>& held = Held(lock);
        if (held && Alive()) {
            Inode::LockCount& count = Count(lock);
            (*held == LockMode::kExclusive ? count.exclusive : count.shared) -= 1;
        }
        held.reset();
    }

    // One process uses this disk, and record locks never conflict within a
    // process: a lock is granted at once while the file and the machine live.
    FsStatus LockRange(RangeLockKind, std::uint64_t, std::uint64_t) override {
        return Alive() && !disk_->down ? FsStatus::Ok() : FsStatus::Error(EIO);
    }

    FsStatus UnlockRange(std::uint64_t, std::uint64_t) override {
        return Alive() && !disk_->down ? FsStatus::Ok() : FsStatus::Error(EIO);
    }

    static FileInfo Describe(const Inode& inode) {
        FileInfo info;
        info.type = FileType::kRegular;
        info.size_bytes = inode.current.size();
        info.permissions = inode.permissions;
        info.birth_time = inode.birth_time;
        info.modification_time = inode.modification_time;
        info.access_time = inode.access_time;
        info.change_time = inode.change_time;
        info.device = 1;
        info.inode = inode.number;
        return info;
    }

private:
    // Files opened before a power loss belong to a process that is gone.
    bool Alive() const { return disk_->generation == generation_; }
    Inode::LockCount& Count(FileLock lock) { return inode_->locks[static_cast<int>(lock)]; }
    std::optional<LockMode>& Held(FileLock lock) { return held_[static_cast<int>(lock)]; }

    std::shared_ptr<Disk> disk_;
    InodePointer inode_;
    std::uint64_t generation_;
    bool writable_;
    std::optional<LockMode> held_[2];
    std::uint64_t position_ = 0;
};

}  // namespace

PowerLossFileSystem::PowerLossFileSystem() : disk_(std::make_shared<Disk>()) {}
PowerLossFileSystem::~PowerLossFileSystem() = default;

void PowerLossFileSystem::CrashAtChange(std::uint64_t nth) {
    disk_->crash_at = nth;
    disk_->changes = 0;
}

std::uint64_t PowerLossFileSystem::changes_counted() const {
    return disk_->changes;
}

bool PowerLossFileSystem::crashed() const {
    return disk_->down;
}

void PowerLossFileSystem::PowerLoss(PowerLossStyle style, std::uint32_t seed) {
    Disk& disk = *disk_;
    std::mt19937 random(seed);
    if (style == PowerLossStyle::kKeepEverything) {
        disk.durable_names = disk.names;
    } else if (style == PowerLossStyle::kTearUnsynced && !disk.pending.empty()) {
        std::size_t kept = random() % (disk.pending.size() + 1);
        for (std::size_t i = 0; i < kept; ++i) {
            Replay(disk.durable_names, disk.pending[i]);
        }
    }
    std::set<Inode*> done;
    for (auto& [name, inode] : disk.durable_names) {
        if (!done.insert(inode.get()).second) {
            continue;
        }
        switch (style) {
            case PowerLossStyle::kKeepEverything:
                inode->durable = inode->current;
                break;
            case PowerLossStyle::kTearUnsynced:
                inode->durable = TornContent(*inode, random);
                break;
            case PowerLossStyle::kDropUnsynced:
                break;
        }
        inode->current = inode->durable;
        inode->locks[0] = inode->locks[1] = Inode::LockCount{};
    }
    disk.names = disk.durable_names;
    disk.pending.clear();
    disk.down = false;
    disk.crash_at = 0;
    disk.changes = 0;
    ++disk.generation;
}

void PowerLossFileSystem::WriteDurableFile(const std::string& raw_path,
                                           const std::vector<std::uint8_t>& bytes) {
    std::string path = Normalize(raw_path);
    for (std::string parent = ParentDirectory(path); parent != "/" && parent != ".";
         parent = ParentDirectory(parent)) {
        disk_->directories.insert(parent);
    }
    InodePointer& inode = disk_->names[path];
    if (!inode) {
        inode = disk_->NewInode();
    }
    inode->current = inode->durable = bytes;
    disk_->durable_names[path] = inode;
}

std::optional<std::vector<std::uint8_t>> PowerLossFileSystem::FileBytes(
    const std::string& path) const {
    auto found = disk_->names.find(Normalize(path));
    if (found == disk_->names.end()) {
        return std::nullopt;
    }
    return found->second->current;
}

bool PowerLossFileSystem::Exists(const std::string& path) const {
    std::string normal = Normalize(path);
    return disk_->names.count(normal) != 0 || disk_->directories.count(normal) != 0;
}

void PowerLossFileSystem::SetPermissions(const std::string& path, std::uint32_t permissions) {
    auto found = disk_->names.find(Normalize(path));
    if (found != disk_->names.end()) {
        found->second->permissions = permissions & 07777;
    }
}

void PowerLossFileSystem::set_volume_type(std::uint64_t type_magic) {
    disk_->volume_type = type_magic;
}

FsResult<std::unique_ptr<File>> PowerLossFileSystem::Open(const std::string& raw_path,
                                                          const OpenOptions& options) {
    using Result = FsResult<std::unique_ptr<File>>;
    Disk& disk = *disk_;
    if (disk.down) {
        return Result::Failure(EIO);
    }
    std::string path = Normalize(raw_path);
    if (disk.directories.count(path) != 0) {
        return Result::Failure(EISDIR);
    }
    if (!disk.ParentExists(path)) {
        return Result::Failure(ENOENT);
    }
    auto found = disk.names.find(path);
    bool exists = found != disk.names.end();
    if (exists && options.creation == Creation::kCreateNew) {
        return Result::Failure(EEXIST);
    }
    if (!exists && options.creation == Creation::kOpenExisting) {
        return Result::Failure(ENOENT);
    }
    InodePointer inode;
    if (exists) {
        inode = found->second;
        if (options.access == Access::kReadWrite && (inode->permissions & 0200) == 0) {
            return Result::Failure(EACCES);
        }
    } else {
        if (disk.Change() != Verdict::kProceed) {
            return Result::Failure(EIO);
        }
        inode = disk.NewInode();
        inode->permissions = options.permissions & 0755;  // a umask of 022
        disk.names[path] = inode;
        disk.pending.push_back(NameChange{NameChange::kLink, {}, path, inode});
    }
    auto file = std::make_unique<MemoryFile>(disk_, inode, options.access == Access::kReadWrite);
    if (options.exclusive_lock) {
        if (FsStatus locked = file->TryLock(FileLock::kWriter, LockMode::kExclusive);
            !locked.ok()) {
            return Result::Failure(locked.error_number());
        }
    }
    if (exists && options.creation == Creation::kCreateOrTruncate) {
        FsStatus truncated = file->Truncate(0);
        if (!truncated.ok()) {
            return Result::Failure(truncated.error_number());
        }
    }
    return {FsStatus::Ok(), std::move(file)};
}

FsResult<std::unique_ptr<File>> PowerLossFileSystem::CreateUnnamed(const std::string& raw_folder,
                                                                   std::uint32_t permissions) {
    using Result = FsResult<std::unique_ptr<File>>;
    Disk& disk = *disk_;
    if (disk.down) {
        return Result::Failure(EIO);
    }
    if (disk.directories.count(Normalize(raw_folder)) == 0) {
        return Result::Failure(ENOENT);
    }
    if (disk.Change() != Verdict::kProceed) {
        return Result::Failure(EIO);
    }
    InodePointer inode = disk.NewInode();
    inode->permissions = permissions & 0755;  // a umask of 022
    return {FsStatus::Ok(), std::make_unique<MemoryFile>(disk_, inode, true)};
}

FsResult<FileInfo> PowerLossFileSystem::Stat(const std::string& raw_path, bool) {
    if (disk_->down) {
        return FsResult<FileInfo>::Failure(EIO);
    }
    std::string path = Normalize(raw_path);
    if (disk_->directories.count(path) != 0) {
        FileInfo info;
        info.type = FileType::kDirectory;
        info.permissions = 0755;
        return {FsStatus::Ok(), info};
    }
    auto found = disk_->names.find(path);
    if (found == disk_->names.end()) {
        return FsResult<FileInfo>::Failure(ENOENT);
    }
    return {FsStatus::Ok(), MemoryFile::Describe(*found->second)};
}

FsResult<ResolvedPath> PowerLossFileSystem::ResolvePath(const std::string& raw_path) {
    if (disk_->down) {
        return FsResult<ResolvedPath>::Failure(EIO);
    }
    std::string path = Normalize(raw_path);
    if (!disk_->ParentExists(path)) {
        return FsResult<ResolvedPath>::Failure(ENOENT);
    }
    // This disk has no symbolic links: every path is its own real path.
    return {FsStatus::Ok(), ResolvedPath{path, {}}};
}

std::optional<LockHolder> PowerLossFileSystem::FindWriterLockHolder(const FileInfo&) {
    return std::nullopt;  // no processes here to name
}

FsResult<VolumeInfo> PowerLossFileSystem::StatVolume(const std::string&) {
    if (disk_->down) {
        return FsResult<VolumeInfo>::Failure(EIO);
    }
    return {FsStatus::Ok(), VolumeInfo{disk_->volume_type}};
}

FsResult<DirectoryListing> PowerLossFileSystem::ListDirectory(const std::string& raw_path) {
    FsResult<DirectoryListing> result;
    std::string path = Normalize(raw_path);
    if (disk_->down || disk_->directories.count(path) == 0) {
        result.status = FsStatus::Error(disk_->down ? EIO : ENOENT);
        result.value.failed_stage = ListingStage::kOpen;
        return result;
    }
    for (const std::string& directory : disk_->directories) {
        if (directory != path && ParentDirectory(directory) == path) {
            result.value.entries.push_back(DirectoryEntry{BaseName(directory), true});
        }
    }
    for (const auto& [name, inode] : disk_->names) {
        if (ParentDirectory(name) == path) {
            result.value.entries.push_back(DirectoryEntry{BaseName(name), false});
        }
    }
    return result;
}

FsStatus PowerLossFileSystem::Rename(const std::string& raw_from, const std::string& raw_to) {
    std::string from = Normalize(raw_from);
    std::string to = Normalize(raw_to);
    if (disk_->down) {
        return FsStatus::Error(EIO);
    }
    if (disk_->names.count(from) == 0) {
        return FsStatus::Error(ENOENT);
    }
    if (disk_->directories.count(to) != 0) {
        return FsStatus::Error(EISDIR);
    }
    if (!disk_->ParentExists(to)) {
        return FsStatus::Error(ENOENT);
    }
    if (disk_->Change() != Verdict::kProceed) {
        return FsStatus::Error(EIO);
    }
    NameChange change{NameChange::kRename, from, to, nullptr};
    Replay(disk_->names, change);
    disk_->pending.push_back(change);
    return FsStatus::Ok();
}

FsStatus PowerLossFileSystem::Unlink(const std::string& raw_path) {
    std::string path = Normalize(raw_path);
    if (disk_->down) {
        return FsStatus::Error(EIO);
    }
    if (disk_->directories.count(path) != 0) {
        return FsStatus::Error(EISDIR);
    }
    if (disk_->names.count(path) == 0) {
        return FsStatus::Error(ENOENT);
    }
    if (disk_->Change() != Verdict::kProceed) {
        return FsStatus::Error(EIO);
    }
    NameChange change{NameChange::kUnlink, path, {}, nullptr};
    Replay(disk_->names, change);
    disk_->pending.push_back(change);
    return FsStatus::Ok();
}

FsStatus PowerLossFileSystem::MakeDirectory(const std::string& raw_path, std::uint32_t) {
    std::string path = Normalize(raw_path);
    if (disk_->down) {
        return FsStatus::Error(EIO);
    }
    if (disk_->directories.count(path) != 0 || disk_->names.count(path) != 0) {
        return FsStatus::Error(EEXIST);
    }
    if (!disk_->ParentExists(path)) {
        return FsStatus::Error(ENOENT);
    }
    disk_->directories.insert(path);
    return FsStatus::Ok();
}

FsStatus PowerLossFileSystem::RemoveDirectory(const std::string& raw_path) {
    std::string path = Normalize(raw_path);
    if (disk_->down) {
        return FsStatus::Error(EIO);
    }
    if (disk_->directories.count(path) == 0) {
        return FsStatus::Error(disk_->names.count(path) != 0 ? ENOTDIR : ENOENT);
    }
    if (path == "/") {
        return FsStatus::Error(EBUSY);
    }
    for (const std::string& directory : disk_->directories) {
        if (directory != path && ParentDirectory(directory) == path) {
            return FsStatus::Error(ENOTEMPTY);
        }
    }
    for (const auto& [name, inode] : disk_->names) {
        if (ParentDirectory(name) == path) {
            return FsStatus::Error(ENOTEMPTY);
        }
    }
    disk_->directories.erase(path);
    return FsStatus::Ok();
}

FsStatus PowerLossFileSystem::SyncDirectory(const std::string& raw_path) {
    if (disk_->directories.count(Normalize(raw_path)) == 0 && !disk_->down) {
        return FsStatus::Error(ENOENT);
    }
    if (disk_->Change() != Verdict::kProceed) {
        return FsStatus::Error(EIO);
    }
    disk_->durable_names = disk_->names;
    disk_->pending.clear();
    return FsStatus::Ok();
}

}  // namespace kivo::filesystem
