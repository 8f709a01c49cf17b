// The media codec's decoding fuzz entry (see media_decode_fuzz_entry.h).
#include "media_decode_fuzz_entry.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "codec/flac_wave_decoder.h"
#include "codec/stored_wave_block.h"
#include "fuzz_files.h"
#include "kivo/filesystem/power_loss_file_system.h"
#include "kivo/recordstore/media_codec.h"
#include "store/file_handle.h"

namespace kivo::fuzz {
namespace {

namespace fs = std::filesystem;
using recordstore::CodecOutcome;
using recordstore::FileHandle;
using recordstore::StoredFormLookup;
using recordstore::StoredWaveBlock;
using Bytes = std::vector<std::uint8_t>;

// Decoding time and output grow with the declared sample size, not with the
// input: FLAC keeps a silent frame of 65535 samples in a dozen bytes, so a
// small stored form may rightly decode to gigabytes. Blocks declaring more
// than this are only looked up, which keeps every input within the fuzzer's
// time and memory limits.
constexpr std::uint64_t kMaxDecodedSampleBytes = 4u << 20;

// A file held in memory: the only file of an in-memory disk, which the open
// file keeps alive.
FileHandle MemoryFile(const std::uint8_t* data, std::size_t size) {
    filesystem::PowerLossFileSystem disk;
    filesystem::OpenOptions options;
    options.access = filesystem::Access::kReadWrite;
    options.creation = filesystem::Creation::kCreateNew;
    auto opened = disk.Open("/media", options);
    if (!opened.ok())
        FuzzFailure("cannot make a memory file");
    FileHandle file(std::move(opened.value));
    if (!file.WriteAll(data, size))
        FuzzFailure("cannot make a memory file");
    return file;
}

Bytes ReadWhole(const FileHandle& file) {
    std::uint64_t size = 0;
    if (!file.Size(&size))
        FuzzFailure("cannot size a memory file");
    Bytes bytes(size);
    if (!file.ReadExactlyAt(0, bytes.data(), bytes.size()))
        FuzzFailure("cannot read a memory file");
    return bytes;
}

void CheckFoundBlock(const StoredWaveBlock& block, std::size_t input_bytes) {
    const unsigned bits = block.bits_per_sample;
    Require(block.channels >= 1 && block.channels <= 8, "a found block has 1 to 8 channels");
    Require(bits == 8 || bits == 16 || bits == 24, "a found block has 8, 16 or 24 bits");
    Require(block.bytes_per_frame == block.channels * (bits / 8),
            "a found block's frame size matches channels and bits");
    Require(block.sample_bytes > 0 && block.sample_bytes <= 0xFFFFFFFFu &&
                block.sample_bytes % block.bytes_per_frame == 0,
            "a found block declares whole frames that fit a wave");
    Require(
        recordstore::kStoredWaveFixedBytes + block.head.size() + block.tail.size() <= input_bytes,
        "the kept head and tail come from the input, not from a declared size");
}

// What decoding the bytes in memory gave, for the file path to agree with.
struct MemoryDecode {
    StoredFormLookup lookup = StoredFormLookup::kNotStored;
    bool decoded = false;
    bool skipped = false;  // declared more than kMaxDecodedSampleBytes
    Bytes wave;
};

// Whether every metadata block lies inside the input, up to the one marked
// last. This harness's own walk, so it does not share a fault with the
// decoder's.
bool MetadataEndsInside(const Bytes& input) {
    std::size_t position = 4;  // after "fLaC"
    while (input.size() - position >= 4) {
        const std::uint8_t* header = input.data() + position;
        const std::size_t body = position + 4;
        const std::size_t body_bytes = std::size_t{header[1]} << 16 | header[2] << 8 | header[3];
        if (body_bytes > input.size() - body)
            return false;
        if (header[0] & 0x80)
            return true;
        position = body + body_bytes;
    }
    return false;
}

MemoryDecode DecodeInMemory(const Bytes& input) {
    MemoryDecode result;
    const FileHandle source = MemoryFile(input.data(), input.size());
    StoredWaveBlock block;
    std::string error;
    result.lookup = recordstore::FindStoredWaveBlock(source, input.size(), &block, &error);
    switch (result.lookup) {
        case StoredFormLookup::kReadFailed:
            FuzzFailure("a memory file was reported unreadable");
        case StoredFormLookup::kDamaged:
            Require(!error.empty(), "a damaged block says why");
            return result;
        case StoredFormLookup::kNotStored:
            return result;
        case StoredFormLookup::kFound:
            break;
    }
    CheckFoundBlock(block, input.size());
    Require(MetadataEndsInside(input),
            "a stored form is found only when all its metadata lies inside the input");
    if (block.sample_bytes > kMaxDecodedSampleBytes) {
        result.skipped = true;
        return result;
    }
    FileHandle output = MemoryFile(nullptr, 0);
    result.decoded = recordstore::DecodeFlacAsWave(source, block, output, &error);
    if (!result.decoded) {
        Require(!error.empty(), "a failed decode says why");
        return result;
    }
    result.wave = ReadWhole(output);
    const Bytes& wave = result.wave;
    Require(wave.size() == block.head.size() + block.sample_bytes + block.tail.size(),
            "a decoded wave is the head, the declared samples and the tail");
    Require(std::equal(block.head.begin(), block.head.end(), wave.begin()),
            "a decoded wave begins with the kept head");
    Require(std::equal(block.tail.rbegin(), block.tail.rend(), wave.rbegin()),
            "a decoded wave ends with the kept tail");
    return result;
}

// The codec as the recording container calls it: in place, on a file.
void DecodeFileAndCompare(const Bytes& input, const MemoryDecode& expected) {
    static const FuzzFolder folder;
    const fs::path path = fs::path(folder.path()) / "D20260101000000.xrw";
    WriteWhole(path, input);
    const recordstore::CodecResult result = recordstore::MediaCodec().Decode(path.string());
    const Bytes after = ReadWholeFile(path);
    Require(folder.CountEntries() == 1, "no temporary file is left beside the media");
    fs::remove(path);

    if (expected.decoded) {
        Require(result.outcome == CodecOutcome::kDecoded, "the file decodes as in memory");
        Require(after == expected.wave, "the file holds the wave decoded in memory");
        return;
    }
    Require(after == input, "a file that was not decoded is unchanged");
    if (expected.lookup == StoredFormLookup::kNotStored) {
        Require(result.outcome == CodecOutcome::kLeftAsIs, "a file not in the stored form is left");
    } else {
        Require(result.outcome == CodecOutcome::kFailed, "a damaged stored form fails");
        Require(!result.message.empty(), "a failure says why");
    }
}

void CheckDecoding(const Bytes& input) {
    const MemoryDecode expected = DecodeInMemory(input);
    if (!expected.skipped)
        DecodeFileAndCompare(input, expected);
}

// The offset of the "KIVW" block data after its id and the data's length, or
// false. The walk is this harness's own, so it does not share a fault with
// the decoder's.
bool FindKeptBlockData(const Bytes& input, std::size_t* offset, std::size_t* length) {
    if (input.size() < 4 || std::memcmp(input.data(), "fLaC", 4) != 0)
        return false;
    std::size_t position = 4;
    while (input.size() - position >= 4) {
        const std::uint8_t* header = input.data() + position;
        const std::size_t body = position + 4;
        const std::size_t body_bytes = std::size_t{header[1]} << 16 | header[2] << 8 | header[3];
        if (body_bytes > input.size() - body)
            return false;
        if ((header[0] & 0x7F) == 2 && body_bytes >= 4 + recordstore::kStoredWaveFixedBytes &&
            std::memcmp(input.data() + body, recordstore::kStoredWaveApplicationId, 4) == 0) {
            *offset = body + 4;
            *length = body_bytes - 4;
            return true;
        }
        if (header[0] & 0x80)
            return false;
        position = body + body_bytes;
    }
    return false;
}

}  // namespace

int FuzzMediaDecode(const std::uint8_t* data, std::size_t size) {
    const Bytes input(data, data + size);
    CheckDecoding(input);

    std::size_t offset = 0;
    std::size_t length = 0;
    if (!FindKeptBlockData(input, &offset, &length))
        return 0;
    const std::uint32_t crc = recordstore::StoredWaveBlockCrc(input.data() + offset, length);
    Bytes repaired = input;
    for (int i = 0; i < 4; ++i)
        repaired[offset + 24 + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    if (repaired != input)
        CheckDecoding(repaired);
    return 0;
}

}  // namespace kivo::fuzz
