// Repository calls under a held writer lock; see store_access.h.
#include "kivo/core/store_access.h"

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/engine.h"
#include "kivo/repository/writer_lock.h"

namespace kivo::core {
namespace {

repository::Engine EngineFor(const repository::WriterLock* held) {
    filesystem::FileSystem& file_system = filesystem::DefaultFileSystem();
    return held != nullptr ? repository::Engine(file_system, *held)
                           : repository::Engine(file_system);
}

std::vector<std::string> Names(std::span<const std::string> names) {
    return {names.begin(), names.end()};
}

}  // namespace

bool StoreAccess::Put(const std::string& store, const std::string& folder,
                      std::span<const std::string> names) {
    return Succeeded(EngineFor(held_).Put(store, folder, Names(names)));
}

bool StoreAccess::Get(const std::string& store, const std::string& folder,
                      std::span<const std::string> names) {
    return Succeeded(EngineFor(held_).Get(store, folder, Names(names)));
}

bool StoreAccess::Delete(const std::string& store, std::span<const std::string> names) {
    return Succeeded(EngineFor(held_).Delete(store, Names(names)));
}

bool StoreAccess::Compress(const std::string& store) {
    return Succeeded(EngineFor(held_).Compress(store));
}

std::optional<std::vector<std::string>> StoreAccess::LiveMembers(const std::string& store) {
    repository::StatusRecord status = EngineFor(held_).Info(store);
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
