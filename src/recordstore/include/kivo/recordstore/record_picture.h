// The picture a record may carry in its recording container: a GIF stored as
// member B + ".GIF" or a JPEG as B + ".JPG", B being the container's base
// name (recording_container.h). The record editors and the message player
// attach, show and replace it.
#pragma once

#include <string>
#include <string_view>

#include "kivo/recordstore/recording_container.h"

namespace kivo::recordstore {

enum class PictureType : int { kNone = 0, kGif = 1, kJpg = 2 };

// The type of a picture file by its name: a ".gif" extension (in any case) is
// a GIF, any other name a JPEG (the dialogs offer only the two); an empty name
// is none.
PictureType PictureTypeOfFile(std::string_view file_name);

// The member extension of a type: ".GIF" or ".JPG"; empty for kNone.
std::string_view PictureMemberExtension(PictureType type);

// The picture member of a container's base name: B + ".GIF" or B + ".JPG";
// empty for kNone.
std::string PictureMemberName(std::string_view base_name, PictureType type);

// What SaveIntoStore is to store besides media, marks and line.
ContainerExtras PictureExtras(PictureType type);

}  // namespace kivo::recordstore
