// The media codec's two in-place operations: see media_codec.h.
#include "kivo/recordstore/media_codec.h"

#include "codec/flac_wave_decoder.h"
#include "codec/flac_wave_encoder.h"
#include "codec/wave_layout.h"
#include "kivo/filesystem/posix_file_system.h"
#include "store/file_handle.h"

namespace kivo::recordstore {
namespace {

CodecResult Result(CodecOutcome outcome, std::string message = {}) {
    return CodecResult{outcome, std::move(message)};
}

struct OpenedFile {
    FileHandle file;
    std::uint64_t size_bytes = 0;
    unsigned mode_bits = 0644;
};

bool OpenSource(filesystem::FileSystem& file_system, const std::string& path, OpenedFile* opened,
                std::string* error) {
    opened->file = FileHandle::OpenForReading(file_system, path, error);
    if (!opened->file.is_open())
        return false;
    filesystem::FileInfo info;
    if (!opened->file.Describe(&info) || info.type != filesystem::FileType::kRegular) {
        *error = path + ": not a regular file";
        return false;
    }
    opened->size_bytes = info.size_bytes;
    opened->mode_bits = info.permissions;
    return true;
}

}  // namespace

MediaCodec::MediaCodec(MediaCodecOptions options)
    : MediaCodec(filesystem::DefaultFileSystem(), options) {}

CodecResult MediaCodec::Encode(const std::string& path) const {
    OpenedFile source;
    std::string error;
    if (!OpenSource(*file_system_, path, &source, &error))
        return Result(CodecOutcome::kFailed, error);

    const WaveInspection inspection =
        InspectWave(source.file, source.size_bytes, kMaxStoredWaveKeptBytes);
    if (inspection.verdict == WaveVerdict::kReadFailed) {
        return Result(CodecOutcome::kFailed, path + ": " + inspection.reason);
    }
    if (inspection.verdict == WaveVerdict::kOtherContent) {
        return Result(CodecOutcome::kLeftAsIs, inspection.reason);
    }
    ReplacementFile replacement(*file_system_, path);
    if (!replacement.Create(&error) ||
        !EncodeWaveAsFlac(source.file, inspection.layout, options_, replacement.file(), &error) ||
        !replacement.Commit(source.mode_bits, &error)) {
        return Result(CodecOutcome::kFailed, path + ": " + error);
    }
    return Result(CodecOutcome::kEncoded);
}

CodecResult MediaCodec::Decode(const std::string& path) const {
    OpenedFile source;
    std::string error;
    if (!OpenSource(*file_system_, path, &source, &error))
        return Result(CodecOutcome::kFailed, error);

    StoredWaveBlock block;
    switch (FindStoredWaveBlock(source.file, source.size_bytes, &block, &error)) {
        case StoredFormLookup::kNotStored:
            return Result(CodecOutcome::kLeftAsIs, "not in the stored form");
        case StoredFormLookup::kDamaged:
            return Result(CodecOutcome::kFailed, path + ": " + error);
        case StoredFormLookup::kReadFailed:
            return Result(CodecOutcome::kFailed, path + ": read error");
        case StoredFormLookup::kFound:
            break;
    }
    ReplacementFile replacement(*file_system_, path);
    if (!replacement.Create(&error) ||
        !DecodeFlacAsWave(source.file, block, replacement.file(), &error) ||
        !replacement.Commit(source.mode_bits, &error)) {
        return Result(CodecOutcome::kFailed, path + ": " + error);
    }
    return Result(CodecOutcome::kDecoded);
}

}  // namespace kivo::recordstore
