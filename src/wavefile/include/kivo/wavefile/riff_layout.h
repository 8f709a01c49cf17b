// Names and sizes of the RIFF/WAVE layout (see docs/formats/wave-file.md).
// All integers in a wave file are little-endian.
#pragma once

#include <cstdint>

namespace kivo::wavefile {

// Four-character chunk identifiers, as they appear in the file.
inline constexpr char kRiffTag[4] = {'R', 'I', 'F', 'F'};
inline constexpr char kWaveForm[4] = {'W', 'A', 'V', 'E'};
inline constexpr char kFmtTag[4] = {'f', 'm', 't', ' '};
inline constexpr char kFactTag[4] = {'f', 'a', 'c', 't'};
inline constexpr char kDataTag[4] = {'d', 'a', 't', 'a'};

inline constexpr std::uint64_t kRiffHeaderBytes = 12;  // "RIFF", size, "WAVE"
inline constexpr std::uint64_t kChunkHeaderBytes = 8;  // identifier, size
inline constexpr std::uint32_t kPcmFormatBytes = 16;   // PCMWAVEFORMAT
inline constexpr std::uint32_t kFactBytes = 4;         // frame count

inline constexpr std::uint16_t kFormatTagPcm = 1;
inline constexpr std::uint16_t kFormatTagExtensible = 0xFFFE;
inline constexpr std::uint32_t kExtensibleFormatBytes = 40;

// A format block larger than this is refused: real ones are at most 40 bytes
// plus a few bytes of codec data.
inline constexpr std::uint32_t kMaxFormatBytes = 4096;

// Files are copied in pieces of this size (take to accumulated file, raw data
// into a wave file).
inline constexpr std::size_t kCopyPieceBytes = 32768;

}  // namespace kivo::wavefile
