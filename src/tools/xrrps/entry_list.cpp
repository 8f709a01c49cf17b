// Walks the engine's entry list.
#include "entry_list.h"

#include <cstring>

namespace kivo::xrrps {
namespace {

constexpr std::uint64_t kXR01HeaderBytes = 36;
constexpr std::uint64_t kXR00HeaderBytes = 24;
constexpr std::uint64_t kXR01EntryBytes = 99;
constexpr std::uint64_t kXR00RecordBytes = 48;

std::uint64_t NameBytes(const RPS_ENTRY_INFO& entry) {
    return entry.name != nullptr ? std::strlen(entry.name) : 0;
}

bool HasName(const RPS_ENTRY_INFO& entry, const std::string& name) {
    return entry.name != nullptr && name == entry.name;
}

}  // namespace

std::vector<const RPS_ENTRY_INFO*> EntriesOf(const RPS_STATUS* status) {
    std::vector<const RPS_ENTRY_INFO*> entries;
    for (const RPS_ENTRY_INFO* entry = status != nullptr ? status->entries : nullptr;
         entry != nullptr; entry = entry->next) {
        entries.push_back(entry);
    }
    return entries;
}

const RPS_ENTRY_INFO* FindLiveEntry(const RPS_STATUS* status, const std::string& name) {
    const RPS_ENTRY_INFO* found = nullptr;
    for (const RPS_ENTRY_INFO* entry : EntriesOf(status)) {
        if (entry->deleted == 0 && HasName(*entry, name)) {
            found = entry;
        }
    }
    return found;
}

const RPS_ENTRY_INFO* FindVersion(const RPS_STATUS* status, const std::string& name,
                                  std::uint32_t version) {
    const RPS_ENTRY_INFO* found = nullptr;
    for (const RPS_ENTRY_INFO* entry : EntriesOf(status)) {
        if (entry->version == version && HasName(*entry, name)) {
            found = entry;
        }
    }
    return found;
}

const char* FormatName(RepositoryFormat format) {
    switch (format) {
        case RepositoryFormat::Empty:
            return "empty file";
        case RepositoryFormat::XR00:
            return "XR00";
        case RepositoryFormat::XR01:
            return "XR01";
        case RepositoryFormat::Unknown:
            break;
    }
    return "unknown";
}

RepositoryFormat FormatOf(const RPS_STATUS* all_info) {
    if (all_info == nullptr) {
        return RepositoryFormat::Unknown;
    }
    std::vector<const RPS_ENTRY_INFO*> entries = EntriesOf(all_info);
    if (entries.empty() && all_info->total_size == 0) {
        return RepositoryFormat::Empty;
    }
    std::uint64_t xr01_bytes = kXR01HeaderBytes;
    std::uint64_t xr00_bytes = kXR00HeaderBytes;
    for (const RPS_ENTRY_INFO* entry : entries) {
        xr01_bytes += 2 * (kXR01EntryBytes + NameBytes(*entry)) + entry->size;
        xr00_bytes += kXR00RecordBytes + NameBytes(*entry) + entry->size;
    }
    if (all_info->total_size == xr01_bytes) {
        return RepositoryFormat::XR01;
    }
    if (all_info->total_size == xr00_bytes) {
        return RepositoryFormat::XR00;
    }
    return RepositoryFormat::Unknown;
}

std::uint64_t CompactionBytes(const RPS_STATUS* all_info, RepositoryFormat format) {
    std::uint64_t bytes = 0;
    bool after_first_deleted = false;
    for (const RPS_ENTRY_INFO* entry : EntriesOf(all_info)) {
        if (entry->deleted != 0) {
            after_first_deleted = true;
        } else if (after_first_deleted) {
            bytes += entry->size;
            if (format == RepositoryFormat::XR01) {
                bytes += kXR01EntryBytes + NameBytes(*entry);
            }
        }
    }
    return bytes;
}

}  // namespace kivo::xrrps
