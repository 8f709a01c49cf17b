// libFuzzer target: arbitrary bytes decoded as a recording's stored media
// member (see media_decode_fuzz_entry.h).
#include <cstddef>
#include <cstdint>

#include "media_decode_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kivo::fuzz::FuzzMediaDecode(data, size);
}
