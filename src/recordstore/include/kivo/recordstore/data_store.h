// A data store: the repository file (".xrt") holding one user's records and
// their component files. DataStore builds a new one with its ten members and
// offers the four member operations the program uses everywhere. Every call
// opens and closes the repository through the engine; nothing is kept
// between calls. Every file is reached through the FileSystem given (the
// overloads without one use the machine's, filesystem::DefaultFileSystem()).
// Layout: docs/formats/data-store.md.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kivo/filesystem/file_system.h"

namespace kivo::recordstore {

// Results carry the codes of the C interface (xrsave.h).
enum class BuildResult : int {
    kBuilt = 0,
    kComponentNotCreated = 101,  // a component file could not be made in the working folder
    kStoreFailed = 102,          // storing into the new data store failed
};

enum class MemberLookup : int {
    kPresent = 0,       // a live member of exactly that name
    kAbsent = 1,        // live members, none of that name
    kNothingLive = 99,  // no live member at all, or the repository cannot be read
};

struct NewDataStore {
    std::string store_folder;     // made when missing (one level)
    std::string store_name;       // without ".xrt"
    std::string working_folder;   // component files are made here, then removed
    std::string resource_folder;  // holds "00001.wav" (greeting) and "00002.wav" (warning)

    std::string path() const;  // store_folder/store_name.xrt
};

class DataStore {
public:
    // file_system must outlive the object.
    DataStore(filesystem::FileSystem& file_system, std::string path)
        : file_system_(&file_system), path_(std::move(path)) {}
    explicit DataStore(std::string path);

    // Builds a new data store at request.path(). Refuses (kStoreFailed,
    // nothing changed) when a file already exists there, so an existing
    // store's records are never replaced by empty logs. A missing sound
    // file still builds the other members and gives kStoreFailed.
    static BuildResult Build(filesystem::FileSystem& file_system, const NewDataStore& request);
    static BuildResult Build(const NewDataStore& request);

    // Where the running program keeps "00001.wav" and "00002.wav":
    // <program folder>/../share/kivo when that folder holds them, else the
    // program's own folder.
    static std::string ProgramResourceFolder(filesystem::FileSystem& file_system);

    const std::string& path() const { return path_; }

    // Member names are compared byte for byte, case-sensitively, in
    // directory order.
    MemberLookup FindMember(std::string_view name) const;
    // Size of the live member, nullopt when there is none.
    std::optional<std::uint64_t> MemberSize(std::string_view name) const;
    // Marks the live member deleted; false when there is none or on failure.
    bool DeleteMember(std::string_view name) const;
    // Extracts the live member into target_folder; false on any failure.
    bool ExtractMember(std::string_view name, const std::string& target_folder) const;

private:
    filesystem::FileSystem* file_system_;
    std::string path_;
};

}  // namespace kivo::recordstore
