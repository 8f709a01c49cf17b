// libFuzzer target: arbitrary bytes opened as a received recording container
// (see container_open_fuzz_entry.h).
#include <cstddef>
#include <cstdint>

#include "container_open_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kivo::fuzz::FuzzContainerOpen(data, size);
}
