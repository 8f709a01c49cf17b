// RIFF WAVE walker for the media codec: see wave_layout.h.
//
// A wave file is "RIFF", a 32-bit size, "WAVE", then chunks of a 4-byte id,
// a 32-bit little-endian size and that many bytes, padded to an even length.
// The walk stops at the "data" chunk: what follows the samples is tail. The
// RIFF size field is not trusted (recorders that stopped early leave it
// wrong); a data chunk that claims more bytes than the file holds is taken
// up to the end of the file.
#include "codec/wave_layout.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "store/file_handle.h"

namespace kivo::recordstore {
namespace {

constexpr std::uint64_t kRiffHeaderBytes = 12;  // "RIFF", size, "WAVE"
constexpr std::uint64_t kChunkHeaderBytes = 8;  // id, size
constexpr std::uint32_t kPlainFmtBytes = 16;
constexpr std::uint32_t kExtensibleFmtBytes = 40;
constexpr std::uint16_t kFormatPcm = 0x0001;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint16_t kMaxChannels = 8;  // the most FLAC carries
// KSDATAFORMAT_SUBTYPE_PCM after its first two bytes (which hold 0x0001).
constexpr std::array<unsigned char, 14> kPcmSubformatTail = {
    0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

WaveInspection Other(std::string reason) {
    WaveInspection result;
    result.verdict = WaveVerdict::kOtherContent;
    result.reason = std::move(reason);
    return result;
}

WaveInspection ReadFailed() {
    WaveInspection result;
    result.verdict = WaveVerdict::kReadFailed;
    result.reason = "read error";
    return result;
}

// Checks the fmt chunk body and fills the format fields of layout.
bool AcceptFormat(const unsigned char* fmt, std::uint32_t fmt_bytes, WaveLayout* layout,
                  std::string* reason) {
    const std::uint16_t tag = U16(fmt);
    layout->channels = U16(fmt + 2);
    layout->sample_rate_hz = U32(fmt + 4);
    layout->bytes_per_frame = U16(fmt + 12);
    layout->bits_per_sample = U16(fmt + 14);
    if (tag == kFormatExtensible) {
        if (fmt_bytes < kExtensibleFmtBytes || U16(fmt + 24) != kFormatPcm ||
            std::memcmp(fmt + 26, kPcmSubformatTail.data(), kPcmSubformatTail.size()) != 0) {
            *reason = "extensible wave that is not PCM";
            return false;
        }
        if (U16(fmt + 18) != layout->bits_per_sample) {
            *reason = "PCM with fewer valid bits than its container";
            return false;
        }
    } else if (tag != kFormatPcm) {
        *reason = "wave format tag " + std::to_string(tag) + " is not PCM";
        return false;
    }
    const unsigned bits = layout->bits_per_sample;
    if (bits != 8 && bits != 16 && bits != 24) {
        *reason = "PCM of " + std::to_string(bits) + " bits per sample";
        return false;
    }
    if (layout->channels == 0 || layout->channels > kMaxChannels) {
        *reason = "wave with " + std::to_string(layout->channels) + " channels";
        return false;
    }
    if (layout->bytes_per_frame != layout->channels * (bits / 8)) {
        *reason = "block alignment does not match channels and bits";
        return false;
    }
    // FLAC stores sample rates of 1 Hz to 1,048,575 Hz (20 bits).
    if (layout->sample_rate_hz == 0 || layout->sample_rate_hz > 1048575) {
        *reason = "sample rate out of range";
        return false;
    }
    return true;
}

}  // namespace

WaveInspection InspectWave(const FileHandle& file, std::uint64_t file_size_bytes,
                           std::uint64_t max_kept_bytes) {
    unsigned char riff[kRiffHeaderBytes];
    if (file_size_bytes < kRiffHeaderBytes)
        return Other("shorter than a RIFF header");
    if (!file.ReadExactlyAt(0, riff, sizeof riff))
        return ReadFailed();
    if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
        return Other("not a RIFF WAVE file");
    }

    WaveLayout layout;
    bool have_format = false;
    std::uint64_t position = kRiffHeaderBytes;
    // Every chunk advances the position by at least 8 bytes, and the walk
    // gives up once the head could no longer be kept: the loop is bounded.
    while (true) {
        if (position > max_kept_bytes)
            return Other("head of the wave too large to keep");
        if (file_size_bytes - position < kChunkHeaderBytes)
            return Other("no data chunk");
        unsigned char header[kChunkHeaderBytes];
        if (!file.ReadExactlyAt(position, header, sizeof header))
            return ReadFailed();
        const std::uint32_t chunk_bytes = U32(header + 4);
        const std::uint64_t body = position + kChunkHeaderBytes;

        if (std::memcmp(header, "data", 4) == 0) {
            if (!have_format)
                return Other("data chunk before the fmt chunk");
            const std::uint64_t available =
                std::min<std::uint64_t>(chunk_bytes, file_size_bytes - body);
            layout.head_bytes = body;
            layout.frames = available / layout.bytes_per_frame;
            layout.sample_bytes = layout.frames * layout.bytes_per_frame;
            layout.tail_bytes = file_size_bytes - body - layout.sample_bytes;
            break;
        }
        if (std::memcmp(header, "fmt ", 4) == 0) {
            if (have_format)
                return Other("repeated fmt chunk");
            if (chunk_bytes < kPlainFmtBytes || chunk_bytes > file_size_bytes - body) {
                return Other("fmt chunk of a wrong size");
            }
            unsigned char fmt[kExtensibleFmtBytes] = {};
            const std::uint32_t wanted = std::min<std::uint32_t>(chunk_bytes, kExtensibleFmtBytes);
            if (!file.ReadExactlyAt(body, fmt, wanted))
                return ReadFailed();
            std::string reason;
            if (!AcceptFormat(fmt, chunk_bytes, &layout, &reason))
                return Other(reason);
            have_format = true;
        }
        const std::uint64_t padded = static_cast<std::uint64_t>(chunk_bytes) + (chunk_bytes & 1u);
        if (padded > file_size_bytes - body)
            return Other("chunk runs past the end of the file");
        position = body + padded;
    }

    if (layout.frames == 0)
        return Other("no whole sample frame");
    if (layout.head_bytes + layout.tail_bytes > max_kept_bytes) {
        return Other("head and tail of the wave too large to keep");
    }
    WaveInspection result;
    result.verdict = WaveVerdict::kLosslessPcm;
    result.layout = layout;
    return result;
}

}  // namespace kivo::recordstore
