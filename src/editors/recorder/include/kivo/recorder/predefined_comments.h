// Predefined index comments: comments prepared before a dictation starts
// (by the user or by a program priming the recorder), offered one after the
// other in the recorder's "Index Comment" list; each is used by one MARK.
//
// They are handed over as one text: the comments separated by single
// spaces, a space inside a comment written as the byte 0xAC. At most
// kPredefinedCommentsMaxBytes of the text are read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kivo::recorder {

inline constexpr std::size_t kPredefinedCommentsMaxBytes = 10045;

// The comments of the text, in order, with each stand-alone 0xAC turned
// back into a space. Empty words (two spaces in a row, a leading or
// trailing space) are skipped; bytes that are not UTF-8 are read as
// Windows-1252; each comment is cut to the 50 bytes a mark comment holds,
// so that the comment offered is the one a mark stores.
std::vector<std::string> ParsePredefinedComments(std::string_view text);

// The handed-over text of these comments (the inverse of
// ParsePredefinedComments): each comment's spaces stored as 0xAC, the
// comments joined by single spaces; empty comments are dropped, and no
// comment is cut in two at kPredefinedCommentsMaxBytes: those that do not
// fit whole are left out.
std::string PackPredefinedComments(const std::vector<std::string>& comments);

}  // namespace kivo::recorder
