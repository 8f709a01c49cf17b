// Repository calls through zn2xrrps: see repository.h.
#include "store/repository.h"

#include "zn2xrrps.h"

namespace kivo::recordstore {
namespace {

std::vector<const char*> NamePointers(const std::vector<std::string>& names) {
    std::vector<const char*> pointers;
    pointers.reserve(names.size());
    for (const std::string& name : names)
        pointers.push_back(name.c_str());
    return pointers;
}

std::string FirstMessage(const RPS_STATUS* status) {
    if (status->messages != nullptr && status->messages->text != nullptr) {
        return status->messages->text;
    }
    return "repository engine failure (no message)";
}

}  // namespace

bool Repository::Succeeded(const void* result) {
    const auto* status = static_cast<const RPS_STATUS*>(result);
    if (status == nullptr)
        return true;
    last_error_ = FirstMessage(status);
    return false;
}

bool Repository::Put(const std::string& folder, const std::vector<std::string>& names) {
    const auto pointers = NamePointers(names);
    return Succeeded(RPS_Put(path_.c_str(), folder.c_str(), pointers.data(),
                             static_cast<int32_t>(pointers.size())));
}

bool Repository::Get(const std::string& folder, const std::vector<std::string>& names) {
    const auto pointers = NamePointers(names);
    return Succeeded(RPS_Get(path_.c_str(), folder.c_str(), pointers.data(),
                             static_cast<int32_t>(pointers.size())));
}

bool Repository::Delete(const std::vector<std::string>& names) {
    const auto pointers = NamePointers(names);
    return Succeeded(
        RPS_Delete(path_.c_str(), pointers.data(), static_cast<int32_t>(pointers.size())));
}

bool Repository::Compress() {
    return Succeeded(RPS_Compress(path_.c_str()));
}

bool Repository::CompressIfNeeded() {
    const RPS_STATUS* status = RPS_Info(path_.c_str());
    if (status != nullptr && status->message_count == 0 && status->deleted_size == 0)
        return true;
    return Compress();
}

std::vector<MemberInfo> Repository::LiveMembers() {
    std::vector<MemberInfo> members;
    const RPS_STATUS* status = RPS_Info(path_.c_str());
    if (status == nullptr)
        return members;
    if (status->message_count != 0)
        last_error_ = FirstMessage(status);
    for (const RPS_ENTRY_INFO* entry = status->entries; entry != nullptr; entry = entry->next) {
        if (entry->deleted != 0 || entry->name == nullptr)
            continue;
        members.push_back(MemberInfo{entry->name, entry->size, entry->version});
    }
    return members;
}

}  // namespace kivo::recordstore
