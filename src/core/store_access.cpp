// Repository calls under a held writer lock; see store_access.h.
#include "kivo/core/store_access.h"

#include <algorithm>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/engine.h"
#include "kivo/repository/writer_lock.h"

namespace kivo::core {
namespace {

std::vector<std::string> Names(std::span<const std::string> names) {
    return {names.begin(), names.end()};
}

}  // namespace

repository::Engine StoreAccess::MakeEngine() const {
    filesystem::FileSystem& file_system = filesystem::DefaultFileSystem();
    repository::EngineOptions options;
    options.keep_idle_journal = keep_idle_journal_;
    options.kept_directories = kept_directories_;
    return held_ != nullptr ? repository::Engine(file_system, *held_, options)
                            : repository::Engine(file_system, options);
}

bool StoreAccess::DiscardIdleJournal(const std::string& store) {
    return Succeeded(MakeEngine().DiscardIdleJournal(store));
}

bool StoreAccess::Put(const std::string& store, const std::string& folder,
                      std::span<const std::string> names) {
    return Succeeded(MakeEngine().Put(store, folder, Names(names)));
}

bool StoreAccess::Get(const std::string& store, const std::string& folder,
                      std::span<const std::string> names) {
    return Succeeded(MakeEngine().Get(store, folder, Names(names)));
}

bool StoreAccess::Delete(const std::string& store, std::span<const std::string> names) {
    return Succeeded(MakeEngine().Delete(store, Names(names)));
}

bool StoreAccess::Compress(const std::string& store) {
    return Succeeded(MakeEngine().Compress(store));
}

std::optional<std::vector<std::string>> StoreAccess::LiveAmong(const std::string& store,
                                                               std::span<const std::string> names) {
    repository::FoundMembers found = MakeEngine().Find(store, Names(names));
    if (!Succeeded(found.status))
        return std::nullopt;
    std::vector<std::string> live;
    for (const auto& name : names) {
        const bool listed = std::any_of(found.status.entries.begin(), found.status.entries.end(),
                                        [&](const auto& entry) { return entry.name == name; });
        if (listed && std::find(live.begin(), live.end(), name) == live.end())
            live.push_back(name);
    }
    return live;
}

bool StoreAccess::Succeeded(const repository::StatusRecord& status) {
    if (status.ok())
        return true;
    last_error_ = status.messages.front().text;
    return false;
}

}  // namespace kivo::core
