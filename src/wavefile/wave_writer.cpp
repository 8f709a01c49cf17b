// The three wave layouts this program writes: the recorder's (with "fact"),
// the player's canonical header, and a plain PCM wave.
#include "kivo/wavefile/wave_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

#include "atomic_file.h"
#include "byte_order.h"
#include "kivo/wavefile/riff_layout.h"

namespace kivo::wavefile {

namespace {

using internal::AtomicFile;
using internal::StoreU32;

constexpr std::uint64_t kMaxRiffBytes = std::numeric_limits<std::uint32_t>::max();

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Appends a chunk header (tag and 32-bit size) to `out`.
void PutChunkHeader(std::vector<std::uint8_t>* out, const char (&tag)[4], std::uint64_t size) {
    std::uint8_t header[8];
    std::memcpy(header, tag, 4);
    StoreU32(header + 4, static_cast<std::uint32_t>(size));
    out->insert(out->end(), header, header + 8);
}

void PutU32(std::vector<std::uint8_t>* out, std::uint32_t value) {
    std::uint8_t bytes[4];
    StoreU32(bytes, value);
    out->insert(out->end(), bytes, bytes + 4);
}

void PutTag(std::vector<std::uint8_t>* out, const char (&tag)[4]) {
    out->insert(out->end(), tag, tag + 4);
}

WaveStatus OpenRaw(const std::string& raw_path, FilePtr* raw, std::uint64_t* raw_bytes) {
    raw->reset(std::fopen(raw_path.c_str(), "rb"));
    if (!*raw) {
        return WaveStatus::Error("cannot open \"" + raw_path + "\": " + std::strerror(errno));
    }
    if (fseeko(raw->get(), 0, SEEK_END) != 0) {
        return WaveStatus::Error("cannot find the size of \"" + raw_path + "\"");
    }
    const off_t end = ftello(raw->get());
    if (end < 0 || fseeko(raw->get(), 0, SEEK_SET) != 0) {
        return WaveStatus::Error("cannot find the size of \"" + raw_path + "\"");
    }
    *raw_bytes = static_cast<std::uint64_t>(end);
    return WaveStatus::Ok();
}

// Copies exactly `size_bytes` bytes of `raw` into `out` in 32768-byte pieces.
WaveStatus CopyRaw(std::FILE* raw, std::uint64_t size_bytes, AtomicFile* out,
                   const std::string& raw_path) {
    std::vector<std::uint8_t> piece(kCopyPieceBytes);
    while (size_bytes > 0) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(size_bytes, piece.size()));
        if (std::fread(piece.data(), 1, want, raw) != want) {
            return WaveStatus::Error("cannot read \"" + raw_path + "\" (it became shorter?)");
        }
        WaveStatus status = out->Write(piece.data(), want);
        if (!status.ok()) {
            return status;
        }
        size_bytes -= want;
    }
    return WaveStatus::Ok();
}

}  // namespace

WaveStatus WriteRecorderWave(const std::string& wave_path, const PcmFormat& format,
                             const std::string& raw_path) {
    if (format.block_align_bytes() <= 0) {
        return WaveStatus::Error("the recording format has no frame size");
    }
    FilePtr raw;
    std::uint64_t data_bytes = 0;
    WaveStatus status = OpenRaw(raw_path, &raw, &data_bytes);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t pad = data_bytes & 1;
    const std::uint64_t riff_bytes = 4 + (kChunkHeaderBytes + kWaveFormatExBytes) +
                                     (kChunkHeaderBytes + kFactBytes) + kChunkHeaderBytes +
                                     data_bytes + pad;
    if (riff_bytes > kMaxRiffBytes) {
        return WaveStatus::Error("the recording is too long for one wave file (4 GiB)");
    }
    const std::uint64_t frames =
        data_bytes / static_cast<std::uint64_t>(format.block_align_bytes());

    std::vector<std::uint8_t> header;
    PutChunkHeader(&header, kRiffTag, riff_bytes);
    PutTag(&header, kWaveForm);
    PutChunkHeader(&header, kFmtTag, kWaveFormatExBytes);
    const auto block = WaveFormatExBlock(format);
    header.insert(header.end(), block.begin(), block.end());
    PutChunkHeader(&header, kFactTag, kFactBytes);
    PutU32(&header, static_cast<std::uint32_t>(frames));
    PutChunkHeader(&header, kDataTag, data_bytes);

    AtomicFile out;
    status = out.Open(wave_path);
    if (status.ok())
        status = out.Write(header.data(), header.size());
    if (status.ok())
        status = CopyRaw(raw.get(), data_bytes, &out, raw_path);
    if (status.ok() && pad) {
        const std::uint8_t zero = 0;
        status = out.Write(&zero, 1);
    }
    if (status.ok())
        status = out.Commit();
    return status;
}

WaveStatus WriteCanonicalWave(const std::string& wave_path,
                              const std::vector<std::uint8_t>& format_block,
                              const std::string& raw_path) {
    if (format_block.size() < kPcmFormatBytes || format_block.size() > kMaxFormatBytes) {
        return WaveStatus::Error("the format block is not a wave format");
    }
    FilePtr raw;
    std::uint64_t data_bytes = 0;
    WaveStatus status = OpenRaw(raw_path, &raw, &data_bytes);
    if (!status.ok()) {
        return status;
    }
    const std::uint64_t riff_bytes = data_bytes + format_block.size() + 20;
    if (riff_bytes > kMaxRiffBytes) {
        return WaveStatus::Error("the recording is too long for one wave file (4 GiB)");
    }
    std::vector<std::uint8_t> header;
    PutChunkHeader(&header, kRiffTag, riff_bytes);
    PutTag(&header, kWaveForm);
    PutChunkHeader(&header, kFmtTag, format_block.size());
    header.insert(header.end(), format_block.begin(), format_block.end());
    PutChunkHeader(&header, kDataTag, data_bytes);

    AtomicFile out;
    status = out.Open(wave_path);
    if (status.ok())
        status = out.Write(header.data(), header.size());
    if (status.ok())
        status = CopyRaw(raw.get(), data_bytes, &out, raw_path);
    if (status.ok())
        status = out.Commit();
    return status;
}

WaveStatus WritePcmWave(const std::string& wave_path, const PcmFormat& format,
                        const std::uint8_t* samples, std::size_t size_bytes) {
    const std::uint64_t data_bytes = size_bytes;
    const std::uint64_t pad = data_bytes & 1;
    const std::uint64_t riff_bytes =
        4 + (kChunkHeaderBytes + kPcmFormatBytes) + kChunkHeaderBytes + data_bytes + pad;
    if (riff_bytes > kMaxRiffBytes) {
        return WaveStatus::Error("the recording is too long for one wave file (4 GiB)");
    }
    std::vector<std::uint8_t> header;
    PutChunkHeader(&header, kRiffTag, riff_bytes);
    PutTag(&header, kWaveForm);
    PutChunkHeader(&header, kFmtTag, kPcmFormatBytes);
    const auto block = WaveFormatExBlock(format);
    header.insert(header.end(), block.begin(), block.begin() + kPcmFormatBytes);
    PutChunkHeader(&header, kDataTag, data_bytes);

    AtomicFile out;
    WaveStatus status = out.Open(wave_path);
    if (status.ok())
        status = out.Write(header.data(), header.size());
    if (status.ok() && size_bytes > 0)
        status = out.Write(samples, size_bytes);
    if (status.ok() && pad) {
        const std::uint8_t zero = 0;
        status = out.Write(&zero, 1);
    }
    if (status.ok())
        status = out.Commit();
    return status;
}

}  // namespace kivo::wavefile
