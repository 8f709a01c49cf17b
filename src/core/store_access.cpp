// Repository calls under a held writer lock; see store_access.h.
#include "kivo/core/store_access.h"

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

std::optional<std::vector<std::string>> StoreAccess::LiveMembers(const std::string& store) {
    repository::StatusRecord status = MakeEngine().Info(store);
    if (!Succeeded(status))
        return std::nullopt;
    std::vector<std::string> names;
    for (const auto& entry : status.entries)
        names.push_back(entry.name);
    return names;
}

bool StoreAccess::Succeeded(const repository::StatusRecord& status) {
    if (status.ok())
        return true;
    last_error_ = status.messages.front().text;
    return false;
}

}  // namespace kivo::core
