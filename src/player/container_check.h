// Checks a recording file from a stranger before anything is unpacked.
//
// A recording file is a repository. The player refuses one that the
// repository engine cannot read, that holds no live member or more than ten
// (a recording has its media, marks, record line and at most a picture or
// two texts), or whose live member names are not plain file names (a folder
// part, "..", control characters): such a file was not made by Kivo.
#pragma once

#include <string>

namespace kivo::player {

inline constexpr int kMaxContainerMembers = 10;

// Why a file cannot be opened as a recording; kNone when it passes the check.
enum class ContainerProblem {
    kNone,
    kNotFound,       // no such file, or not a regular file
    kEmpty,          // zero bytes
    kNotARecording,  // not a repository, or members no recording has
    kDamaged,        // a repository the engine cannot read through
    kInUse,          // cannot be opened: locked by a writer or not readable
};

// Checks the file: it exists, is not empty, begins as a repository, the
// engine lists it, and every live member name is a plain file name with 1 to
// ten of them.
ContainerProblem CheckContainer(const std::string& container_path);

// True when CheckContainer finds no problem.
bool ContainerLooksSound(const std::string& container_path);

// The reason in one line for the user ("The file is empty."); empty for kNone.
const char* ContainerProblemText(ContainerProblem problem);

// True for a plain file name: not empty, no '/', '\\' or control byte, not
// "." or "..", at most 255 bytes.
bool IsPlainMemberName(const std::string& name);

}  // namespace kivo::player

namespace kivo::player {

// The name of the recording's picture member: stem + ".GIF", then stem +
// ".JPG", then any other live member ending in ".gif" or ".jpg" (a renamed
// export keeps its old stem); empty when there is none. *gif is set for a
// GIF picture.
std::string ContainerPictureName(const std::string& container_path, const std::string& stem,
                                 bool* gif);

}  // namespace kivo::player
