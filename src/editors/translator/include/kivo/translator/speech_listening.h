// SpeechListening: "&Listen" - speaks a text to the sound card through the
// audio backend (so a virtual output device records it in tests), and says
// when the speech has been played.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

#include "kivo/sound/audio_backend.h"
#include "kivo/speech/speech_synthesizer.h"

namespace kivo::translator {

class SpeechListening : public QObject {
    Q_OBJECT
public:
    explicit SpeechListening(sound::AudioBackend& backend, QObject* parent = nullptr);
    ~SpeechListening() override;

    // Speaks request and starts playing it; false (with error set) when no
    // speech could be made or the output could not start. Stops a speech
    // still playing first.
    bool Listen(const speech::SpeechRequest& request, QString* error);
    void Stop();
    bool playing() const { return output_ != nullptr; }

signals:
    // The speech has been played to its end, or the device failed.
    void finished();

private:
    class SamplesSource;

    sound::AudioBackend& backend_;
    std::unique_ptr<SamplesSource> source_;
    std::unique_ptr<sound::AudioOutputStream> output_;
};

}  // namespace kivo::translator
