// Building a data store and its member operations: see data_store.h.
#include "kivo/recordstore/data_store.h"

#include <limits.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/recordstore/store_repository.h"
#include "store/file_handle.h"
#include "store/store_paths.h"

namespace kivo::recordstore {
namespace {

// Component files made in the working folder with their initial content.
struct ComponentFile {
    std::string_view name;
    std::string content;
};

std::vector<ComponentFile> NewComponentFiles() {
    const std::string header = RecordLine::HeaderLine();
    return {{kMessageLogName, header}, {kMeetingLogName, header},
            {kPhoneLogName, header},   {kDiaryLogName, header},
            {kIndexName, ""},          {kPhoneBookName, ""},
            {kTemplatesName, ""},      {kAgendaName, std::string(kEmptyAgendaText)}};
}

// Opens path for writing, created or emptied, never through a symbolic link.
FileHandle CreateForWriting(filesystem::FileSystem& file_system, const std::string& path) {
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.creation = filesystem::Creation::kCreateOrTruncate;
    options.follow_symbolic_links = false;
    options.permissions = 0644;
    auto opened = file_system.Open(path, options);
    return opened.ok() ? FileHandle(std::move(opened.value)) : FileHandle();
}

bool WriteNewFile(filesystem::FileSystem& file_system, const std::string& path,
                  const std::string& content) {
    FileHandle file = CreateForWriting(file_system, path);
    return file.is_open() && file.WriteAll(content.data(), content.size());
}

// Copies source over target; a missing source leaves no target behind.
void CopySound(filesystem::FileSystem& file_system, const std::string& source,
               const std::string& target) {
    file_system.Unlink(target);
    std::string error;
    FileHandle in = FileHandle::OpenForReading(file_system, source, &error);
    if (!in.is_open())
        return;
    FileHandle out = CreateForWriting(file_system, target);
    if (!out.is_open())
        return;
    std::vector<char> buffer(1 << 16);
    std::uint64_t offset = 0;
    bool copied = false;
    while (true) {
        std::size_t got = 0;
        if (!in.ReadAt(offset, buffer.data(), buffer.size(), &got))
            break;
        if (got == 0) {
            copied = true;
            break;
        }
        if (!out.WriteAll(buffer.data(), got))
            break;
        offset += got;
    }
    out.Close();
    if (!copied)
        file_system.Unlink(target);  // a partial copy is no copy
}

void RemoveWorkingFiles(filesystem::FileSystem& file_system, const std::string& working_folder) {
    for (std::string_view name : kNewStoreMembers)
        file_system.Unlink(JoinPath(working_folder, name));
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

std::string NewDataStore::path() const {
    return JoinPath(store_folder, store_name + std::string(kStoreExtension));
}

DataStore::DataStore(std::string path)
    : DataStore(filesystem::DefaultFileSystem(), std::move(path)) {}

BuildResult DataStore::Build(filesystem::FileSystem& file_system, const NewDataStore& request) {
    file_system.MakeDirectory(request.store_folder, 0777);  // an existing folder is no failure
    const std::string store_path = request.path();
    if (PathExists(file_system, store_path))
        return BuildResult::kStoreFailed;

    bool all_made = true;
    for (const ComponentFile& component : NewComponentFiles()) {
        all_made = WriteNewFile(file_system, JoinPath(request.working_folder, component.name),
                                component.content) &&
                   all_made;
    }
    CopySound(file_system, JoinPath(request.resource_folder, kGreetingSourceName),
              JoinPath(request.working_folder, kGreetingName));
    CopySound(file_system, JoinPath(request.resource_folder, kWarningSourceName),
              JoinPath(request.working_folder, kWarningName));
    if (!all_made) {
        RemoveWorkingFiles(file_system, request.working_folder);
        return BuildResult::kComponentNotCreated;
    }

    std::vector<std::string> names(kNewStoreMembers.begin(), kNewStoreMembers.end());
    const bool stored = Repository(file_system, store_path).Put(request.working_folder, names);
    RemoveWorkingFiles(file_system, request.working_folder);
    return stored ? BuildResult::kBuilt : BuildResult::kStoreFailed;
}

BuildResult DataStore::Build(const NewDataStore& request) {
    return Build(filesystem::DefaultFileSystem(), request);
}

std::string DataStore::ProgramResourceFolder(filesystem::FileSystem& file_system) {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    const std::string program_folder =
        FolderOf(std::string(buffer, static_cast<std::size_t>(length)));
    const std::string share_folder = JoinPath(FolderOf(program_folder), "share/kivo");
    if (PathExists(file_system, JoinPath(share_folder, kGreetingSourceName)))
        return share_folder;
    return program_folder;
}

MemberLookup DataStore::FindMember(std::string_view name) const {
    const FoundMembers found = Repository(*file_system_, path_).Find({std::string(name)});
    if (!found.any_live)
        return MemberLookup::kNothingLive;
    return found.live.empty() ? MemberLookup::kAbsent : MemberLookup::kPresent;
}

std::optional<std::uint64_t> DataStore::MemberSize(std::string_view name) const {
    const FoundMembers found = Repository(*file_system_, path_).Find({std::string(name)});
    if (found.live.empty())
        return std::nullopt;
    return found.live.front().size_bytes;
}

bool DataStore::DeleteMember(std::string_view name) const {
    return Repository(*file_system_, path_).Delete({std::string(name)});
}

bool DataStore::ExtractMember(std::string_view name, const std::string& target_folder) const {
    return Repository(*file_system_, path_).Get(target_folder, {std::string(name)});
}

}  // namespace kivo::recordstore
