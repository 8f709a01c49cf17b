// put, put-all, get, get-all, cat, delete and undelete: the commands that
// move member files between the repository and the disk, or mark them.
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

#include "changing_command.h"
#include "commands.h"
#include "entry_list.h"
#include "folder_batches.h"
#include "progress_bar.h"
#include "status_report.h"

namespace kivo::xrrps {
namespace {

// The engine takes arrays of C strings.
std::vector<const char*> CStrings(const std::vector<std::string>& texts) {
    std::vector<const char*> pointers;
    pointers.reserve(texts.size());
    for (const std::string& text : texts) {
        pointers.push_back(text.c_str());
    }
    return pointers;
}

std::int32_t Count(const std::vector<const char*>& names) {
    return static_cast<std::int32_t>(names.size());
}

std::uint64_t FileBytes(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)
               ? static_cast<std::uint64_t>(info.st_size)
               : 0;
}

std::uint64_t FolderBytes(const std::string& folder) {
    std::uint64_t bytes = 0;
    std::error_code error;
    for (const auto& item : std::filesystem::directory_iterator(folder, error)) {
        bytes += FileBytes(item.path().string());
    }
    return bytes;
}

// Bytes of the live members the command names (all of them when names is empty).
std::uint64_t LiveMemberBytes(const std::string& repository,
                              const std::vector<std::string>& names) {
    const RPS_STATUS* listing = RPS_Info(repository.c_str());
    std::uint64_t bytes = 0;
    if (names.empty()) {
        for (const RPS_ENTRY_INFO* entry : EntriesOf(listing)) {
            bytes += entry->size;
        }
    }
    for (const std::string& name : names) {
        if (const RPS_ENTRY_INFO* entry = FindLiveEntry(listing, name)) {
            bytes += entry->size;
        }
    }
    return bytes;
}

// The array-taking engine calls count names in 32 bits.
bool TooManyNames(const std::vector<std::string>& names) {
    if (names.size() <= static_cast<std::size_t>(INT32_MAX)) {
        return false;
    }
    std::fputs("xrrps: too many names for one call\n", stderr);
    return true;
}

bool WriteToStandardOutput(const void* bytes, std::size_t count) {
    if (count != 0 && std::fwrite(bytes, 1, count, stdout) != count) {
        return false;
    }
    return std::fflush(stdout) == 0;
}

}  // namespace

int RunPut(const CommandLine& command) {
    std::uint64_t total_bytes = 0;
    if (ProgressBar::Wanted()) {
        for (const std::string& file : command.operands) {
            total_bytes += FileBytes(file);
        }
    }
    ProgressBar bar(total_bytes);
    const std::vector<FolderBatch> batches = GroupByFolder(command.operands);
    return RunChange(command.repository, /*create_missing=*/true,
                     [&](repository::Engine& engine, const repository::WriterLock&) {
                         bool succeeded = true;
                         for (const FolderBatch& batch : batches) {
                             repository::StatusRecord status = engine.Put(
                                 command.repository, batch.folder, batch.names, ProgressOf(bar));
                             succeeded = ReportStatus(status) && succeeded;
                         }
                         return succeeded;
                     });
}

int RunPutAll(const CommandLine& command) {
    ProgressBar bar(ProgressBar::Wanted() ? FolderBytes(command.directory) : 0);
    return RunChange(command.repository, /*create_missing=*/true,
                     [&](repository::Engine& engine, const repository::WriterLock&) {
                         return ReportStatus(
                             engine.PutAll(command.repository, command.directory, ProgressOf(bar)));
                     });
}

int RunGet(const CommandLine& command) {
    if (TooManyNames(command.operands)) {
        return 1;
    }
    ProgressBar bar(ProgressBar::Wanted() ? LiveMemberBytes(command.repository, command.operands)
                                          : 0);
    std::vector<const char*> names = CStrings(command.operands);
    const RPS_STATUS* status =
        bar.callback() != nullptr ? RPS_GetCB(command.repository.c_str(), command.directory.c_str(),
                                              names.data(), Count(names), bar.callback())
                                  : RPS_Get(command.repository.c_str(), command.directory.c_str(),
                                            names.data(), Count(names));
    return ExitStatus(ReportStatus(status));
}

int RunGetAll(const CommandLine& command) {
    ProgressBar bar(ProgressBar::Wanted() ? LiveMemberBytes(command.repository, {}) : 0);
    const RPS_STATUS* status =
        bar.callback() != nullptr
            ? RPS_GetAllCB(command.repository.c_str(), command.directory.c_str(), bar.callback())
            : RPS_GetAll(command.repository.c_str(), command.directory.c_str());
    return ExitStatus(ReportStatus(status));
}

// RPS_LoadFile wants a buffer of exactly the member's size, so the size is
// looked up first. A name that is not live is passed on all the same with an
// empty buffer, and the engine words the message.
int RunCat(const CommandLine& command) {
    const std::string& name = command.operands.front();
    RPS_LOAD_REQUEST request{};
    if (name.size() >= sizeof request.name) {
        std::fprintf(stderr, "xrrps: cat: a member name of %zu bytes is longer than %zu\n",
                     name.size(), sizeof request.name - 1);
        return 1;
    }
    const RPS_STATUS* listing = RPS_Info(command.repository.c_str());
    if (!ReportStatus(listing)) {
        return 1;
    }
    const RPS_ENTRY_INFO* entry = FindLiveEntry(listing, name);
    std::uint32_t size_bytes = entry != nullptr ? entry->size : 0;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[size_bytes + 1ULL]);
    if (!buffer) {
        std::fprintf(stderr, "xrrps: cat: not enough memory for %u bytes\n", unsigned{size_bytes});
        return 1;
    }
    std::memcpy(request.name, name.c_str(), name.size() + 1);
    request.buffer = buffer.get();
    request.buffer_size = size_bytes;
    if (!ReportStatus(RPS_LoadFile(command.repository.c_str(), &request))) {
        return 1;
    }
    if (!WriteToStandardOutput(buffer.get(), size_bytes)) {
        std::fprintf(stderr, "xrrps: cat: cannot write to standard output - %s\n",
                     std::strerror(errno));
        return 1;
    }
    return 0;
}

int RunDelete(const CommandLine& command) {
    return RunChange(command.repository, /*create_missing=*/false,
                     [&](repository::Engine& engine, const repository::WriterLock&) {
                         return ReportStatus(engine.Delete(command.repository, command.operands));
                     });
}

int RunUndelete(const CommandLine& command) {
    const std::string& name = command.operands.front();
    return RunChange(command.repository, /*create_missing=*/false,
                     [&](repository::Engine& engine, const repository::WriterLock&) {
                         std::uint64_t total_bytes = 0;
                         if (ProgressBar::Wanted()) {
                             const RPS_ENTRY_INFO* entry = FindVersion(
                                 RPS_AllInfo(command.repository.c_str()), name, command.version);
                             total_bytes = entry != nullptr ? entry->size : 0;
                         }
                         ProgressBar bar(total_bytes);
                         return ReportStatus(engine.UnDelete(command.repository, name,
                                                             command.version, ProgressOf(bar)));
                     });
}

}  // namespace kivo::xrrps
