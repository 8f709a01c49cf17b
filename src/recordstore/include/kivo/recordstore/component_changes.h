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

// Finds the same changes as FindChanges while the new bytes arrive a piece
// at a time (read from a file in blocks), so a large component is compared
// with its earlier version without being held twice. `before` must stay
// alive and unchanged until Finish.
class ChangeFinder {
public:
    ChangeFinder(std::string_view member, std::string_view before);

    // The next bytes of the new version, in file order.
    void Feed(std::string_view piece);

    // The changes, once every byte of the new version was fed.
    std::vector<ComponentChange> Finish() &&;

private:
    // A run of bytes inside `before`'s length that differ from it, with the
    // new bytes.
    struct DifferingRun {
        std::uint64_t begin = 0;
        std::string bytes;
        std::uint64_t end() const { return begin + bytes.size(); }
    };

    void Compare(const char* piece, std::size_t length);
    std::string NewBytes(std::uint64_t begin, std::uint64_t end,
                         std::vector<DifferingRun>::const_iterator& run) const;

    std::string member_;
    std::string_view before_;
    std::uint64_t fed_bytes_ = 0;
    std::vector<DifferingRun> runs_;
    std::string grown_;  // the new bytes past before_'s length
};

// Applies one change to a file's bytes held in memory.
void ApplyChange(const ComponentChange& change, std::string& content);

}  // namespace kivo::recordstore
