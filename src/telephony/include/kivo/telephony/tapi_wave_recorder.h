// The call-audio recorder behind the TapiWave fields of the status record.
//
// It plays waves into a call and records the caller, on the audio endpoints
// of a line provider, in call format (8000 samples per second, mono,
// 16-bit). Recording works like the sound-card recorder: caller audio is
// gathered in 10 buffers of 200 ms (3200 bytes) taken in turn; each full
// buffer is written to the take file unless paused, and sets maxLevel (peak
// level 0..99 by the recorder's level rule) and counts silentBuffers when all
// its samples are silent. Stop writes the part-filled buffer too;
// AppendTake adds the take to the accumulated file; SaveWaveFile wraps the
// accumulated audio into the recorder's wave file.
//
// The chain of an answered call: when a playback ends and chainEnabled is 1,
// playAfter plays the stored resource next, otherwise recordAfter starts
// recording from the chained recording device - greeting, resource,
// recording, with no host involvement.
//
// Results are multimedia results (line_codes.h: kMm*, kWaveErr*, kMmio*).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/telephony/debug_log.h"
#include "zn2tapi.h"

namespace kivo::telephony {

class LineProvider;

class TapiWaveRecorder {
public:
    static constexpr std::size_t kBufferBytes = 3200;  // 200 ms of call audio

    TapiWaveRecorder(TapiWave& fields, DebugSink debug);
    ~TapiWaveRecorder();
    TapiWaveRecorder(const TapiWaveRecorder&) = delete;
    TapiWaveRecorder& operator=(const TapiWaveRecorder&) = delete;

    // The provider whose endpoints are played and recorded; null detaches.
    void SetProvider(LineProvider* provider) { provider_ = provider; }

    // Reads a wave file (any PCM wave; converted to call format).
    int LoadFile(const std::string& path);
    // Reads the resource named by chainedModule and chainedResourceId.
    int LoadChainedResource();
    int Play(std::uint32_t wave_out_id);
    int Record(std::uint32_t wave_in_id);
    // Ends the playback or the recording; a recording writes its part-filled
    // buffer and closes the take file. Always 1.
    int Stop();
    // 0, 220 (take file cannot be opened) or 221 (accumulated file).
    int AppendTake();
    int SaveWaveFile();
    // Stops and frees buffers and samples.
    void Reset();

    bool capturing() const { return capturing_; }

    // From the provider.
    void OnCallerAudio(const std::uint8_t* bytes, std::size_t size_bytes);
    void OnPlaybackDone();
    // The call has ended: a running recording keeps every byte captured so
    // far in its take file, and stops capturing.
    void OnCallEnded();

private:
    void CompleteBuffer();
    void WriteToTake(const std::uint8_t* bytes, std::size_t size_bytes);
    void FinishCapture();
    void FreeBuffers();
    void Debug(std::string_view line) const { debug_(line); }

    TapiWave& fields_;
    DebugSink debug_;
    LineProvider* provider_ = nullptr;
    std::vector<std::uint8_t> samples_;
    std::vector<std::vector<std::uint8_t>> buffers_;
    std::size_t filled_bytes_ = 0;  // of the buffer at currentBuffer
    bool capturing_ = false;
    int take_fd_ = -1;
};

}  // namespace kivo::telephony
