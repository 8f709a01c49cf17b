// Container check through the repository engine's member listing.
#include "container_check.h"

#include <sys/stat.h>

#include <cstdio>
#include <exception>
#include <optional>
#include <vector>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/repository/engine.h"

namespace kivo::player {
namespace {

// The container's member entries, deleted ones included; nothing when the
// engine cannot read it (a file too strange to list is no recording), with
// the reason in *problem when asked.
std::optional<std::vector<repository::EntryInfo>> MemberEntries(
    const std::string& container_path, ContainerProblem* problem = nullptr) {
    ContainerProblem found = ContainerProblem::kDamaged;
    try {
        repository::StatusRecord status =
            repository::Engine(filesystem::DefaultFileSystem()).Info(container_path);
        if (status.severity == repository::kSeverityNone)
            return std::move(status.entries);
        if (status.Has(repository::MessageCode::kOpenRepositoryFailed))
            found = ContainerProblem::kInUse;
    } catch (const std::exception&) {
    }
    if (problem != nullptr)
        *problem = found;
    return std::nullopt;
}

// True when the file begins with the repository signature "XR".
bool BeginsAsRepository(const std::string& container_path) {
    std::FILE* file = std::fopen(container_path.c_str(), "rb");
    if (file == nullptr)
        return true;  // unreadable: the engine's open says why
    char signature[2] = {};
    const std::size_t read_bytes = std::fread(signature, 1, sizeof signature, file);
    std::fclose(file);
    return read_bytes == sizeof signature && signature[0] == 'X' && signature[1] == 'R';
}

}  // namespace

bool IsPlainMemberName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name == "." || name == "..")
        return false;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

ContainerProblem CheckContainer(const std::string& container_path) {
    struct stat file_status = {};
    if (::stat(container_path.c_str(), &file_status) != 0 || !S_ISREG(file_status.st_mode))
        return ContainerProblem::kNotFound;
    if (file_status.st_size == 0)
        return ContainerProblem::kEmpty;
    if (!BeginsAsRepository(container_path))
        return ContainerProblem::kNotARecording;
    ContainerProblem problem = ContainerProblem::kNone;
    const auto entries = MemberEntries(container_path, &problem);
    if (!entries)
        return problem;
    int live_members = 0;
    for (const repository::EntryInfo& entry : *entries) {
        if (entry.deleted != 0)
            continue;
        if (!IsPlainMemberName(entry.name))
            return ContainerProblem::kNotARecording;
        if (++live_members > kMaxContainerMembers)
            return ContainerProblem::kNotARecording;
    }
    return live_members > 0 ? ContainerProblem::kNone : ContainerProblem::kNotARecording;
}

bool ContainerLooksSound(const std::string& container_path) {
    return CheckContainer(container_path) == ContainerProblem::kNone;
}

const char* ContainerProblemText(ContainerProblem problem) {
    switch (problem) {
        case ContainerProblem::kNone:
            return "";
        case ContainerProblem::kNotFound:
            return "The file was not found.";
        case ContainerProblem::kEmpty:
            return "The file is empty.";
        case ContainerProblem::kNotARecording:
            return "The file is not a Kivo recording.";
        case ContainerProblem::kDamaged:
            return "The recording is damaged.";
        case ContainerProblem::kInUse:
            return "The file is in use by another program or cannot be read.";
    }
    return "";
}

}  // namespace kivo::player

namespace kivo::player {
namespace {

bool EndsWithIgnoringCase(const std::string& name, const std::string& suffix) {
    if (name.size() < suffix.size())
        return false;
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const char a = name[name.size() - suffix.size() + i];
        const char b = suffix[i];
        if ((a >= 'A' && a <= 'Z' ? a - 'A' + 'a' : a) != b)
            return false;
    }
    return true;
}

}  // namespace

std::string ContainerPictureName(const std::string& container_path, const std::string& stem,
                                 bool* gif) {
    const auto entries = MemberEntries(container_path);
    if (!entries)
        return {};
    const std::string own_gif_name = stem + std::string(recordstore::kGifPictureExtension);
    const std::string own_jpg_name = stem + std::string(recordstore::kJpgPictureExtension);
    std::string other_gif;
    std::string other_jpg;
    bool own_gif = false;
    bool own_jpg = false;
    for (const repository::EntryInfo& entry : *entries) {
        if (entry.deleted != 0 || !IsPlainMemberName(entry.name))
            continue;
        const std::string& name = entry.name;
        own_gif = own_gif || name == own_gif_name;
        own_jpg = own_jpg || name == own_jpg_name;
        if (other_gif.empty() && EndsWithIgnoringCase(name, ".gif"))
            other_gif = name;
        if (other_jpg.empty() && EndsWithIgnoringCase(name, ".jpg"))
            other_jpg = name;
    }
    if (own_gif || (!own_jpg && !other_gif.empty())) {
        *gif = true;
        return own_gif ? own_gif_name : other_gif;
    }
    *gif = false;
    if (own_jpg)
        return own_jpg_name;
    return other_jpg;
}

}  // namespace kivo::player
