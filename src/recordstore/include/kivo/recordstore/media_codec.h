// The media codec: the form in which a recording's media is kept inside its
// recording container. A PCM wave (8, 16 or 24 bits, 1 to 8 channels) is
// stored as lossless FLAC whose "KIVW" APPLICATION block keeps the wave's own
// header and trailer bytes, so decoding gives back the identical file, byte
// for byte, in about half the space. Anything else (a video, a compressed or
// unusual wave, a file of another program) is stored as it is, and decoding
// leaves a file that is not in the stored form (a plain wave) untouched.
// Layout: docs/formats/media-codec.md.
//
// Both operations work in place: the result is written under a temporary
// name in the same folder and renamed over the file only when complete, so a
// failure leaves the file exactly as it was. Input is untrusted: a damaged
// stored form or a hostile wave gives kFailed or kLeftAsIs, never a crash,
// and memory stays bounded (at most one 16 MiB metadata block and one FLAC
// frame) whatever the file claims.
#pragma once

#include <string>

#include "kivo/filesystem/file_system.h"

namespace kivo::recordstore {

enum class CodecOutcome {
    kEncoded,   // the wave was replaced by its stored form
    kDecoded,   // the stored form was replaced by the original wave
    kLeftAsIs,  // not something this operation changes; file untouched
    kFailed,    // unreadable, damaged or unwritable; file untouched
};

struct CodecResult {
    CodecOutcome outcome = CodecOutcome::kFailed;
    std::string message;  // why it was left as it is, or why it failed
    bool ok() const { return outcome != CodecOutcome::kFailed; }
};

struct MediaCodecOptions {
    unsigned compression_level = 5;     // libFLAC's 0 (fastest) to 8 (smallest)
    bool verify_while_encoding = true;  // libFLAC decodes each frame back and compares
};

class MediaCodec {
public:
    // Works on the files of file_system, which must outlive the codec.
    explicit MediaCodec(filesystem::FileSystem& file_system, MediaCodecOptions options = {})
        : file_system_(&file_system), options_(options) {}
    // Works on the files of the machine (filesystem::DefaultFileSystem()).
    explicit MediaCodec(MediaCodecOptions options = {});

    CodecResult Encode(const std::string& path) const;
    CodecResult Decode(const std::string& path) const;

    filesystem::FileSystem& file_system() const { return *file_system_; }

private:
    filesystem::FileSystem* file_system_;
    MediaCodecOptions options_;
};

}  // namespace kivo::recordstore
