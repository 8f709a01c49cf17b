// Drives the repository engine over arbitrary bytes; see repository_fuzz_entry.h.
#include "repository_fuzz_entry.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fuzz_sandbox.h"
#include "kivo/repository/recovery.h"
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

// A plain name the engine may write into the extraction folder: not empty,
// not "." or "..", no '/', '\\', NUL or other control character.
bool IsPlainName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    for (char c : name) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 32 || byte == 127) {
            return false;
        }
    }
    return true;
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

struct LiveMembers {
    // Every live member was loaded. False when one is beyond what this
    // harness loads (too large, a name the engine will not extract, a name
    // live twice), or when loading failed.
    bool complete = false;
    // A member within those limits could not be loaded.
    bool load_failed = false;
    std::vector<LiveMember> members;
};

LiveMembers ReadLiveMembers(const std::string& repository) {
    std::vector<EntryCopy> entries = CopyEntries(RPS_Info(repository.c_str()));
    std::set<std::string> names;
    LiveMembers result;
    for (const EntryCopy& entry : entries) {
        RPS_LOAD_REQUEST request{};
        if (entry.size > kMaxLoadBytes || entry.name.size() >= sizeof request.name ||
            !IsPlainName(entry.name) || !names.insert(entry.name).second) {
            return result;
        }
        LiveMember member{entry.name, std::vector<unsigned char>(entry.size)};
        std::memcpy(request.name, entry.name.c_str(), entry.name.size());
        request.buffer = member.data.data();
        request.buffer_size = entry.size;
        if (RPS_LoadFile(repository.c_str(), &request) != nullptr) {
            result.load_failed = true;
            return result;
        }
        result.members.push_back(std::move(member));
    }
    result.complete = true;
    return result;
}

// A repository that passed the integrity check must pass it again after its
// first live member is deleted and the repository compacted, and still hold
// every other live member, in order, byte for byte.
void MaintainSoundRepository(const std::string& repository) {
    LiveMembers before = ReadLiveMembers(repository);
    if (!before.complete) {
        return;
    }
    std::vector<LiveMember> expected = std::move(before.members);
    if (!expected.empty()) {
        const char* names[] = {expected.front().name.c_str()};
        if (RPS_Delete(repository.c_str(), names, 1) != nullptr) {
            return;
        }
        expected.erase(expected.begin());
    }
    if (RPS_Compress(repository.c_str()) != nullptr) {
        return;
    }
    if (const RPS_STATUS* check = RPS_CheckIntegrity(repository.c_str())) {
        FuzzFailure(std::string("compaction left a repository that fails the check: ") +
                    (check->messages ? check->messages->text : "(no message)"));
    }
    LiveMembers after = ReadLiveMembers(repository);
    if (!after.complete || after.members != expected) {
        FuzzFailure("deletion and compaction changed the other live members");
    }
}

// The whole file as bytes.
std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

bool SameEntries(const std::vector<repository::EntryInfo>& a,
                 const std::vector<repository::EntryInfo>& b) {
    auto same = [](const repository::EntryInfo& x, const repository::EntryInfo& y) {
        return x.name == y.name && x.version == y.version && x.size_bytes == y.size_bytes &&
               x.deleted == y.deleted;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), same);
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
    const std::string& repository = sandbox.repository();

    repository::RecoveryReport look = repository::RecoverDirectory(repository, false);
    if (ReadFile(repository) != std::vector<std::uint8_t>(data, data + size)) {
        FuzzFailure("recovery without writing changed the repository");
    }
    sandbox.AssertNothingOutsideOutput();

    repository::RecoveryReport repair = repository::RecoverDirectory(repository, true);
    sandbox.AssertNothingOutsideOutput();  // no journal left behind either
    if (!repair.written) {
        return 0;
    }
    if (!SameEntries(look.entries, repair.entries)) {
        FuzzFailure("recovery found other entries when writing than when looking");
    }
    if (const RPS_STATUS* check = RPS_CheckIntegrity(repository.c_str())) {
        FuzzFailure(std::string("the recovered repository fails the check: ") +
                    (check->messages ? check->messages->text : "(no message)"));
    }
    std::vector<EntryCopy> listed = CopyEntries(RPS_AllInfo(repository.c_str()));
    if (listed.size() != repair.entries.size()) {
        FuzzFailure("the recovered directory lists another number of entries than recovery found");
    }
    // A name with a NUL byte reaches the C interface cut short, so it cannot
    // be asked for; such a repository is not checked member by member.
    bool addressable = std::all_of(repair.entries.begin(), repair.entries.end(),
                                   [](const repository::EntryInfo& entry) {
                                       return entry.name.find('\0') == std::string::npos;
                                   });
    if (addressable && ReadLiveMembers(repository).load_failed) {
        FuzzFailure("a live member of the recovered repository cannot be loaded");
    }
    ExtractAll(repository, sandbox.output_folder(), listed);
    return 0;
}

}  // namespace kivo::fuzz
