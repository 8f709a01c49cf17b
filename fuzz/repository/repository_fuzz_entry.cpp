// Drives the repository engine over arbitrary bytes; see repository_fuzz_entry.h.
#include "repository_fuzz_entry.h"

#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fuzz_sandbox.h"
#include "zn2xrrps.h"

namespace kivo::fuzz {
namespace {

// Members up to this size are also read into memory with RPS_LoadFile.
constexpr std::uint32_t kMaxLoadBytes = 1 << 20;

FuzzSandbox& Sandbox() {
    static FuzzSandbox sandbox;
    return sandbox;
}

// What the tests below need of one entry; the engine's list is only valid
// until its next call.
struct EntryCopy {
    std::string name;
    std::uint32_t size = 0;
    bool live = false;
    bool nested = false;
};

std::vector<EntryCopy> CopyEntries(const RPS_STATUS* status) {
    std::vector<EntryCopy> entries;
    for (const RPS_ENTRY_INFO* e = status != nullptr ? status->entries : nullptr; e; e = e->next) {
        entries.push_back(EntryCopy{e->name != nullptr ? e->name : "", e->size, e->deleted == 0,
                                    e->nested == 'Y'});
    }
    return entries;
}

std::vector<std::string> NamesOf(const std::vector<EntryCopy>& entries) {
    std::vector<std::string> names;
    for (const EntryCopy& entry : entries) {
        names.push_back(entry.name);
    }
    return names;
}

// A plain name the engine may write into the extraction folder.
bool IsPlainName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

void LoadOneMember(const std::string& repository, const std::vector<EntryCopy>& entries) {
    for (const EntryCopy& entry : entries) {
        RPS_LOAD_REQUEST request{};
        if (!entry.live || entry.size > kMaxLoadBytes || entry.name.size() >= sizeof request.name) {
            continue;
        }
        // Exactly the member's size, so a write past it is caught.
        std::unique_ptr<unsigned char[]> buffer(new unsigned char[entry.size]);
        std::memcpy(request.name, entry.name.c_str(), entry.name.size());
        request.buffer = buffer.get();
        request.buffer_size = entry.size;
        RPS_LoadFile(repository.c_str(), &request);
        return;
    }
}

// Extracts every live member, and the named ones, with a symbolic link
// planted where the first plain-named member will be written.
void ExtractAll(const std::string& repository, const std::string& output_folder,
                const std::vector<EntryCopy>& entries) {
    FuzzSandbox& sandbox = Sandbox();
    std::vector<std::string> names = NamesOf(entries);
    FuzzSandbox::EscapeWatch watch(output_folder, names);
    for (const EntryCopy& entry : entries) {
        if (entry.live && IsPlainName(entry.name)) {
            std::string link = output_folder + "/" + entry.name;
            if (symlink(sandbox.link_target().c_str(), link.c_str()) != 0) {
                FuzzFailure("cannot plant a link at " + link);
            }
            break;
        }
    }
    RPS_GetAll(repository.c_str(), output_folder.c_str());
    if (names.size() > 16) {
        names.resize(16);
    }
    std::vector<const char*> pointers;
    for (const std::string& name : names) {
        pointers.push_back(name.c_str());
    }
    RPS_Get(repository.c_str(), output_folder.c_str(), pointers.data(),
            static_cast<std::int32_t>(pointers.size()));
    watch.Verify();
    sandbox.AssertNothingOutsideOutput();
    if (access(sandbox.link_target().c_str(), F_OK) == 0) {
        FuzzFailure("extraction followed a planted symbolic link");
    }
}

// A live member as the engine gives it back.
struct LiveMember {
    std::string name;
    std::vector<unsigned char> data;
    bool operator==(const LiveMember&) const = default;
};

// Every live member with its data, or nothing when one cannot be loaded
// whole or a name is live twice.
std::optional<std::vector<LiveMember>> ReadLiveMembers(const std::string& repository) {
    std::vector<EntryCopy> entries = CopyEntries(RPS_Info(repository.c_str()));
    std::set<std::string> names;
    std::vector<LiveMember> members;
    for (const EntryCopy& entry : entries) {
        RPS_LOAD_REQUEST request{};
        if (entry.size > kMaxLoadBytes || entry.name.size() >= sizeof request.name ||
            !names.insert(entry.name).second) {
            return std::nullopt;
        }
        LiveMember member{entry.name, std::vector<unsigned char>(entry.size)};
        std::memcpy(request.name, entry.name.c_str(), entry.name.size());
        request.buffer = member.data.data();
        request.buffer_size = entry.size;
        if (RPS_LoadFile(repository.c_str(), &request) != nullptr) {
            return std::nullopt;
        }
        members.push_back(std::move(member));
    }
    return members;
}

// A repository that passed the integrity check must pass it again after its
// first live member is deleted and the repository compacted, and still hold
// every other live member, in order, byte for byte.
void MaintainSoundRepository(const std::string& repository) {
    std::optional<std::vector<LiveMember>> expected = ReadLiveMembers(repository);
    if (!expected) {
        return;
    }
    if (!expected->empty()) {
        const char* names[] = {expected->front().name.c_str()};
        if (RPS_Delete(repository.c_str(), names, 1) != nullptr) {
            return;
        }
        expected->erase(expected->begin());
    }
    if (RPS_Compress(repository.c_str()) != nullptr) {
        return;
    }
    if (const RPS_STATUS* check = RPS_CheckIntegrity(repository.c_str())) {
        FuzzFailure(std::string("compaction left a repository that fails the check: ") +
                    (check->messages ? check->messages->text : "(no message)"));
    }
    if (ReadLiveMembers(repository) != expected) {
        FuzzFailure("deletion and compaction changed the other live members");
    }
}

}  // namespace

int FuzzRepositoryReading(const std::uint8_t* data, std::size_t size) {
    FuzzSandbox& sandbox = Sandbox();
    sandbox.Reset(data, size);
    const std::string& repository = sandbox.repository();

    std::vector<EntryCopy> entries = CopyEntries(RPS_AllInfo(repository.c_str()));
    RPS_Info(repository.c_str());
    bool sound = RPS_CheckIntegrity(repository.c_str()) == nullptr;
    ExtractAll(repository, sandbox.output_folder(), entries);
    LoadOneMember(repository, entries);

    for (const EntryCopy& entry : entries) {
        if (entry.live && entry.nested) {
            std::string nested = repository + ">>" + entry.name;
            std::vector<EntryCopy> inner = CopyEntries(RPS_AllInfo(nested.c_str()));
            ExtractAll(nested, sandbox.nested_output_folder(), inner);
            LoadOneMember(nested, inner);
            break;
        }
    }
    if (sound) {
        MaintainSoundRepository(repository);
    }
    return 0;
}

int FuzzRepositoryRecovery(const std::uint8_t* data, std::size_t size) {
    FuzzSandbox& sandbox = Sandbox();
    sandbox.Reset(data, size);
    // Directory recovery is reached through its C++ interface; until it is
    // wired in here this target exercises the open path only.
    RPS_AllInfo(sandbox.repository().c_str());
    return 0;
}

}  // namespace kivo::fuzz
