// The compressed form of a recording's wave: the recording compressor stores
// an Ogg Vorbis stream under the wave's own name. Players tell it by its
// first bytes and expand it into a 16-bit PCM wave before playing.
#pragma once

#include <string>

namespace kivo::encoding {

// True when the file opens with Ogg's capture pattern "OggS".
bool IsCompressedWave(const std::string& path);

// Decodes the compressed wave at source into a 16-bit PCM wave at target.
// False (with no target left behind) when source is no Ogg stream or is
// damaged; *why says what went wrong when given.
bool ExpandCompressedWave(const std::string& source, const std::string& target,
                          std::string* why = nullptr);

// The same in place: path is replaced (through a temporary file beside it)
// only once the wave is whole. A plain wave is left as it is (true).
bool ExpandCompressedWaveInPlace(const std::string& path, std::string* why = nullptr);

}  // namespace kivo::encoding
