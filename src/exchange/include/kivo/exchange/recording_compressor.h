// The recording compressor: makes an exported copy small for the mail.
//
// For one prepared copy (recording_export.h):
//   1. With the convert choice, the copy's record line gets "0" in field 14
//      (voice quality) and the sound is resampled to 8 kHz mono 16-bit
//      (libswresample) on its way to the encoder.
//   2. The wave member is taken out, decoded from the container's stored
//      form, and compressed as an Ogg Vorbis stream, which is put back under
//      the wave's own member name ("B.xrw"); the copy is compacted so the
//      old wave's bytes leave it. The convert choice alone compresses too:
//      every started file is compressed.
// Players recognise the Ogg stream by its first bytes and decode it
// (kivo/encoding/audio_transcode.h). Only the copy changes, never the data
// store. A stop asked through the progress callback leaves the copy as it
// was.
#pragma once

#include <filesystem>
#include <string>

#include "kivo/encoding/audio_transcode.h"
#include "kivo/exchange/export_options.h"
#include "kivo/exchange/recording_export.h"

namespace kivo::exchange {

// The compressor's error codes and their texts.
enum CompressorError : int {
    kCompressorOk = 0,
    kCompressorOpenFailed = 1,    // "Failed to open Voxwren recording file"
    kCompressorCreateFailed = 2,  // "Failed to create compressed file"
    kCompressorInitFailed = 3,    // "Failed to initialize compression utility"
    kCompressorStopped = 5,       // stopped by the user; no message
    kCompressorBadFile = 9,       // "Invalid Voxwren recording file"
};
const char* CompressorErrorText(int code);

inline constexpr const char* kCompressorTitle = "Kivo Compressor";
inline constexpr const char* kConvertingStatus = "Converting quality...";
inline constexpr const char* kCompressingStatus = "Compressing...";

// Vorbis quality of compressed recordings: about 16 kbit/s for 8 kHz mono
// speech, about 45 kbit/s for 22 kHz mono.
inline constexpr double kCompressedVorbisQuality = 2.0;
inline constexpr int kVoiceRateHz = 8000;

struct CompressorResult {
    int error = kCompressorOk;
    std::string detail;
    bool ok() const { return error == kCompressorOk; }
};

// Compresses the copy at container_path in place. scratch: an empty private
// folder (emptied again). progress: the share of the sound done; false stops.
CompressorResult CompressRecordingFile(const std::filesystem::path& container_path,
                                       const ExportOptions& options,
                                       const std::filesystem::path& scratch,
                                       const encoding::TranscodeProgress& progress = {});

// The same for a prepared copy; a failure is noted on the copy (its code
// becomes -error, its detail the text) so it is not delivered.
CompressorResult CompressRecording(PreparedFile& file, const ExportOptions& options,
                                   const std::filesystem::path& scratch);

// The record line with "0" in field 14 (words 1 to 14, padded); empty when
// the bytes are not a record line.
std::string VoiceQualityRecordLine(const std::string& line_bytes);

}  // namespace kivo::exchange
