// The index-mark file (".xrs"): a recording's time-stamped comments as fixed
// 61-byte entries with no header and no line ends. Each entry is the time
// stamp "hh:mm:ss", a space, the comment (spaces stored as 0xAC), a space,
// the mark type, then spaces up to 61 bytes. The meeting and diary editors
// and the phone recorder leave the type out (it reads as "0").
// Layout: docs/formats/index-marks.md.
//
// This is the one reader and the one writer every editor and player uses.
// Both go through the FileSystem given; the overloads without one use the
// machine's (filesystem::DefaultFileSystem()).
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/status.h"

namespace kivo::recordstore {

inline constexpr std::size_t kIndexMarkEntryBytes = 61;
inline constexpr std::size_t kIndexMarkCommentMaxBytes = 50;
inline constexpr std::size_t kMaxIndexMarks = 5000;
// The joined comments kept in the record index (slot 8 of the entry).
inline constexpr std::size_t kMarkCommentsMaxBytes = 5000;

inline constexpr const char* kInsertStartComment = "insert start";
inline constexpr const char* kInsertEndComment = "insert end";

enum class IndexMarkType {
    kUser = 0,         // set by the user
    kInsertStart = 1,  // start of an inserted recording
    kInsertEnd = 2,    // end of an inserted recording
};

struct IndexMark {
    std::string time_stamp;  // "hh:mm:ss"
    std::string comment;     // plain text, at most 50 bytes
    IndexMarkType type = IndexMarkType::kUser;
};

enum class IndexMarkStyle {
    kWithType,     // time stamp, comment, type (dictation, video, players)
    kWithoutType,  // time stamp and comment only (meeting, diary, phone recorders)
};

// A mark with its comment cut to 50 bytes at a character boundary (CR, LF
// and TAB turned into spaces first).
IndexMark MakeIndexMark(std::string_view time_stamp, std::string_view comment,
                        IndexMarkType type = IndexMarkType::kUser);

// The 61 bytes of one entry. A comment that does not fit beside the time
// stamp is cut at a character boundary, so the entry is always 61 bytes.
std::string EncodeIndexMarkEntry(const IndexMark& mark, IndexMarkStyle style);

// One entry back into a mark: word 1 the time stamp, word 2 the comment
// (stand-alone 0xAC turned into spaces, then made as MakeIndexMark makes
// it), word 3 the type (empty or unknown means "0"); type "1" with the
// comment "insert end" reads as type 2.
IndexMark DecodeIndexMarkEntry(std::string_view entry);

struct IndexMarkRead {
    std::vector<IndexMark> marks;
    std::size_t torn_tail_bytes = 0;  // bytes after the last complete entry
    bool truncated = false;           // more than 5000 entries; the rest ignored
};

// Reads an index-mark file: complete 61-byte entries, at most 5000; a torn
// tail is ignored. A missing file is kNotFound.
Status ReadIndexMarkFile(filesystem::FileSystem& file_system, const std::string& path,
                         IndexMarkRead* read);
Status ReadIndexMarkFile(const std::string& path, IndexMarkRead* read);

// Writes the marks (at most 5000; more is kInvalidArgument) as a new file,
// replacing any earlier one through a temporary file beside it. No marks
// give an empty file.
Status WriteIndexMarkFile(filesystem::FileSystem& file_system, const std::string& path,
                          std::span<const IndexMark> marks,
                          IndexMarkStyle style = IndexMarkStyle::kWithType);
Status WriteIndexMarkFile(const std::string& path, std::span<const IndexMark> marks,
                          IndexMarkStyle style = IndexMarkStyle::kWithType);

// The comments joined by single spaces for the record index: a comment is
// appended only while the joined text is shorter than 5000 bytes, and the
// result is cut to 5000 bytes at a character boundary. A single space when
// there are no comments at all.
std::string JoinMarkComments(std::span<const IndexMark> marks);

}  // namespace kivo::recordstore
