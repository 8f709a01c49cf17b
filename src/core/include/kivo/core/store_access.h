// StoreAccess: the repository calls that put members into a data store, take
// them out, delete and compact them, made under the store's writer lock when
// the caller holds one.
//
// A command that reads a store, decides and writes it back holds the store's
// writer lock (kivo/repository/writer_lock.h) from before its first read to
// after its last write, so no other writer changes the store in between. The
// repository counts every call not made through that lock as another writer,
// even in the holder's own process, so all of the command's writing calls go
// through one StoreAccess given the lock. Without a lock each call locks for
// itself, as the C interface does.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kivo::repository {
class Engine;
class KeptDirectories;
class WriterLock;
struct StatusRecord;
}  // namespace kivo::repository

namespace kivo::core {

class StoreAccess {
public:
    // held: the writer lock of the store, or null; it must outlive the calls.
    // keep_idle_journal: the repository's crash journal is kept idle between
    // writing calls instead of made and removed by each
    // (repository::EngineOptions::keep_idle_journal); the caller removes it
    // with DiscardIdleJournal when it is done writing.
    // kept_directories: the store's directory kept between calls
    // (repository/kept_directories.h), or null; it must outlive the calls.
    explicit StoreAccess(const repository::WriterLock* held = nullptr,
                         bool keep_idle_journal = false,
                         repository::KeptDirectories* kept_directories = nullptr)
        : held_(held), keep_idle_journal_(keep_idle_journal), kept_directories_(kept_directories) {}

    // Stores the named files of folder as new member versions.
    bool Put(const std::string& store, const std::string& folder,
             std::span<const std::string> names);
    // Extracts the named live members into folder.
    bool Get(const std::string& store, const std::string& folder,
             std::span<const std::string> names);
    // Marks the named live members deleted.
    bool Delete(const std::string& store, std::span<const std::string> names);
    // Reclaims the space of deleted member versions.
    bool Compress(const std::string& store);
    // Removes the crash journal kept idle beside the store, if there is one.
    bool DiscardIdleJournal(const std::string& store);
    // Those of names that are live members, in the order given, looked up
    // without listing the other members (a lookup costs reading the
    // directory, whatever the store holds); none when the store cannot be
    // read.
    std::optional<std::vector<std::string>> LiveAmong(const std::string& store,
                                                      std::span<const std::string> names);

    // The first message of the last call that failed ("RPS01 Unable to open
    // repository file (...) - The repository is in use by ...").
    const std::string& last_error() const { return last_error_; }

private:
    bool Succeeded(const repository::StatusRecord& status);

    repository::Engine MakeEngine() const;

    const repository::WriterLock* held_;
    bool keep_idle_journal_ = false;
    repository::KeptDirectories* kept_directories_ = nullptr;
    std::string last_error_;
};

}  // namespace kivo::core
