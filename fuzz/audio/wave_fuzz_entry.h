// The wave reader's fuzz entry, shared by the libFuzzer target and the
// replay test that runs the committed corpus in every normal test run.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kivo::wavefile {

// Parses `data` as a wave file and checks what a successful parse promises
// (sizes inside the input, whole frames, a playable format only when it is
// one). Aborts on a broken promise; returns 0.
int WaveReaderFuzzEntry(const std::uint8_t* data, std::size_t size);

}  // namespace kivo::wavefile
