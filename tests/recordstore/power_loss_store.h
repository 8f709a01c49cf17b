// A data store on the power-loss file system for the tests of durable
// components: built through the repository engine, unpacked into working
// folders, and read back, all on the same in-memory disk.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "kivo/filesystem/power_loss_file_system.h"
#include "kivo/recordstore/component_journal.h"
#include "kivo/recordstore/durable_components.h"
#include "kivo/repository/engine.h"

namespace kivo::recordstore::test {

using filesystem::PowerLossFileSystem;
// Member name to content.
using Members = std::map<std::string, std::string>;

inline constexpr char kStorePath[] = "/s/KIVO.xrt";
inline constexpr char kJournalPath[] = "/s/KIVO.xrt-changes";

// The components the tests keep, in putting order.
inline const std::vector<std::string>& KeptMembers() {
    static const std::vector<std::string> members = {"Voxwren.xri", "Voxwren.xrr", "Voxwren.xrb"};
    return members;
}

inline std::string ReadDiskFile(const PowerLossFileSystem& disk, const std::string& path) {
    const auto bytes = disk.FileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string();
}

inline void WriteDiskFile(PowerLossFileSystem& disk, const std::string& path,
                          const std::string& text) {
    disk.WriteDurableFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// Builds the store with these members (and a recording container).
inline void BuildStore(PowerLossFileSystem& disk, const Members& members) {
    std::vector<std::string> names;
    for (const auto& [name, content] : members) {
        WriteDiskFile(disk, std::string("/build/") + name, content);
        names.push_back(name);
    }
    (void)disk.MakeDirectory("/s", 0755);
    repository::Engine engine(disk);
    ASSERT_TRUE(engine.Put(kStorePath, "/build", names).ok());
}

// Unpacks the kept members into folder. False when the engine failed.
inline bool Unpack(PowerLossFileSystem& disk, const std::string& folder) {
    (void)disk.MakeDirectory(folder, 0700);
    repository::Engine engine(disk);
    return engine.Get(kStorePath, folder, KeptMembers()).ok();
}

// The kept members' working copies in folder.
inline Members WorkingCopies(const PowerLossFileSystem& disk, const std::string& folder) {
    Members members;
    for (const std::string& name : KeptMembers())
        members[name] = ReadDiskFile(disk, folder + "/" + name);
    return members;
}

// The kept members as the store holds them (unpacked into a scratch folder).
inline Members StoredMembers(PowerLossFileSystem& disk, const std::string& scratch) {
    EXPECT_TRUE(Unpack(disk, scratch));
    return WorkingCopies(disk, scratch);
}

inline DurableComponentsPlaces PlacesIn(const std::string& folder) {
    return {kStorePath, kJournalPath, folder, KeptMembers()};
}

}  // namespace kivo::recordstore::test
