// Classifying a member's bytes as text.
#include "text_kind.h"

namespace kivo::repository {

TextKind ClassifyText(const std::uint8_t* bytes, std::size_t size) {
    std::size_t crlf_pairs = 0;
    std::size_t lone_lfs = 0;
    std::size_t lone_crs = 0;
    bool other_control = false;
    for (std::size_t i = 0; i < size; ++i) {
        std::uint8_t byte = bytes[i];
        if (byte == '\n') {
            if (i > 0 && bytes[i - 1] == '\r') {
                ++crlf_pairs;
            } else {
                ++lone_lfs;
            }
        } else if (byte == '\r') {
            if (i + 1 < size && bytes[i + 1] != '\n') {
                ++lone_crs;
            }
        } else if (byte < 32 || byte == 127) {
            other_control = true;
        }
    }
    if (other_control) {
        return TextKind::kControl;
    }
    if (lone_lfs > 0 && crlf_pairs == 0 && lone_crs == 0) {
        return TextKind::kLf;
    }
    if (lone_crs > 0 && crlf_pairs == 0 && lone_lfs == 0) {
        return TextKind::kCr;
    }
    return TextKind::kCrLf;
}

}  // namespace kivo::repository
