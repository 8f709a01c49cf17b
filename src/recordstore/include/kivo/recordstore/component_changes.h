// What changed in a component file (a record log, the index, the phone
// book ...) between two versions of its bytes, as the stretches a write-ahead
// journal keeps: after the change the file is new_size_bytes long and holds
// `bytes` at offset_bytes. Everything else is as before.
//
// Applying a change writes the bytes and then sets the length, so applying
// the changes of a commit twice, or onto a version that already holds them,
// gives the same file: playing a journal back is idempotent.
// Format of the journal that carries them: docs/formats/component-journal.md.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::recordstore {

struct ComponentChange {
    std::string member;  // the component's member name ("Voxwren.xrr")
    std::uint64_t offset_bytes = 0;
    std::uint64_t new_size_bytes = 0;
    std::string bytes;

    bool operator==(const ComponentChange&) const = default;
};

// Differing stretches closer than this are joined into one change: a change
// costs about 30 bytes of journal besides its bytes.
inline constexpr std::size_t kChangeJoinGapBytes = 32;

// The changes that turn `before` into `after`, in file order: one per
// differing stretch (joined as above) and one for bytes past the end of
// `before`. A file that only became shorter gives one change without bytes.
// Equal contents give none.
std::vector<ComponentChange> FindChanges(std::string_view member, std::string_view before,
                                         std::string_view after);

// Applies one change to a file's bytes held in memory.
void ApplyChange(const ComponentChange& change, std::string& content);

}  // namespace kivo::recordstore
