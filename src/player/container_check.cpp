// Container check through the repository engine's member listing.
#include "container_check.h"

#include "zn2xrrps.h"

namespace kivo::player {

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

bool ContainerLooksSound(const std::string& container_path) {
    const RPS_STATUS* status = RPS_Info(container_path.c_str());
    if (status == nullptr || status->severity != RPS_SEVERITY_NONE)
        return false;
    int live_members = 0;
    for (const RPS_ENTRY_INFO* entry = status->entries; entry != nullptr; entry = entry->next) {
        if (entry->deleted != 0)
            continue;
        if (entry->name == nullptr || !IsPlainMemberName(entry->name))
            return false;
        if (++live_members > kMaxContainerMembers)
            return false;
    }
    return live_members > 0;
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
    const RPS_STATUS* status = RPS_Info(container_path.c_str());
    if (status == nullptr || status->severity != RPS_SEVERITY_NONE)
        return {};
    std::string other_gif;
    std::string other_jpg;
    bool own_gif = false;
    bool own_jpg = false;
    for (const RPS_ENTRY_INFO* entry = status->entries; entry != nullptr; entry = entry->next) {
        if (entry->deleted != 0 || entry->name == nullptr || !IsPlainMemberName(entry->name))
            continue;
        const std::string name = entry->name;
        own_gif = own_gif || name == stem + ".GIF";
        own_jpg = own_jpg || name == stem + ".JPG";
        if (other_gif.empty() && EndsWithIgnoringCase(name, ".gif"))
            other_gif = name;
        if (other_jpg.empty() && EndsWithIgnoringCase(name, ".jpg"))
            other_jpg = name;
    }
    if (own_gif || (!own_jpg && !other_gif.empty())) {
        *gif = true;
        return own_gif ? stem + ".GIF" : other_gif;
    }
    *gif = false;
    if (own_jpg)
        return stem + ".JPG";
    return other_jpg;
}

}  // namespace kivo::player
