// Repository: one repository file (a data store or a recording container) as
// the record store uses it, through the repository engine's C++ interface
// (kivo::repository::Engine) over the FileSystem it is given. The engine keeps
// nothing between calls and neither does this class beyond the first message
// of its last failed call: the record store reports engine failures only as
// its own result codes, so these calls answer success or failure.
//
// Every writing call of the engine keeps the repository whole across a crash
// or an I/O error (docs/decisions/repository-crash-safety.md): a call that
// stores several members stores all of them or none.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/repository/engine.h"

namespace kivo::recordstore {

struct MemberInfo {
    std::string name;
    std::uint64_t size_bytes = 0;
    std::uint32_t version = 0;
};

// What Info() tells about a repository.
struct RepositoryInfo {
    bool readable = false;  // the engine read the directory and reported nothing
    std::uint64_t total_size_bytes = 0;
    std::uint64_t deleted_size_bytes = 0;  // space a compaction would reclaim
    std::vector<MemberInfo> live_members;  // in directory order
};

// What Repository::Find tells about the members asked for.
struct FoundMembers {
    std::vector<MemberInfo> live;  // the names asked for that are live, in that order
    bool any_live = false;         // the repository holds at least one live member
};

class Repository {
public:
    // file_system must outlive the repository object.
    Repository(filesystem::FileSystem& file_system, std::string path,
               repository::EngineOptions options = {});

    const std::string& path() const { return path_; }

    // Stores the named files of folder as new member versions (creating the
    // repository when missing), all of them or none. False when the engine
    // added any message.
    bool Put(const std::string& folder, const std::vector<std::string>& names);
    // Extracts the named live members into folder.
    bool Get(const std::string& folder, const std::vector<std::string>& names);
    bool Delete(const std::vector<std::string>& names);
    bool Compress();
    // Compacts only when the repository holds deleted versions: compacting
    // one without them changes no byte, yet costs a synced rewrite.
    bool CompressIfNeeded();
    // The live members in directory order. An unreadable repository lists
    // none; entries the engine refuses (a damaged or hostile directory) are
    // left out while the rest are listed, as the engine reports them.
    std::vector<MemberInfo> LiveMembers();
    // The named members, looked up without listing the others (on a store of
    // 100,000 members a fraction of LiveMembers' cost). Like LiveMembers,
    // entries the engine refuses are left out and the rest are found.
    FoundMembers Find(const std::vector<std::string>& names);
    // Sizes and live members; readable is false when the engine reported
    // anything (then the members it could list are still given).
    RepositoryInfo Info();

    // The first message of the last failed call ("RPS07 File x not found...").
    const std::string& last_error() const { return last_error_; }

private:
    bool Succeeded(const repository::StatusRecord& status);

    repository::Engine engine_;
    std::string path_;
    std::string last_error_;
};

}  // namespace kivo::recordstore
