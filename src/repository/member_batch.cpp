// MemberBatch: slots for member data in one page-aligned buffer, and the
// pieces of the gathered write.
#include "member_batch.h"

namespace kivo::repository {

MemberBatch::MemberBatch(std::size_t capacity_bytes) : buffer_(capacity_bytes) {}

std::size_t MemberBatch::SlotBytes(std::size_t data_bytes) {
    const std::size_t page = filesystem::PageAlignedBuffer::PageBytes();
    return (data_bytes + page - 1) / page * page;
}

bool MemberBatch::Fits(std::size_t data_bytes) const {
    return SlotBytes(data_bytes) <= buffer_.size() - used_bytes_;
}

std::uint8_t* MemberBatch::Add(std::uint64_t block_offset, std::vector<std::uint8_t> head,
                               std::size_t data_bytes) {
    if (members_.empty()) {
        start_offset_ = block_offset;
    }
    members_.push_back(Member{std::move(head), used_bytes_, data_bytes});
    used_bytes_ += SlotBytes(data_bytes);
    return buffer_.data() + members_.back().slot_offset;
}

void MemberBatch::RemoveLast() {
    used_bytes_ = members_.back().slot_offset;
    members_.pop_back();
}

void MemberBatch::Clear() {
    members_.clear();
    used_bytes_ = 0;
}

std::vector<filesystem::WritePiece> MemberBatch::Pieces() const {
    std::vector<filesystem::WritePiece> pieces;
    pieces.reserve(members_.size() * 2);
    for (const Member& member : members_) {
        if (!member.head.empty()) {
            pieces.push_back({member.head.data(), member.head.size()});
        }
        if (member.data_bytes > 0) {
            pieces.push_back({buffer_.data() + member.slot_offset, member.data_bytes});
        }
    }
    return pieces;
}

std::ptrdiff_t MemberBatch::HeadByteAt(std::size_t offset) const {
    for (const Member& member : members_) {
        if (offset < member.head.size()) {
            return static_cast<std::ptrdiff_t>(offset);
        }
        offset -= member.head.size();
        if (offset < member.data_bytes) {
            return -1;
        }
        offset -= member.data_bytes;
    }
    return -1;
}

}  // namespace kivo::repository
