// The flat C interface of zn2xrrps.h over the C++ engine.
//
// The engine keeps no state; this layer keeps the one process-wide status
// record the C interface promises, rebuilt from each call's StatusRecord and
// valid until the next call. A mutex serialises the calls, so two threads
// never corrupt the record (a result is still only valid until the next call
// from any thread). Nothing thrown crosses into C: running out of memory
// while building the record gives a message count of -1.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/repository/engine.h"
#include "zn2xrrps.h"

namespace {

using kivo::repository::Engine;
using kivo::repository::EntryInfo;
using kivo::repository::ProgressCallback;
using kivo::repository::ProgressPhase;
using kivo::repository::StatusRecord;
using kivo::repository::SystemTime;

// Everything the status record points to, owned here until the next call.
struct ExportedStatus {
    RPS_STATUS record{};
    std::vector<std::string> texts;
    std::vector<RPS_MESSAGE> messages;
    std::vector<std::string> names;
    std::vector<RPS_ENTRY_INFO> entries;

    void Clear() {
        record = RPS_STATUS{};
        texts.clear();
        messages.clear();
        names.clear();
        entries.clear();
    }
};

std::mutex call_mutex;
ExportedStatus exported;

RPS_SYSTEMTIME ToC(const SystemTime& time) {
    return RPS_SYSTEMTIME{time.year, time.month,  time.day_of_week, time.day,
                          time.hour, time.minute, time.second,      time.milliseconds};
}

RPS_FILETIME ToC(std::uint64_t time) {
    return RPS_FILETIME{static_cast<std::uint32_t>(time), static_cast<std::uint32_t>(time >> 32)};
}

void FillEntries(const std::vector<EntryInfo>& entries) {
    exported.names.reserve(entries.size());
    exported.entries.reserve(entries.size());
    for (const EntryInfo& entry : entries) {
        exported.names.push_back(entry.name);
        RPS_ENTRY_INFO node{};
        node.version = entry.version;
        node.created = ToC(entry.created);
        node.accessed = ToC(entry.accessed);
        node.written = ToC(entry.written);
        node.stored = ToC(entry.stored);
        node.deleted_at = ToC(entry.deleted_at);
        node.size = entry.size_bytes;
        node.attributes = entry.attributes;
        node.deleted = entry.deleted;
        node.nested = entry.nested;
        exported.entries.push_back(node);
    }
    for (std::size_t i = 0; i < exported.entries.size(); ++i) {
        exported.entries[i].name = exported.names[i].data();
        exported.entries[i].next =
            i + 1 < exported.entries.size() ? &exported.entries[i + 1] : nullptr;
    }
    exported.record.entries = exported.entries.empty() ? nullptr : exported.entries.data();
}

void FillMessages(const StatusRecord& status) {
    exported.texts.reserve(status.messages.size());
    exported.messages.reserve(status.messages.size());
    for (const auto& message : status.messages) {
        exported.texts.push_back(message.text);
        exported.messages.push_back(RPS_MESSAGE{});
    }
    for (std::size_t i = 0; i < exported.messages.size(); ++i) {
        exported.messages[i].text = exported.texts[i].data();
        exported.messages[i].next =
            i + 1 < exported.messages.size() ? &exported.messages[i + 1] : nullptr;
    }
    exported.record.messages = exported.messages.empty() ? nullptr : exported.messages.data();
    exported.record.message_count = static_cast<std::int32_t>(exported.messages.size());
}

// Rebuilds the process-wide record. Returns it when the call added a message
// or when `always` (Info, AllInfo), else null.
RPS_STATUS* Export(const StatusRecord& status, bool always) {
    exported.Clear();
    exported.record.severity = status.severity;
    exported.record.total_size = status.total_size_bytes;
    exported.record.deleted_size = status.deleted_size_bytes;
    exported.record.repository_time = ToC(status.repository_time);
    try {
        FillMessages(status);
        FillEntries(status.entries);
    } catch (const std::bad_alloc&) {
        exported.Clear();
        exported.record.message_count = -1;
        exported.record.severity = status.severity;
        return &exported.record;
    }
    return always || !status.messages.empty() ? &exported.record : nullptr;
}

RPS_STATUS* OutOfMemory() {
    exported.Clear();
    exported.record.message_count = -1;
    exported.record.severity = RPS_SEVERITY_FAILURE;
    return &exported.record;
}

ProgressCallback Adapt(RPS_CALLBACK callback) {
    if (callback == nullptr) {
        return {};
    }
    return [callback](ProgressPhase phase, std::uint32_t bytes, const std::string& label) {
        callback(static_cast<std::int32_t>(phase), bytes, label.c_str());
    };
}

std::vector<std::string> Names(const char* const* names, std::int32_t count) {
    std::vector<std::string> result;
    for (std::int32_t i = 0; names != nullptr && i < count; ++i) {
        result.emplace_back(names[i] != nullptr ? names[i] : "");
    }
    return result;
}

std::string Text(const char* text) {
    return text != nullptr ? text : "";
}

// Trace lines stand for the debugger output of the original: the user never
// sees them; they go to standard error when KIVO_TRACE is set.
kivo::repository::EngineOptions ExportOptions() {
    kivo::repository::EngineOptions options;
    const char* trace = std::getenv("KIVO_TRACE");
    if (trace != nullptr && *trace != '\0') {
        options.trace = [](const std::string& line) { std::fputs(line.c_str(), stderr); };
    }
    return options;
}

// Runs one engine call under the mutex and exports its result.
template <typename Call>
RPS_STATUS* Serialised(bool always, Call call) {
    std::lock_guard<std::mutex> lock(call_mutex);
    try {
        Engine engine(kivo::filesystem::DefaultFileSystem(), ExportOptions());
        StatusRecord status = call(engine);
        return Export(status, always);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    } catch (...) {
        return OutOfMemory();
    }
}

}  // namespace

extern "C" {

RPS_STATUS* RPS_GetCB(const char* repository, const char* directory, const char* const* names,
                      int32_t count, RPS_CALLBACK callback) {
    return Serialised(false, [&](Engine& engine) {
        return engine.Get(Text(repository), Text(directory), Names(names, count), Adapt(callback));
    });
}

RPS_STATUS* RPS_Get(const char* repository, const char* directory, const char* const* names,
                    int32_t count) {
    return RPS_GetCB(repository, directory, names, count, nullptr);
}

RPS_STATUS* RPS_GetAllCB(const char* repository, const char* directory, RPS_CALLBACK callback) {
    return Serialised(false, [&](Engine& engine) {
        return engine.GetAll(Text(repository), Text(directory), Adapt(callback));
    });
}

RPS_STATUS* RPS_GetAll(const char* repository, const char* directory) {
    return RPS_GetAllCB(repository, directory, nullptr);
}

RPS_STATUS* RPS_PutCB(const char* repository, const char* directory, const char* const* names,
                      int32_t count, RPS_CALLBACK callback) {
    return Serialised(false, [&](Engine& engine) {
        return engine.Put(Text(repository), Text(directory), Names(names, count), Adapt(callback));
    });
}

RPS_STATUS* RPS_Put(const char* repository, const char* directory, const char* const* names,
                    int32_t count) {
    return RPS_PutCB(repository, directory, names, count, nullptr);
}

RPS_STATUS* RPS_PutAllCB(const char* repository, const char* directory, RPS_CALLBACK callback) {
    return Serialised(false, [&](Engine& engine) {
        return engine.PutAll(Text(repository), Text(directory), Adapt(callback));
    });
}

RPS_STATUS* RPS_PutAll(const char* repository, const char* directory) {
    return RPS_PutAllCB(repository, directory, nullptr);
}

RPS_STATUS* RPS_Delete(const char* repository, const char* const* names, int32_t count) {
    return Serialised(false, [&](Engine& engine) {
        return engine.Delete(Text(repository), Names(names, count));
    });
}

RPS_STATUS* RPS_UnDeleteCB(const char* repository, const char* name, uint32_t version,
                           RPS_CALLBACK callback) {
    return Serialised(false, [&](Engine& engine) {
        return engine.UnDelete(Text(repository), Text(name), version, Adapt(callback));
    });
}

RPS_STATUS* RPS_UnDelete(const char* repository, const char* name, uint32_t version) {
    return RPS_UnDeleteCB(repository, name, version, nullptr);
}

RPS_STATUS* RPS_CompressCB(const char* repository, RPS_CALLBACK callback) {
    return Serialised(
        false, [&](Engine& engine) { return engine.Compress(Text(repository), Adapt(callback)); });
}

RPS_STATUS* RPS_Compress(const char* repository) {
    return RPS_CompressCB(repository, nullptr);
}

RPS_STATUS* RPS_CheckIntegrity(const char* repository) {
    return Serialised(false,
                      [&](Engine& engine) { return engine.CheckIntegrity(Text(repository)); });
}

RPS_STATUS* RPS_Info(const char* repository) {
    return Serialised(true, [&](Engine& engine) { return engine.Info(Text(repository)); });
}

RPS_STATUS* RPS_AllInfo(const char* repository) {
    return Serialised(true, [&](Engine& engine) { return engine.AllInfo(Text(repository)); });
}

RPS_STATUS* RPS_LoadFile(const char* repository, RPS_LOAD_REQUEST* request) {
    return Serialised(false, [&](Engine& engine) {
        kivo::repository::LoadRequest load;
        if (request != nullptr) {
            load.name.assign(request->name, strnlen(request->name, sizeof request->name));
            load.buffer = request->buffer;
            load.buffer_size = request->buffer_size;
        }
        StatusRecord status = engine.LoadFile(Text(repository), load);
        if (request != nullptr && status.ok()) {
            request->text_kind = static_cast<int32_t>(load.text_kind);
        }
        return status;
    });
}

int32_t DllGetVersion(RPS_DLLVERSIONINFO* info) {
    constexpr uint32_t kStructureBytes = sizeof(RPS_DLLVERSIONINFO);  // 20
    constexpr int32_t kTooSmall = 160;
    if (info == nullptr || info->cbSize < kStructureBytes) {
        return kTooSmall;
    }
    info->dwMajorVersion = 1;
    info->dwMinorVersion = 1;
    info->dwBuildNumber = 0;
    info->dwPlatformID = 1;
    return 0;
}

}  // extern "C"
