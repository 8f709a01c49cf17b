// Building a data store and its member operations: see data_store.h.
#include "kivo/recordstore/data_store.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <string>
#include <vector>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "store/posix_file.h"
#include "store/repository.h"
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

bool WriteNewFile(const std::string& path, const std::string& content) {
    PosixFile file(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    return file.is_open() && file.WriteAll(content.data(), content.size()) && file.Close();
}

// Copies source over target; a missing source leaves no target behind.
void CopySound(const std::string& source, const std::string& target) {
    ::unlink(target.c_str());
    std::string error;
    PosixFile in = PosixFile::OpenForReading(source, &error);
    if (!in.is_open())
        return;
    PosixFile out(
        ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
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
    if (!out.Close() || !copied)
        ::unlink(target.c_str());  // a partial copy is no copy
}

void RemoveWorkingFiles(const std::string& working_folder) {
    for (std::string_view name : kNewStoreMembers)
        ::unlink(JoinPath(working_folder, name).c_str());
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

std::string NewDataStore::path() const {
    return JoinPath(store_folder, store_name + std::string(kStoreExtension));
}

BuildResult DataStore::Build(const NewDataStore& request) {
    ::mkdir(request.store_folder.c_str(), 0777);  // an existing folder is no failure
    const std::string store_path = request.path();
    if (PathExists(store_path))
        return BuildResult::kStoreFailed;

    bool all_made = true;
    for (const ComponentFile& component : NewComponentFiles()) {
        all_made =
            WriteNewFile(JoinPath(request.working_folder, component.name), component.content) &&
            all_made;
    }
    CopySound(JoinPath(request.resource_folder, kGreetingSourceName),
              JoinPath(request.working_folder, kGreetingName));
    CopySound(JoinPath(request.resource_folder, kWarningSourceName),
              JoinPath(request.working_folder, kWarningName));
    if (!all_made) {
        RemoveWorkingFiles(request.working_folder);
        return BuildResult::kComponentNotCreated;
    }

    std::vector<std::string> names(kNewStoreMembers.begin(), kNewStoreMembers.end());
    const bool stored = Repository(store_path).Put(request.working_folder, names);
    RemoveWorkingFiles(request.working_folder);
    return stored ? BuildResult::kBuilt : BuildResult::kStoreFailed;
}

std::string DataStore::ProgramResourceFolder() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return ".";
    const std::string program_folder =
        FolderOf(std::string(buffer, static_cast<std::size_t>(length)));
    const std::string share_folder = JoinPath(FolderOf(program_folder), "share/kivo");
    if (PathExists(JoinPath(share_folder, kGreetingSourceName)))
        return share_folder;
    return program_folder;
}

MemberLookup DataStore::FindMember(std::string_view name) const {
    const std::vector<MemberInfo> members = Repository(path_).LiveMembers();
    if (members.empty())
        return MemberLookup::kNothingLive;
    for (const MemberInfo& member : members) {
        if (member.name == name)
            return MemberLookup::kPresent;
    }
    return MemberLookup::kAbsent;
}

std::optional<std::uint64_t> DataStore::MemberSize(std::string_view name) const {
    for (const MemberInfo& member : Repository(path_).LiveMembers()) {
        if (member.name == name)
            return member.size_bytes;
    }
    return std::nullopt;
}

bool DataStore::DeleteMember(std::string_view name) const {
    return Repository(path_).Delete({std::string(name)});
}

bool DataStore::ExtractMember(std::string_view name, const std::string& target_folder) const {
    return Repository(path_).Get(target_folder, {std::string(name)});
}

}  // namespace kivo::recordstore
