// Loading a text file for the translator (see text_file_loading.h).
#include "kivo/translator/text_file_loading.h"

#include <fstream>
#include <utility>

#include "kivo/recordstore/text_file_bytes.h"

namespace kivo::translator {

LoadedText DecodeText(std::string_view bytes, std::size_t limit_bytes, bool more_follows) {
    recordstore::DecodedText decoded =
        recordstore::DecodeTextFileBytes(bytes, limit_bytes, more_follows);
    return LoadedText{true, decoded.cut, std::move(decoded.utf8)};
}

LoadedText LoadTextFile(const std::filesystem::path& path, std::size_t limit_bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return {};
    // Decoding never keeps more than limit_bytes, so the limit and one more
    // character (up to 4 bytes) of the file decide everything.
    std::string bytes(limit_bytes + 4, '\0');
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad())
        return {};
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    const bool more_follows = file.peek() != std::ifstream::traits_type::eof();
    return DecodeText(bytes, limit_bytes, more_follows);
}

}  // namespace kivo::translator
