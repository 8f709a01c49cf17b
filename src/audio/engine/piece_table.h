// The editable recording's storage: an ordered list of pieces, each a run of
// bytes in one of two sources (the opened wave's data chunk, or the scratch
// file that receives recorded audio). Editing rewrites the list, never the
// audio: inserting, overwriting and deleting cost O(pieces) whatever the
// length of the recording.
//
// Offsets and lengths are in bytes; the document keeps them frame-aligned.
// Adjacent pieces that continue each other in the same source are merged, so
// a recording edited a few times stays a handful of pieces.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kivo::audio {

enum class PieceSource : std::uint8_t { kWave, kScratch };

struct Piece {
    PieceSource source = PieceSource::kWave;
    std::uint64_t offset = 0;  // in the source
    std::uint64_t length = 0;  // bytes

    bool operator==(const Piece&) const = default;
};

class PieceTable {
public:
    std::uint64_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const std::vector<Piece>& pieces() const { return pieces_; }

    void Clear();
    // The whole content becomes `piece` (empty when its length is 0).
    void Assign(const Piece& piece);
    // Puts `piece` before the byte at `at`; `at` is clamped to size().
    void Insert(std::uint64_t at, const Piece& piece);
    // Replaces the bytes from `at` with `piece`, growing the content when the
    // piece runs past the end; `at` is clamped to size().
    void Overwrite(std::uint64_t at, const Piece& piece);
    // Removes the bytes [from, to), both clamped to size().
    void Erase(std::uint64_t from, std::uint64_t to);

    // Calls visit(const Piece&) with the parts of pieces that cover the bytes
    // [from, from + count) in order, each cut to that range; stops early and
    // returns false when visit returns false.
    template <typename Visit>
    bool ForEach(std::uint64_t from, std::uint64_t count, Visit&& visit) const {
        std::uint64_t start = 0;
        for (const Piece& piece : pieces_) {
            if (count == 0) {
                break;
            }
            const std::uint64_t end = start + piece.length;
            if (end > from) {
                const std::uint64_t skip = from - start;
                const std::uint64_t take = std::min(piece.length - skip, count);
                if (!visit(Piece{piece.source, piece.offset + skip, take})) {
                    return false;
                }
                from += take;
                count -= take;
            }
            start = end;
        }
        return true;
    }

private:
    // Makes a piece boundary at `at` (<= size()) and returns the index of the
    // piece that starts there (pieces_.size() at the end).
    std::size_t SplitAt(std::uint64_t at);
    // Drops empty pieces and merges neighbours that continue each other.
    void Normalise();

    std::vector<Piece> pieces_;
    std::uint64_t size_ = 0;
};

}  // namespace kivo::audio
