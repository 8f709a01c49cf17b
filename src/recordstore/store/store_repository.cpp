// Repository calls through the engine's C++ interface: see store_repository.h.
#include "kivo/recordstore/store_repository.h"

namespace kivo::recordstore {
namespace {

std::string FirstMessage(const repository::StatusRecord& status) {
    if (!status.messages.empty())
        return status.messages.front().text;
    return "repository engine failure (no message)";
}

}  // namespace

Repository::Repository(filesystem::FileSystem& file_system, std::string path,
                       repository::EngineOptions options)
    : engine_(file_system, std::move(options)), path_(std::move(path)) {}

bool Repository::Succeeded(const repository::StatusRecord& status) {
    if (status.ok())
        return true;
    last_error_ = FirstMessage(status);
    return false;
}

bool Repository::Put(const std::string& folder, const std::vector<std::string>& names) {
    return Succeeded(engine_.Put(path_, folder, names));
}

bool Repository::Get(const std::string& folder, const std::vector<std::string>& names) {
    return Succeeded(engine_.Get(path_, folder, names));
}

bool Repository::Delete(const std::vector<std::string>& names) {
    return Succeeded(engine_.Delete(path_, names));
}

bool Repository::Compress() {
    return Succeeded(engine_.Compress(path_));
}

bool Repository::CompressIfNeeded() {
    const RepositoryInfo info = Info();
    if (info.readable && info.deleted_size_bytes == 0)
        return true;
    return Compress();
}

std::vector<MemberInfo> Repository::LiveMembers() {
    return Info().live_members;
}

FoundMembers Repository::Find(const std::vector<std::string>& names) {
    const repository::FoundMembers found = engine_.Find(path_, names);
    // As LiveMembers, entries the engine refused are left out and the rest
    // still count: a failure is noted, not a reason to find nothing.
    Succeeded(found.status);
    FoundMembers result;
    result.any_live = found.live_count > 0;
    for (const repository::EntryInfo& entry : found.status.entries)
        result.live.push_back(MemberInfo{entry.name, entry.size_bytes, entry.version});
    return result;
}

RepositoryInfo Repository::Info() {
    const repository::StatusRecord status = engine_.Info(path_);
    RepositoryInfo info;
    info.readable = Succeeded(status);
    info.total_size_bytes = status.total_size_bytes;
    info.deleted_size_bytes = status.deleted_size_bytes;
    for (const repository::EntryInfo& entry : status.entries) {
        if (entry.deleted == 0)
            info.live_members.push_back(MemberInfo{entry.name, entry.size_bytes, entry.version});
    }
    return info;
}

}  // namespace kivo::recordstore
