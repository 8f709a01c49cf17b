// A record's picture member (see record_picture.h).
#include "kivo/recordstore/record_picture.h"

#include <algorithm>
#include <cctype>

#include "kivo/recordstore/data_store_layout.h"

namespace kivo::recordstore {

PictureType PictureTypeOfFile(std::string_view file_name) {
    if (file_name.empty())
        return PictureType::kNone;
    const std::string_view gif = ".gif";
    const bool is_gif =
        file_name.size() >= gif.size() &&
        std::equal(gif.begin(), gif.end(), file_name.end() - gif.size(),
                   [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    return is_gif ? PictureType::kGif : PictureType::kJpg;
}

std::string_view PictureMemberExtension(PictureType type) {
    switch (type) {
        case PictureType::kGif:
            return kGifPictureExtension;
        case PictureType::kJpg:
            return kJpgPictureExtension;
        case PictureType::kNone:
            break;
    }
    return {};
}

std::string PictureMemberName(std::string_view base_name, PictureType type) {
    if (type == PictureType::kNone)
        return {};
    return std::string(base_name) + std::string(PictureMemberExtension(type));
}

ContainerExtras PictureExtras(PictureType type) {
    switch (type) {
        case PictureType::kGif:
            return ContainerExtras::kGifPicture;
        case PictureType::kJpg:
            return ContainerExtras::kJpgPicture;
        case PictureType::kNone:
            break;
    }
    return ContainerExtras::kNone;
}

}  // namespace kivo::recordstore
