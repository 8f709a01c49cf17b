// A repository file seen through the zn2xrrps engine's C interface. Each call
// copies what it needs out of the engine's process-wide status record at
// once, so nothing of the engine's state outlives the call. The record store
// reports engine failures only as its own result codes, so these calls
// answer success or failure and keep the first engine message for tests and
// traces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kivo::recordstore {

struct MemberInfo {
    std::string name;
    std::uint64_t size_bytes = 0;
    std::uint32_t version = 0;
};

class Repository {
public:
    explicit Repository(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }

    // Stores the named files of folder as new member versions (creating the
    // repository when missing). False when the engine added any message.
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

    // The first message of the last failed call ("RPS07 File x not found...").
    const std::string& last_error() const { return last_error_; }

private:
    bool Succeeded(const void* status);

    std::string path_;
    std::string last_error_;
};

}  // namespace kivo::recordstore
