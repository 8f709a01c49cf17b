// libFuzzer target: arbitrary bytes opened, listed, checked, extracted and
// loaded as a repository (see repository_fuzz_entry.h).
#include <cstddef>
#include <cstdint>

#include "repository_fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return kivo::fuzz::FuzzRepositoryReading(data, size);
}
