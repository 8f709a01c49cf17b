// Reading RIFF/WAVE files. A wave file is untrusted input (imports, e-mailed
// recordings): every chunk size is checked against the bytes that are really
// there, odd-sized chunks skip their pad byte, a missing, repeated or
// misplaced "fmt " chunk and impossible formats are refused, and nothing is
// allocated beyond what the file holds. Failures come back as a WaveStatus
// whose message says what was wrong and where.
//
// The parser reads through ByteSource, so the same code reads a file, a block
// of memory (a Qt resource) or a fuzzer's bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kivo/wavefile/pcm_format.h"
#include "kivo/wavefile/wave_status.h"

namespace kivo::wavefile {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t SizeBytes() const = 0;
    // Reads exactly `count` bytes at `offset`; false when they are not there.
    virtual bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) = 0;
};

class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const void* data, std::size_t size_bytes);
    std::uint64_t SizeBytes() const override { return size_bytes_; }
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override;

private:
    const std::uint8_t* data_;
    std::size_t size_bytes_;
};

// The "fmt " chunk as stored, with its fields decoded.
struct WaveFormat {
    std::uint16_t format_tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sample_rate_hz = 0;
    std::uint32_t bytes_per_second = 0;
    std::uint16_t block_align_bytes = 0;
    std::uint16_t bits_per_sample = 0;
    bool pcm = false;                 // tag 1, or WAVE_FORMAT_EXTENSIBLE with the PCM sub-format
    std::vector<std::uint8_t> block;  // the chunk's bytes, exactly as in the file

    // The PCM format when this is 8- or 16-bit PCM with 1 or 2 channels.
    std::optional<PcmFormat> AsPlayablePcm() const;
};

struct WaveInfo {
    WaveFormat format;
    std::uint64_t data_offset = 0;  // of the first sample byte
    std::uint64_t data_bytes = 0;   // as declared, known to fit in the file
    std::optional<std::uint32_t> fact_frames;

    // Whole frames in the data chunk; a trailing partial frame is not counted.
    std::uint64_t frames() const;
};

struct WaveData {
    WaveInfo info;
    std::vector<std::uint8_t> samples;  // whole frames only
};

// Finds and checks the format and the data chunk; reads no sample data.
WaveStatus ParseWaveInfo(ByteSource& source, WaveInfo* info);
// ParseWaveInfo, then reads the data chunk (whole frames).
WaveStatus ReadWave(ByteSource& source, WaveData* wave);
WaveStatus ReadWaveFile(const std::string& path, WaveData* wave);
WaveStatus ReadWaveFileInfo(const std::string& path, WaveInfo* info);
WaveStatus ReadWaveMemory(const void* data, std::size_t size_bytes, WaveData* wave);

}  // namespace kivo::wavefile
