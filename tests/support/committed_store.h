// The committed state of a data store: its members with the component
// journal beside it played back, as every reader (kivoctl list, the next
// start) sees them. A record operation puts its container into the store
// and its log and index changes into the journal, so a test of what an
// operation made durable reads this, not the store file alone.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "kivo/core/data_store_session.h"
#include "temp_dir.h"

namespace kivo::test {

// The saved components (record logs, index, phone book ...) as committed;
// a component the store lacks is absent.
inline std::map<std::string, std::string> ReadCommittedComponents(
    const std::filesystem::path& store) {
    TempDir scratch;
    core::DataStoreSession reader(scratch.path());
    reader.set_location(core::StoreLocation::FromOpenedPath(store));
    std::vector<std::string> names;
    for (std::string_view member : core::SavedMembers())
        names.emplace_back(member);
    std::map<std::string, std::string> components;
    if (core::StoreGet(store.string(), scratch.path().string(), names) != core::kStoreOk ||
        reader.TakeUnpackedComponents(recordstore::StoreAccess::kReadOnly) != core::kStoreOk) {
        return components;
    }
    for (const std::string& name : names) {
        if (std::filesystem::exists(scratch.file(name)))
            components[name] = ReadFileText(scratch.file(name));
    }
    return components;
}

}  // namespace kivo::test
