// The media codec's two in-place operations: see media_codec.h.
#include "kivo/recordstore/media_codec.h"

#include <sys/stat.h>

#include "codec/flac_wave_decoder.h"
#include "codec/flac_wave_encoder.h"
#include "codec/wave_layout.h"
#include "store/posix_file.h"

namespace kivo::recordstore {
namespace {

CodecResult Result(CodecOutcome outcome, std::string message = {}) {
    return CodecResult{outcome, std::move(message)};
}

struct OpenedFile {
    PosixFile file;
    std::uint64_t size_bytes = 0;
    unsigned mode_bits = 0644;
};

bool OpenSource(const std::string& path, OpenedFile* opened, std::string* error) {
    opened->file = PosixFile::OpenForReading(path, error);
    if (!opened->file.is_open())
        return false;
    struct stat info {};
    if (::fstat(opened->file.fd(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *error = path + ": not a regular file";
        return false;
    }
    opened->size_bytes = static_cast<std::uint64_t>(info.st_size);
    opened->mode_bits = info.st_mode & 07777;
    return true;
}

}  // namespace

CodecResult MediaCodec::Encode(const std::string& path) const {
    OpenedFile source;
    std::string error;
    if (!OpenSource(path, &source, &error))
        return Result(CodecOutcome::kFailed, error);

    const WaveInspection inspection =
        InspectWave(source.file, source.size_bytes, kMaxStoredWaveKeptBytes);
    if (inspection.verdict == WaveVerdict::kReadFailed) {
        return Result(CodecOutcome::kFailed, path + ": " + inspection.reason);
    }
    if (inspection.verdict == WaveVerdict::kOtherContent) {
        return Result(CodecOutcome::kLeftAsIs, inspection.reason);
    }
    ReplacementFile replacement(path);
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
    if (!OpenSource(path, &source, &error))
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
    ReplacementFile replacement(path);
    if (!replacement.Create(&error) ||
        !DecodeFlacAsWave(source.file, block, replacement.file(), &error) ||
        !replacement.Commit(source.mode_bits, &error)) {
        return Result(CodecOutcome::kFailed, path + ": " + error);
    }
    return Result(CodecOutcome::kDecoded);
}

}  // namespace kivo::recordstore
