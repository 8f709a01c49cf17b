// The compressed-wave check of an unpacked recording.
//
// A recording's wave may be stored in the recording compressor's compressed
// form. Zn2WavCheck tells whether a wave plays as it is; Zn2WavDeCompX turns
// a compressed wave back into a plain one.
//
// A plain PCM RIFF wave the audio reader accepts (8- or 16-bit, mono or
// stereo) plays directly. The compressed form is an Ogg Vorbis stream
// (the recording compressor's), decoded through FFmpeg into a 16-bit wave;
// anything else is reported as not playable by Zn2WavDeCompX's failure,
// never passed to the audio device.
#pragma once

#include <cstdint>
#include <string>

namespace kivo::player {

// Non-zero when the wave at `path` can be played without decompression.
int Zn2WavCheck(const std::string& path);

// Decompresses `source` into `target`: 0 on success, above 0 on failure
// (not an Ogg stream, or a damaged one; no target is left behind).
int Zn2WavDeCompX(const std::string& source, const std::string& target);

}  // namespace kivo::player
