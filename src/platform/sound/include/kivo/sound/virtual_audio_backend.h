// A sound card made of files, for tests and headless runs. Input is read from
// a wave file (silence when there is none, and after its end); everything
// played is appended to a wave file (discarded when none is named). The
// input wave is one tape for the whole backend: each recording continues
// where the previous one stopped.
//
// Clocks: RealTime delivers audio as time passes; Fast delivers one chunk
// (20 ms of audio) per pass of the event loop, much faster than real time but
// always the same sequence; Manual delivers only when a test calls Advance,
// synchronously, so a test decides exactly which frames arrive when.
#pragma once

#include <QString>
#include <memory>

#include "kivo/sound/audio_backend.h"

namespace kivo::sound {

class VirtualAudioBackend : public AudioBackend {
public:
    enum class Clock { kRealTime, kFast, kManual };

    struct Options {
        QString input_wave_path;   // empty: silence
        QString output_wave_path;  // empty: discarded
        Clock clock = Clock::kRealTime;
        int chunk_ms = 20;  // audio per step of the real-time and fast clocks
    };

    explicit VirtualAudioBackend(Options options);
    ~VirtualAudioBackend() override;

    QString name() const override;
    std::vector<AudioDeviceInfo> InputDevices() const override;
    std::vector<AudioDeviceInfo> OutputDevices() const override;
    bool IsInputFormatSupported(const QByteArray& device_id,
                                const PcmFormat& format) const override;
    std::unique_ptr<AudioInputStream> OpenInput(const QByteArray& device_id,
                                                const PcmFormat& format, QString* error) override;
    std::unique_ptr<AudioOutputStream> OpenOutput(const QByteArray& device_id,
                                                  const PcmFormat& format, QString* error) override;

    // Manual clock: lets `ms` of audio time pass for every running stream,
    // delivering input and consuming output before returning.
    void Advance(int ms);

    // Frames of the input tape handed out so far.
    std::int64_t tape_position_frames() const;

    struct Shared;  // the tape, the output file and the running streams

private:
    std::shared_ptr<Shared> shared_;
};

}  // namespace kivo::sound
