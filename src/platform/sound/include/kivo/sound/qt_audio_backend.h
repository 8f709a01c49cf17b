// The real sound devices through Qt Multimedia: QAudioSource and QAudioSink
// on the devices QMediaDevices lists (on Debian, through PulseAudio).
#pragma once

#include "kivo/sound/audio_backend.h"

namespace kivo::sound {

class QtAudioBackend : public AudioBackend {
public:
    QtAudioBackend() = default;

    QString name() const override;
    std::vector<AudioDeviceInfo> InputDevices() const override;
    std::vector<AudioDeviceInfo> OutputDevices() const override;
    bool IsInputFormatSupported(const QByteArray& device_id,
                                const PcmFormat& format) const override;
    std::unique_ptr<AudioInputStream> OpenInput(const QByteArray& device_id,
                                                const PcmFormat& format, QString* error) override;
    std::unique_ptr<AudioOutputStream> OpenOutput(const QByteArray& device_id,
                                                  const PcmFormat& format, QString* error) override;
};

}  // namespace kivo::sound
