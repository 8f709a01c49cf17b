// Audio files through FFmpeg: any sound file FFmpeg reads (a recording's
// wave, an Ogg stream made by the recording compressor) written as WAV,
// MP3 (libmp3lame), Ogg Vorbis (libvorbis) or WMA (wmav2), with tags and,
// where the format has them, chapters: ID3v2 CHAP frames in MP3,
// CHAPTERxx comments in Ogg Vorbis, markers in WMA. WAV carries the tags in
// its LIST INFO chunk and no chapters.
//
// The target is written at the path given; callers write to a temporary
// name and rename (the result is not complete until the call returns ok).
// Input is untrusted: a damaged or hostile file gives a failed result with
// FFmpeg's reason, never a crash.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kivo::encoding {

enum class AudioFormat { kWav, kMp3, kOgg, kWma };

// ".wav", ".mp3", ".ogg", ".wma".
const char* FileExtension(AudioFormat format);

struct AudioTags {
    std::string title;    // the record's subject
    std::string date;     // "yyyy-mm-dd"
    std::string comment;  // the record's keywords
    std::string genre;    // "Speech"
};

struct Chapter {
    std::int64_t start_ms = 0;
    std::string title;
};

struct EncodeSettings {
    AudioFormat format = AudioFormat::kWav;
    int sample_rate_hz = 0;  // 0 keeps the source's (where the encoder takes it)
    int channels = 0;        // 0 keeps the source's
    int bit_rate_bps = 0;    // 0: VoiceBitRate of the format
    // Ogg Vorbis only: a quality (-1 to 10) instead of a bit rate; below
    // -1 means "use bit_rate_bps".
    double vorbis_quality = -2;
    // Stops with a failure once the target would hold more sample frames
    // (0: no limit). A small hostile stream can claim hours of sound.
    std::int64_t max_frames = 0;
};

// Bit rates chosen for speech: WAV is PCM; MP3 and WMA 48 kbit/s per
// channel; Ogg Vorbis 40 kbit/s per channel (it sounds as good at less).
int VoiceBitRate(AudioFormat format, int channels);

// Called now and then with the share of the source read so far (0 to 1);
// returning false stops the work (the result then says "stopped").
using TranscodeProgress = std::function<bool(double done_fraction)>;

struct TranscodeResult {
    bool ok = false;
    bool stopped = false;             // the progress callback asked to stop
    std::string message;              // why it failed
    std::int64_t frames_written = 0;  // sample frames given to the encoder
    int sample_rate_hz = 0;           // of the target
    int channels = 0;                 // of the target
};

TranscodeResult TranscodeAudio(const std::string& source_path, const std::string& target_path,
                               const EncodeSettings& settings, const AudioTags& tags = {},
                               const std::vector<Chapter>& chapters = {},
                               const TranscodeProgress& progress = {});

}  // namespace kivo::encoding
