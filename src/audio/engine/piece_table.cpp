// The piece list behind the editable recording (see piece_table.h).
#include "piece_table.h"

#include <algorithm>

namespace kivo::audio {

void PieceTable::Clear() {
    pieces_.clear();
    size_ = 0;
}

void PieceTable::Assign(const Piece& piece) {
    Clear();
    if (piece.length > 0) {
        pieces_.push_back(piece);
        size_ = piece.length;
    }
}

std::size_t PieceTable::SplitAt(std::uint64_t at) {
    std::uint64_t start = 0;
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        if (start == at) {
            return i;
        }
        const Piece piece = pieces_[i];
        if (at < start + piece.length) {
            const std::uint64_t head = at - start;
            pieces_[i].length = head;
            pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                           Piece{piece.source, piece.offset + head, piece.length - head});
            return i + 1;
        }
        start += piece.length;
    }
    return pieces_.size();
}

void PieceTable::Normalise() {
    std::size_t kept = 0;
    for (const Piece& piece : pieces_) {
        if (piece.length == 0) {
            continue;
        }
        if (kept > 0) {
            Piece& last = pieces_[kept - 1];
            if (last.source == piece.source && last.offset + last.length == piece.offset) {
                last.length += piece.length;
                continue;
            }
        }
        pieces_[kept++] = piece;
    }
    pieces_.resize(kept);
}

void PieceTable::Insert(std::uint64_t at, const Piece& piece) {
    if (piece.length == 0) {
        return;
    }
    at = std::min(at, size_);
    const std::size_t index = SplitAt(at);
    pieces_.insert(pieces_.begin() + static_cast<std::ptrdiff_t>(index), piece);
    size_ += piece.length;
    Normalise();
}

void PieceTable::Overwrite(std::uint64_t at, const Piece& piece) {
    at = std::min(at, size_);
    Erase(at, at + std::min(piece.length, size_ - at));
    Insert(at, piece);
}

void PieceTable::Erase(std::uint64_t from, std::uint64_t to) {
    to = std::min(to, size_);
    if (from >= to) {
        return;
    }
    const std::size_t first = SplitAt(from);
    const std::size_t end = SplitAt(to);
    pieces_.erase(pieces_.begin() + static_cast<std::ptrdiff_t>(first),
                  pieces_.begin() + static_cast<std::ptrdiff_t>(end));
    size_ -= to - from;
    Normalise();
}

}  // namespace kivo::audio
