// Compresses the samples of an inspected PCM wave into a FLAC stream that
// carries the wave's head and tail in its "KIVW" block (stored_wave_block.h).
#pragma once

#include <string>

#include "codec/wave_layout.h"
#include "kivo/recordstore/media_codec.h"

namespace kivo::recordstore {

class FileHandle;

// Reads the wave from source (laid out as layout says) and writes the whole
// stored form to output, which must be an empty file open for writing and
// seeking. False with *error on any read, encode or write failure.
bool EncodeWaveAsFlac(const FileHandle& source, const WaveLayout& layout,
                      const MediaCodecOptions& options, FileHandle& output, std::string* error);

}  // namespace kivo::recordstore
