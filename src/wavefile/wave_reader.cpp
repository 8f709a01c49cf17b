// RIFF/WAVE parsing over a ByteSource. The walk stays inside the RIFF chunk:
// each chunk header must fit, each declared size must fit in what remains,
// and every step advances by at least the 8-byte header, so any input ends
// the loop. Offsets and sizes are 64-bit; the only allocations are the format
// block (at most kMaxFormatBytes) and the sample data (at most the file).
#include "kivo/wavefile/wave_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "byte_order.h"
#include "kivo/wavefile/riff_layout.h"

namespace kivo::wavefile {

namespace {

using internal::LoadU16;
using internal::LoadU32;
using internal::TagIs;

// The PCM sub-format GUID of WAVE_FORMAT_EXTENSIBLE after its first two bytes.
constexpr std::uint8_t kPcmSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// printf-style text with every argument widened to unsigned long long, so
// patterns use %llu throughout.
template <typename... Args>
std::string Format(const char* pattern, Args... args) {
    char text[256];
    std::snprintf(text, sizeof text, pattern, static_cast<unsigned long long>(args)...);
    return text;
}

std::string PrintableTag(const std::uint8_t* tag) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const unsigned char ch = tag[i];
        if (ch >= 0x20 && ch < 0x7F) {
            text += static_cast<char>(ch);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", ch);
            text += escaped;
        }
    }
    return text;
}

class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(std::FILE* file, std::uint64_t size) : file_(file), size_(size) {}
    std::uint64_t SizeBytes() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* destination, std::size_t count) override {
        if (offset > size_ || count > size_ - offset) {
            return false;
        }
        if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
            return false;
        }
        return std::fread(destination, 1, count, file_) == count;
    }

private:
    std::FILE* file_;
    std::uint64_t size_;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

WaveStatus OpenFileSource(const std::string& path, FilePtr* file, std::uint64_t* size) {
    file->reset(std::fopen(path.c_str(), "rb"));
    if (!*file) {
        return WaveStatus::Error("cannot open \"" + path + "\": " + std::strerror(errno));
    }
    if (fseeko(file->get(), 0, SEEK_END) != 0) {
        return WaveStatus::Error("cannot find the size of \"" + path + "\"");
    }
    const off_t end = ftello(file->get());
    if (end < 0) {
        return WaveStatus::Error("cannot find the size of \"" + path + "\"");
    }
    *size = static_cast<std::uint64_t>(end);
    return WaveStatus::Ok();
}

// Decodes and checks a "fmt " chunk body of `size` bytes at `offset`.
WaveStatus ParseFormat(ByteSource& source, std::uint64_t offset, std::uint32_t size,
                       WaveFormat* format) {
    if (size < kPcmFormatBytes) {
        return WaveStatus::Error(
            Format("fmt chunk at offset %llu is %llu bytes, fewer than the 16 a format needs",
                   offset - kChunkHeaderBytes, size));
    }
    if (size > kMaxFormatBytes) {
        return WaveStatus::Error(Format("fmt chunk at offset %llu is %llu bytes, more than %llu",
                                        offset - kChunkHeaderBytes, size, kMaxFormatBytes));
    }
    format->block.resize(size);
    if (!source.ReadAt(offset, format->block.data(), size)) {
        return WaveStatus::Error("cannot read the fmt chunk");
    }
    const std::uint8_t* b = format->block.data();
    format->format_tag = LoadU16(b);
    format->channels = LoadU16(b + 2);
    format->sample_rate_hz = LoadU32(b + 4);
    format->bytes_per_second = LoadU32(b + 8);
    format->block_align_bytes = LoadU16(b + 12);
    format->bits_per_sample = LoadU16(b + 14);

    if (format->channels == 0) {
        return WaveStatus::Error("fmt chunk declares 0 channels");
    }
    if (format->sample_rate_hz == 0) {
        return WaveStatus::Error("fmt chunk declares a sample rate of 0");
    }
    if (format->block_align_bytes == 0) {
        return WaveStatus::Error("fmt chunk declares a block align of 0");
    }
    if (size >= kPcmFormatBytes + 2) {
        const std::uint32_t extra_bytes = LoadU16(b + 16);
        if (kPcmFormatBytes + 2 + extra_bytes > size) {
            return WaveStatus::Error(
                Format("fmt chunk declares %llu extra bytes but holds only %llu", extra_bytes,
                       size - kPcmFormatBytes - 2));
        }
    }

    format->pcm = format->format_tag == kFormatTagPcm;
    if (format->format_tag == kFormatTagExtensible && size >= kExtensibleFormatBytes &&
        LoadU16(b + 24) == kFormatTagPcm &&
        std::memcmp(b + 26, kPcmSubFormatTail, sizeof kPcmSubFormatTail) == 0) {
        format->pcm = true;
    }
    if (format->pcm) {
        if (format->bits_per_sample == 0) {
            return WaveStatus::Error("fmt chunk declares 0 bits per sample");
        }
        const std::uint32_t expected_align =
            static_cast<std::uint32_t>(format->channels) * ((format->bits_per_sample + 7u) / 8u);
        if (format->block_align_bytes != expected_align) {
            return WaveStatus::Error(
                Format("fmt chunk declares a block align of %llu bytes, but %llu channels of "
                       "%llu bits need %llu",
                       format->block_align_bytes, format->channels, format->bits_per_sample,
                       expected_align));
        }
    }
    return WaveStatus::Ok();
}

}  // namespace

MemoryByteSource::MemoryByteSource(const void* data, std::size_t size_bytes)
    : data_(static_cast<const std::uint8_t*>(data)), size_bytes_(size_bytes) {}

bool MemoryByteSource::ReadAt(std::uint64_t offset, void* destination, std::size_t count) {
    if (offset > size_bytes_ || count > size_bytes_ - offset) {
        return false;
    }
    if (count > 0) {
        std::memcpy(destination, data_ + offset, count);
    }
    return true;
}

std::optional<PcmFormat> WaveFormat::AsPlayablePcm() const {
    if (!pcm) {
        return std::nullopt;
    }
    PcmFormat result{channels, static_cast<int>(sample_rate_hz), bits_per_sample};
    if (sample_rate_hz > 1000000 || !result.IsPlayable()) {
        return std::nullopt;
    }
    return result;
}

std::uint64_t WaveInfo::frames() const {
    if (format.block_align_bytes == 0) {
        return 0;
    }
    return data_bytes / format.block_align_bytes;
}

WaveStatus ParseWaveInfo(ByteSource& source, WaveInfo* info) {
    *info = WaveInfo{};
    const std::uint64_t file_bytes = source.SizeBytes();
    std::uint8_t header[kRiffHeaderBytes];
    if (file_bytes < kRiffHeaderBytes || !source.ReadAt(0, header, sizeof header)) {
        return WaveStatus::Error(
            Format("file of %llu bytes is too short for a RIFF header", file_bytes));
    }
    if (!TagIs(header, kRiffTag)) {
        return WaveStatus::Error("not a RIFF file (no \"RIFF\" at the start)");
    }
    if (!TagIs(header + 8, kWaveForm)) {
        return WaveStatus::Error("RIFF file is not of form \"WAVE\"");
    }
    const std::uint64_t riff_bytes = LoadU32(header + 4);
    if (riff_bytes < 4) {
        return WaveStatus::Error(Format("RIFF size %llu is too small", riff_bytes));
    }
    if (riff_bytes > file_bytes - kChunkHeaderBytes) {
        return WaveStatus::Error(Format("RIFF size %llu runs past the end of the file (%llu bytes)",
                                        riff_bytes, file_bytes));
    }
    const std::uint64_t end = kChunkHeaderBytes + riff_bytes;

    bool have_format = false;
    std::uint64_t position = kRiffHeaderBytes;
    while (position < end) {
        if (end - position < kChunkHeaderBytes) {
            return WaveStatus::Error(
                Format("truncated chunk header at offset %llu (%llu bytes left)", position,
                       end - position));
        }
        std::uint8_t chunk[kChunkHeaderBytes];
        if (!source.ReadAt(position, chunk, sizeof chunk)) {
            return WaveStatus::Error(
                Format("cannot read the chunk header at offset %llu", position));
        }
        const std::uint64_t body = position + kChunkHeaderBytes;
        const std::uint64_t size = LoadU32(chunk + 4);
        if (size > end - body) {
            return WaveStatus::Error("chunk \"" + PrintableTag(chunk) + "\"" +
                                     Format(" at offset %llu declares %llu bytes but only %llu "
                                            "remain",
                                            position, size, end - body));
        }
        if (TagIs(chunk, kFmtTag)) {
            if (have_format) {
                return WaveStatus::Error(Format("repeated fmt chunk at offset %llu", position));
            }
            WaveStatus status =
                ParseFormat(source, body, static_cast<std::uint32_t>(size), &info->format);
            if (!status.ok()) {
                return status;
            }
            have_format = true;
        } else if (TagIs(chunk, kFactTag)) {
            std::uint8_t frames[4];
            if (size >= kFactBytes && source.ReadAt(body, frames, sizeof frames)) {
                info->fact_frames = LoadU32(frames);
            }
        } else if (TagIs(chunk, kDataTag)) {
            if (!have_format) {
                return WaveStatus::Error(
                    Format("data chunk at offset %llu comes before the fmt chunk", position));
            }
            info->data_offset = body;
            info->data_bytes = size;
            return WaveStatus::Ok();
        }
        // Odd-sized chunks are followed by a pad byte; a missing pad after
        // the last chunk simply ends the walk.
        position = body + size + (size & 1);
    }
    if (!have_format) {
        return WaveStatus::Error("no fmt chunk");
    }
    return WaveStatus::Error("no data chunk");
}

WaveStatus ReadWave(ByteSource& source, WaveData* wave) {
    *wave = WaveData{};
    WaveStatus status = ParseWaveInfo(source, &wave->info);
    if (!status.ok()) {
        return status;
    }
    // data_bytes was checked against the source's size, so this allocation
    // is bounded by the file.
    const std::uint64_t whole_bytes = wave->info.frames() * wave->info.format.block_align_bytes;
    wave->samples.resize(static_cast<std::size_t>(whole_bytes));
    if (whole_bytes > 0 &&
        !source.ReadAt(wave->info.data_offset, wave->samples.data(), wave->samples.size())) {
        wave->samples.clear();
        return WaveStatus::Error("cannot read the data chunk");
    }
    return WaveStatus::Ok();
}

WaveStatus ReadWaveFile(const std::string& path, WaveData* wave) {
    FilePtr file;
    std::uint64_t size = 0;
    WaveStatus status = OpenFileSource(path, &file, &size);
    if (!status.ok()) {
        return status;
    }
    FileByteSource source(file.get(), size);
    return ReadWave(source, wave);
}

WaveStatus ReadWaveFileInfo(const std::string& path, WaveInfo* info) {
    FilePtr file;
    std::uint64_t size = 0;
    WaveStatus status = OpenFileSource(path, &file, &size);
    if (!status.ok()) {
        return status;
    }
    FileByteSource source(file.get(), size);
    return ParseWaveInfo(source, info);
}

WaveStatus ReadWaveMemory(const void* data, std::size_t size_bytes, WaveData* wave) {
    MemoryByteSource source(data, size_bytes);
    return ReadWave(source, wave);
}

}  // namespace kivo::wavefile
