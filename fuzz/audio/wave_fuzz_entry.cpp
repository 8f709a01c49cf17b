// The wave reader's fuzz entry (see wave_fuzz_entry.h).
#include "wave_fuzz_entry.h"

#include <cstdio>
#include <cstdlib>

#include "kivo/wavefile/peak_level.h"
#include "kivo/wavefile/wave_reader.h"

namespace kivo::wavefile {

namespace {

void Require(bool condition, const char* promise) {
    if (!condition) {
        std::fprintf(stderr, "wave reader broke its promise: %s\n", promise);
        std::abort();
    }
}

}  // namespace

int WaveReaderFuzzEntry(const std::uint8_t* data, std::size_t size) {
    WaveData wave;
    const WaveStatus status = ReadWaveMemory(data, size, &wave);
    if (!status.ok()) {
        Require(!status.message().empty(), "a refusal says why");
        Require(wave.samples.empty(), "a refused file yields no samples");
        return 0;
    }
    const WaveInfo& info = wave.info;
    Require(info.data_offset <= size && info.data_bytes <= size - info.data_offset,
            "the data chunk lies inside the input");
    Require(info.format.block_align_bytes > 0 && info.format.channels > 0, "the format has frames");
    Require(wave.samples.size() == info.frames() * info.format.block_align_bytes,
            "the samples are whole frames of the data chunk");
    Require(wave.samples.size() <= size, "nothing larger than the input is allocated");
    if (const auto pcm = info.format.AsPlayablePcm()) {
        Require(pcm->IsPlayable(), "a playable format is playable");
        Require(pcm->block_align_bytes() == info.format.block_align_bytes,
                "the playable format has the file's frame size");
        ComputePeakLevels(wave.samples.data(), wave.samples.size(), *pcm);
    }
    return 0;
}

}  // namespace kivo::wavefile
