// The component journal: see component_journal.h.
#include "kivo/recordstore/component_journal.h"

#include <cerrno>
#include <cstring>

#include "journal/journal_bytes.h"

namespace kivo::recordstore {
namespace {

using filesystem::Access;
using filesystem::Creation;
using filesystem::File;
using filesystem::FileSystem;
using filesystem::FsStatus;
using filesystem::OpenOptions;

constexpr char kHeaderMagic[8] = {'K', 'I', 'V', 'O', 'C', 'H', 'G', '1'};
constexpr char kCommitMagic[4] = {'C', 'M', 'I', 'T'};
// A commit made together with a recording container.
constexpr char kContainerCommitMagic[4] = {'C', 'M', 'T', 'C'};
constexpr std::size_t kCommitPrefixBytes = 16;  // magic, body length, sequence
constexpr std::size_t kChecksumBytes = 8;
constexpr std::size_t kMaxMemberNameBytes = 255;

Status FsFailure(const std::string& what, const FsStatus& status) {
    return Status::IoError(what + ": " + status.Describe());
}

// Reads exactly size bytes at offset; false at a short read (end of file).
Status ReadAtExactly(File& file, std::uint64_t offset, void* data, std::size_t size, bool* whole) {
    auto read = file.ReadAt(offset, data, size);
    if (!read.ok())
        return Status::IoError("reading the component journal: " + read.status.Describe());
    *whole = read.value == size;
    return Status::Ok();
}

bool ValidHeader(const std::string& header, StoreIdentity* store) {
    if (header.size() != kJournalHeaderBytes ||
        std::memcmp(header.data(), kHeaderMagic, sizeof kHeaderMagic) != 0 ||
        journal_bytes::GetU64(header.data() + 24) != journal_bytes::Fnv1a64(header.data(), 24)) {
        return false;
    }
    store->device = journal_bytes::GetU64(header.data() + 8);
    store->inode = journal_bytes::GetU64(header.data() + 16);
    return true;
}

// A member name as a journal may carry it: a plain file name.
bool PlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        if (c == '/' || c == '\0')
            return false;
    }
    return true;
}

// Parses the container a commit was made with; false when it is no plain
// member name.
bool ParseContainer(journal_bytes::Reader& reader, CommittedContainer* container) {
    std::uint8_t name_bytes = 0;
    return reader.U8(&name_bytes) && reader.Text(name_bytes, &container->member) &&
           PlainName(container->member) && reader.U64(&container->size_bytes) &&
           reader.U64(&container->checksum);
}

// Parses a commit body; false when it does not hold together.
bool ParseBody(const char* body, std::size_t size, bool with_container, JournalCommit* commit) {
    journal_bytes::Reader reader(body, size);
    if (with_container && !ParseContainer(reader, &commit->container.emplace()))
        return false;
    std::vector<ComponentChange>* changes = &commit->changes;
    std::uint32_t count = 0;
    if (!reader.U32(&count))
        return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        ComponentChange change;
        std::uint8_t name_bytes = 0;
        std::uint32_t byte_count = 0;
        if (!reader.U8(&name_bytes) || !reader.Text(name_bytes, &change.member) ||
            !reader.U64(&change.offset_bytes) || !reader.U64(&change.new_size_bytes) ||
            !reader.U32(&byte_count) || !reader.Text(byte_count, &change.bytes)) {
            return false;
        }
        if (!PlainName(change.member) || change.new_size_bytes > kMaxJournaledComponentBytes ||
            change.offset_bytes > change.new_size_bytes ||
            change.bytes.size() > change.new_size_bytes - change.offset_bytes) {
            return false;
        }
        changes->push_back(std::move(change));
    }
    return reader.AtEnd();
}

// Reads the commit at offset; false (and no error) when it is not a whole,
// valid commit of the expected sequence number.
Status ReadCommit(File& file, std::uint64_t offset, std::uint64_t file_bytes,
                  std::uint64_t sequence, JournalCommit* commit, std::uint64_t* commit_bytes,
                  bool* valid) {
    *valid = false;
    char prefix[kCommitPrefixBytes];
    bool whole = false;
    if (Status read = ReadAtExactly(file, offset, prefix, sizeof prefix, &whole); !read.ok())
        return read;
    const bool plain = std::memcmp(prefix, kCommitMagic, sizeof kCommitMagic) == 0;
    const bool with_container =
        std::memcmp(prefix, kContainerCommitMagic, sizeof kContainerCommitMagic) == 0;
    if (!whole || !(plain || with_container) || journal_bytes::GetU64(prefix + 8) != sequence)
        return Status::Ok();
    const std::uint64_t body_bytes = journal_bytes::GetU32(prefix + 4);
    const std::uint64_t total = kCommitPrefixBytes + body_bytes + kChecksumBytes;
    if (body_bytes > kMaxJournalCommitBodyBytes || total > file_bytes - offset)
        return Status::Ok();
    std::string rest(static_cast<std::size_t>(body_bytes + kChecksumBytes), '\0');
    if (Status read =
            ReadAtExactly(file, offset + kCommitPrefixBytes, rest.data(), rest.size(), &whole);
        !read.ok()) {
        return read;
    }
    journal_bytes::Fnv1a64Hash hash;
    hash.Add(prefix, sizeof prefix);
    hash.Add(rest.data(), static_cast<std::size_t>(body_bytes));
    if (!whole || hash.value() != journal_bytes::GetU64(rest.data() + body_bytes))
        return Status::Ok();
    *commit = JournalCommit{};
    commit->sequence = sequence;
    if (!ParseBody(rest.data(), static_cast<std::size_t>(body_bytes), with_container, commit))
        return Status::Ok();
    *commit_bytes = total;
    *valid = true;
    return Status::Ok();
}

}  // namespace

std::string ComponentJournalPath(const std::string& real_store_path) {
    return real_store_path + "-changes";
}

std::string EncodeJournalHeader(const StoreIdentity& store) {
    std::string header(kHeaderMagic, sizeof kHeaderMagic);
    journal_bytes::PutU64(&header, store.device);
    journal_bytes::PutU64(&header, store.inode);
    journal_bytes::PutU64(&header, journal_bytes::Fnv1a64(header.data(), header.size()));
    return header;
}

CommittedContainer DescribeContainer(const std::string& member, const std::string& bytes) {
    return {member, bytes.size(), journal_bytes::Fnv1a64(bytes.data(), bytes.size())};
}

std::string EncodeJournalCommit(std::uint64_t sequence, const std::vector<ComponentChange>& changes,
                                const CommittedContainer* container) {
    std::string body;
    if (container != nullptr) {
        const std::size_t name_bytes = std::min(container->member.size(), kMaxMemberNameBytes);
        body.push_back(static_cast<char>(name_bytes));
        body.append(container->member, 0, name_bytes);
        journal_bytes::PutU64(&body, container->size_bytes);
        journal_bytes::PutU64(&body, container->checksum);
    }
    journal_bytes::PutU32(&body, static_cast<std::uint32_t>(changes.size()));
    for (const ComponentChange& change : changes) {
        const std::size_t name_bytes = std::min(change.member.size(), kMaxMemberNameBytes);
        body.push_back(static_cast<char>(name_bytes));
        body.append(change.member, 0, name_bytes);
        journal_bytes::PutU64(&body, change.offset_bytes);
        journal_bytes::PutU64(&body, change.new_size_bytes);
        journal_bytes::PutU32(&body, static_cast<std::uint32_t>(change.bytes.size()));
        body += change.bytes;
    }
    std::string commit = container != nullptr
                             ? std::string(kContainerCommitMagic, sizeof kContainerCommitMagic)
                             : std::string(kCommitMagic, sizeof kCommitMagic);
    journal_bytes::PutU32(&commit, static_cast<std::uint32_t>(body.size()));
    journal_bytes::PutU64(&commit, sequence);
    commit += body;
    journal_bytes::PutU64(&commit, journal_bytes::Fnv1a64(commit.data(), commit.size()));
    return commit;
}

Status ReadComponentJournal(FileSystem& file_system, const std::string& path,
                            JournalContents* contents) {
    *contents = JournalContents{};
    auto opened = file_system.Open(path, OpenOptions{Access::kRead, Creation::kOpenExisting});
    if (!opened.ok()) {
        if (opened.status.error_number() == ENOENT)
            return Status::Ok();
        return FsFailure("opening " + path, opened.status);
    }
    File& file = *opened.value;
    contents->exists = true;
    auto info = file.Stat();
    if (!info.ok())
        return FsFailure("reading " + path, info.status);
    contents->file_bytes = info.value.size_bytes;

    std::string header(kJournalHeaderBytes, '\0');
    bool whole = false;
    if (Status read = ReadAtExactly(file, 0, header.data(), header.size(), &whole); !read.ok())
        return read;
    if (!whole || !ValidHeader(header, &contents->store))
        return Status::Ok();
    contents->header_valid = true;

    std::uint64_t offset = kJournalHeaderBytes;
    for (std::uint64_t sequence = 1;; ++sequence) {
        JournalCommit commit;
        std::uint64_t commit_bytes = 0;
        bool valid = false;
        if (Status read = ReadCommit(file, offset, contents->file_bytes, sequence, &commit,
                                     &commit_bytes, &valid);
            !read.ok()) {
            return read;
        }
        if (!valid)
            break;
        contents->commits.push_back(std::move(commit));
        offset += commit_bytes;
    }
    contents->valid_bytes = offset;
    return Status::Ok();
}

ComponentJournalWriter::ComponentJournalWriter(FileSystem& file_system, std::string path)
    : file_system_(file_system), path_(std::move(path)) {}

ComponentJournalWriter::~ComponentJournalWriter() = default;

bool ComponentJournalWriter::StillAtPath() {
    auto at_path = file_system_.Stat(path_, /*follow_symbolic_links=*/false);
    auto open = file_->Stat();
    return at_path.ok() && open.ok() && at_path.value.inode == open.value.inode &&
           at_path.value.device == open.value.device;
}

bool ComponentJournalWriter::ForgetIfReplaced() {
    if (file_ == nullptr || StillAtPath())
        return false;
    file_.reset();
    end_bytes_ = 0;
    next_sequence_ = 1;
    last_commit_at_bytes_.reset();
    return true;
}

Status ComponentJournalWriter::Create(const StoreIdentity& store) {
    file_.reset();
    end_bytes_ = 0;
    next_sequence_ = 1;
    last_commit_at_bytes_.reset();
    OpenOptions options{Access::kReadWrite, Creation::kCreateOrTruncate};
    options.follow_symbolic_links = false;
    auto opened = file_system_.Open(path_, options);
    if (!opened.ok())
        return FsFailure("creating " + path_, opened.status);
    const std::string header = EncodeJournalHeader(store);
    if (auto written = opened.value->WriteAt(0, header.data(), header.size()); !written.ok())
        return FsFailure("writing " + path_, written.status);
    if (FsStatus synced = opened.value->Sync(); !synced.ok())
        return FsFailure("syncing " + path_, synced);
    if (FsStatus synced = file_system_.SyncDirectory(filesystem::ParentDirectory(path_));
        !synced.ok()) {
        return FsFailure("syncing the folder of " + path_, synced);
    }
    file_ = std::move(opened.value);
    end_bytes_ = header.size();
    return Status::Ok();
}

Status ComponentJournalWriter::Append(const std::vector<ComponentChange>& changes,
                                      const StoreIdentity& store,
                                      const CommittedContainer* container) {
    if (file_ != nullptr && !StillAtPath())
        file_.reset();
    if (file_ == nullptr) {
        if (Status created = Create(store); !created.ok())
            return created;
    }
    last_commit_at_bytes_.reset();
    const std::string commit = EncodeJournalCommit(next_sequence_, changes, container);
    auto written = file_->WriteAt(end_bytes_, commit.data(), commit.size());
    FsStatus synced = written.ok() ? file_->Sync() : written.status;
    if (!synced.ok()) {
        // A torn commit fails its checksum anyway; cutting it off lets the
        // next commit start where this one did.
        (void)file_->Truncate(end_bytes_);
        return FsFailure("writing " + path_, synced);
    }
    last_commit_at_bytes_ = end_bytes_;
    end_bytes_ += commit.size();
    ++next_sequence_;
    return Status::Ok();
}

Status ComponentJournalWriter::WithdrawLast() {
    if (file_ == nullptr || !last_commit_at_bytes_)
        return Status::InvalidArgument("no commit to withdraw");
    if (FsStatus cut = file_->Truncate(*last_commit_at_bytes_); !cut.ok())
        return FsFailure("writing " + path_, cut);
    if (FsStatus synced = file_->Sync(); !synced.ok())
        return FsFailure("syncing " + path_, synced);
    end_bytes_ = *last_commit_at_bytes_;
    --next_sequence_;
    last_commit_at_bytes_.reset();
    return Status::Ok();
}

Status ComponentJournalWriter::Remove() {
    file_.reset();
    end_bytes_ = 0;
    next_sequence_ = 1;
    last_commit_at_bytes_.reset();
    FsStatus removed = file_system_.Unlink(path_);
    if (!removed.ok() && removed.error_number() != ENOENT)
        return FsFailure("removing " + path_, removed);
    if (FsStatus synced = file_system_.SyncDirectory(filesystem::ParentDirectory(path_));
        !synced.ok()) {
        return FsFailure("syncing the folder of " + path_, synced);
    }
    return Status::Ok();
}

}  // namespace kivo::recordstore
