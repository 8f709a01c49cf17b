// Turns a stored form back into the wave it was made from: finds the "KIVW"
// block among the FLAC metadata blocks, then decodes the frames between the
// kept head and tail. Every field of the file is checked before it is used;
// the decoder stops as soon as the stream disagrees with the block.
#pragma once

#include <cstdint>
#include <string>

#include "codec/stored_wave_block.h"

namespace kivo::recordstore {

class FileHandle;

enum class StoredFormLookup {
    kFound,      // *block filled
    kNotStored,  // not a FLAC stream, or one without a "KIVW" block
    kDamaged,    // a FLAC stream whose "KIVW" block is damaged (*error)
    kReadFailed,
};

// Walks the metadata blocks at the start of the file, up to the last one: a
// stream with a "KIVW" block whose metadata runs past the end of the file is
// kDamaged, so nothing decoded later is sized by a length beyond the file.
StoredFormLookup FindStoredWaveBlock(const FileHandle& file, std::uint64_t file_size_bytes,
                                     StoredWaveBlock* block, std::string* error);

// Writes head, decoded samples and tail to output. False with *error when
// the stream is damaged, disagrees with block or output cannot be written.
bool DecodeFlacAsWave(const FileHandle& source, const StoredWaveBlock& block, FileHandle& output,
                      std::string* error);

}  // namespace kivo::recordstore
