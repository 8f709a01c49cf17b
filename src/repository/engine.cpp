// Engine: one fresh status record and context per call.
#include "kivo/repository/engine.h"

#include "operations.h"

namespace kivo::repository {
namespace {

template <typename Operation>
StatusRecord Run(filesystem::FileSystem& file_system, const EngineOptions& options,
                 const WriterLock* held_lock, Operation operation) {
    StatusRecord status;
    EngineContext context{file_system, options, status, held_lock};
    operation(context);
    return status;
}

}  // namespace

Engine::Engine(filesystem::FileSystem& file_system, EngineOptions options)
    : file_system_(file_system), options_(std::move(options)) {
    if (options_.clock == nullptr) {
        options_.clock = SystemClockNow;
    }
}

Engine::Engine(filesystem::FileSystem& file_system, const WriterLock& held, EngineOptions options)
    : Engine(file_system, std::move(options)) {
    held_lock_ = &held;
}

StatusRecord Engine::Get(const std::string& repository, const std::string& directory,
                         const std::vector<std::string>& names, const ProgressCallback& progress) {
    return Run(file_system_, options_, held_lock_, [&](const EngineContext& context) {
        GetMembers(context, repository, directory, &names, progress);
    });
}

StatusRecord Engine::GetAll(const std::string& repository, const std::string& directory,
                            const ProgressCallback& progress) {
    return Run(file_system_, options_, held_lock_, [&](const EngineContext& context) {
        GetMembers(context, repository, directory, nullptr, progress);
    });
}

StatusRecord Engine::Put(const std::string& repository, const std::string& directory,
                         const std::vector<std::string>& names, const ProgressCallback& progress) {
    return Run(file_system_, options_, held_lock_, [&](const EngineContext& context) {
        PutMembers(context, repository, directory, names, progress);
    });
}

StatusRecord Engine::PutAll(const std::string& repository, const std::string& directory,
                            const ProgressCallback& progress) {
    return Run(file_system_, options_, held_lock_, [&](const EngineContext& context) {
        PutFolder(context, repository, directory, progress);
    });
}

StatusRecord Engine::Delete(const std::string& repository, const std::vector<std::string>& names) {
    return Run(file_system_, options_, held_lock_,
               [&](const EngineContext& context) { DeleteMembers(context, repository, names); });
}

StatusRecord Engine::UnDelete(const std::string& repository, const std::string& name,
                              std::uint32_t version, const ProgressCallback& progress) {
    return Run(file_system_, options_, held_lock_, [&](const EngineContext& context) {
        UnDeleteMember(context, repository, name, version, progress);
    });
}

StatusRecord Engine::Compress(const std::string& repository, const ProgressCallback& progress) {
    return Run(file_system_, options_, held_lock_, [&](const EngineContext& context) {
        CompressRepository(context, repository, progress);
    });
}

StatusRecord Engine::CheckIntegrity(const std::string& repository) {
    return Run(file_system_, options_, held_lock_, [&](const EngineContext& context) {
        repository::CheckIntegrity(context, repository);
    });
}

StatusRecord Engine::Info(const std::string& repository) {
    return Run(file_system_, options_, held_lock_,
               [&](const EngineContext& context) { ListEntries(context, repository, false); });
}

FoundMembers Engine::Find(const std::string& repository, const std::vector<std::string>& names) {
    FoundMembers found;
    found.status = Run(file_system_, options_, held_lock_, [&](const EngineContext& context) {
        found.live_count = FindEntries(context, repository, names);
    });
    return found;
}

StatusRecord Engine::AllInfo(const std::string& repository) {
    return Run(file_system_, options_, held_lock_,
               [&](const EngineContext& context) { ListEntries(context, repository, true); });
}

StatusRecord Engine::LoadFile(const std::string& repository, LoadRequest& request) {
    return Run(file_system_, options_, held_lock_,
               [&](const EngineContext& context) { LoadMember(context, repository, request); });
}

StatusRecord Engine::DiscardIdleJournal(const std::string& repository) {
    return Run(file_system_, options_, held_lock_,
               [&](const EngineContext& context) { RemoveIdleJournal(context, repository); });
}

}  // namespace kivo::repository
