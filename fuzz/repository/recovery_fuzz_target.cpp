// libFuzzer target: directory recovery over arbitrary bytes (see
// repository_fuzz_entry.h).
#include <cstddef>
#include <cstdint>

#include "repository_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kivo::fuzz::FuzzRepositoryRecovery(data, size);
}
