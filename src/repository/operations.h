// The engine's operations, each a function over one call's context. Engine
// (engine.cpp) gives each call a fresh StatusRecord and context.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine_context.h"
#include "kivo/repository/engine.h"

namespace kivo::repository {

// member_get.cpp: extraction. `names` null extracts every live member.
void GetMembers(const EngineContext& context, const std::string& repository,
                const std::string& directory, const std::vector<std::string>* names,
                const ProgressCallback& progress);

// member_put.cpp: storing.
void PutMembers(const EngineContext& context, const std::string& repository,
                const std::string& directory, const std::vector<std::string>& names,
                const ProgressCallback& progress);
void PutFolder(const EngineContext& context, const std::string& repository,
               const std::string& directory, const ProgressCallback& progress);

// maintenance.cpp: deleting, restoring, compacting.
void DeleteMembers(const EngineContext& context, const std::string& repository,
                   const std::vector<std::string>& names);
void UnDeleteMember(const EngineContext& context, const std::string& repository,
                    const std::string& name, std::uint32_t version,
                    const ProgressCallback& progress);
void CompressRepository(const EngineContext& context, const std::string& repository,
                        const ProgressCallback& progress);

// inspection.cpp: listing, checking, loading one member.
void ListEntries(const EngineContext& context, const std::string& repository, bool all);
// Adds the live entries of `names` to the status; returns the live count.
std::uint32_t FindEntries(const EngineContext& context, const std::string& repository,
                          const std::vector<std::string>& names);
void CheckIntegrity(const EngineContext& context, const std::string& repository);
void LoadMember(const EngineContext& context, const std::string& repository, LoadRequest& request);

// maintenance.cpp: the idle journal a writer kept, removed.
void RemoveIdleJournal(const EngineContext& context, const std::string& repository);

}  // namespace kivo::repository
