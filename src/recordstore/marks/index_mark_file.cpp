// The index-mark file: 61-byte entries of time stamp, comment and type.
#include "kivo/recordstore/index_mark_file.h"

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/text_encoding.h"
#include "kivo/recordstore/words.h"
#include "line/file_access.h"

namespace kivo::recordstore {
namespace {

// A time stamp longer than this (never written by the program) is cut, so
// an entry always keeps room for a comment.
constexpr std::size_t kTimeStampMaxBytes = 16;

char TypeDigit(IndexMarkType type) {
    switch (type) {
        case IndexMarkType::kInsertStart:
            return '1';
        case IndexMarkType::kInsertEnd:
            return '2';
        case IndexMarkType::kUser:
            break;
    }
    return '0';
}

IndexMarkType TypeOf(std::string_view digit, std::string_view comment) {
    if (digit == "1") {
        // The end of an inserted recording was once written with type 1.
        return comment == kInsertEndComment ? IndexMarkType::kInsertEnd
                                            : IndexMarkType::kInsertStart;
    }
    if (digit == "2") {
        return IndexMarkType::kInsertEnd;
    }
    return IndexMarkType::kUser;
}

}  // namespace

IndexMark MakeIndexMark(std::string_view time_stamp, std::string_view comment, IndexMarkType type) {
    IndexMark mark;
    mark.time_stamp = std::string(time_stamp);
    mark.comment = std::string(CutAtCharBoundary(FlattenLines(comment), kIndexMarkCommentMaxBytes));
    mark.type = type;
    return mark;
}

std::string EncodeIndexMarkEntry(const IndexMark& mark, IndexMarkStyle style) {
    const std::string time_stamp =
        StoreSpaces(CutAtCharBoundary(mark.time_stamp, kTimeStampMaxBytes));
    const std::size_t type_bytes = style == IndexMarkStyle::kWithType ? 2 : 0;
    const std::size_t room = kIndexMarkEntryBytes - time_stamp.size() - 1 - type_bytes;
    const std::size_t comment_bytes = std::min(room, kIndexMarkCommentMaxBytes);
    std::string entry = time_stamp;
    entry.push_back(' ');
    entry += StoreSpaces(CutAtCharBoundary(mark.comment, comment_bytes));
    if (style == IndexMarkStyle::kWithType) {
        entry.push_back(' ');
        entry.push_back(TypeDigit(mark.type));
    }
    entry.resize(kIndexMarkEntryBytes, ' ');
    return entry;
}

IndexMark DecodeIndexMarkEntry(std::string_view entry) {
    entry = entry.substr(0, std::min(entry.size(), kIndexMarkEntryBytes));
    entry = entry.substr(0, entry.find('\0'));  // a NUL ends the text
    // The comment is made as MakeIndexMark makes one (line breaks and TABs
    // as spaces, other control bytes dropped, at most 50 bytes), so a mark
    // read from a file reads back the same after it is written again; the
    // legacy type rule then sees the comment that will be stored. A control
    // byte would otherwise be stored as 0xAC and come back as a space, and
    // "insert<GS>end" of type 1 would turn into an end mark.
    IndexMark mark = MakeIndexMark(WordAt(entry, 1), RestoreSpaces(WordAt(entry, 2)));
    mark.type = TypeOf(WordAt(entry, 3), mark.comment);
    return mark;
}

Status ReadIndexMarkFile(filesystem::FileSystem& file_system, const std::string& path,
                         IndexMarkRead* read) {
    *read = IndexMarkRead{};
    std::unique_ptr<filesystem::File> file;
    Status status = file_access::Open(file_system, path, file_access::ForReading(), &file);
    if (!status.ok()) {
        return status;
    }
    std::uint64_t size_bytes = 0;
    status = file_access::FileSize(*file, path, &size_bytes);
    if (!status.ok()) {
        return status;
    }
    std::uint64_t entries = size_bytes / kIndexMarkEntryBytes;
    read->torn_tail_bytes = static_cast<std::size_t>(size_bytes % kIndexMarkEntryBytes);
    if (entries > kMaxIndexMarks) {
        entries = kMaxIndexMarks;
        read->truncated = true;
    }
    std::string bytes(static_cast<std::size_t>(entries * kIndexMarkEntryBytes), '\0');
    std::size_t read_bytes = 0;
    status = file_access::ReadAt(*file, path, 0, bytes.data(), bytes.size(), &read_bytes);
    if (!status.ok()) {
        return status;
    }
    const std::size_t complete = read_bytes / kIndexMarkEntryBytes;
    read->marks.reserve(complete);
    for (std::size_t i = 0; i < complete; ++i) {
        read->marks.push_back(DecodeIndexMarkEntry(
            std::string_view(bytes).substr(i * kIndexMarkEntryBytes, kIndexMarkEntryBytes)));
    }
    return Status::Ok();
}

Status ReadIndexMarkFile(const std::string& path, IndexMarkRead* read) {
    return ReadIndexMarkFile(filesystem::DefaultFileSystem(), path, read);
}

Status WriteIndexMarkFile(filesystem::FileSystem& file_system, const std::string& path,
                          std::span<const IndexMark> marks, IndexMarkStyle style) {
    if (marks.size() > kMaxIndexMarks) {
        return Status::InvalidArgument("a recording has at most 5000 index marks");
    }
    std::string bytes;
    bytes.reserve(marks.size() * kIndexMarkEntryBytes);
    for (const IndexMark& mark : marks) {
        bytes += EncodeIndexMarkEntry(mark, style);
    }
    return file_access::ReplaceFile(file_system, path, bytes);
}

Status WriteIndexMarkFile(const std::string& path, std::span<const IndexMark> marks,
                          IndexMarkStyle style) {
    return WriteIndexMarkFile(filesystem::DefaultFileSystem(), path, marks, style);
}

std::string JoinMarkComments(std::span<const IndexMark> marks) {
    std::string joined;
    for (const IndexMark& mark : marks) {
        if (joined.size() >= kMarkCommentsMaxBytes) {
            break;
        }
        if (!joined.empty()) {
            joined.push_back(' ');
        }
        joined += FlattenLines(mark.comment);
    }
    joined = std::string(CutAtCharBoundary(joined, kMarkCommentsMaxBytes));
    return joined.empty() ? std::string(" ") : joined;
}

}  // namespace kivo::recordstore
