// The seam between the audio engine and the sound devices. The engine records
// through an AudioInputStream and plays through an AudioOutputStream, both
// opened from an AudioBackend. Two backends exist: the Qt Multimedia one
// (QAudioSource and QAudioSink on the devices of QMediaDevices) and a virtual
// one that reads and writes wave files, so every test runs without a sound
// card. CreateAudioBackendFromEnvironment() picks one (audio_backend_factory.h).
//
// Streams live on the thread that opened them (the user-interface thread) and
// report through past-tense signals; nothing blocks and nothing polls in a
// loop.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::sound {

using wavefile::PcmFormat;

struct AudioDeviceInfo {
    QByteArray id;        // what OpenInput/OpenOutput and SelectInputDevice take
    QString description;  // the name to show
    bool is_default = false;
};

// Supplies what an output stream plays. Called on the stream's thread.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Copies up to `max_bytes` bytes (whole frames of the stream's format)
    // into `out` and returns how many. Returning 0 while AtEnd() is false
    // means "nothing ready yet": the stream asks again shortly.
    virtual std::size_t ReadPcm(std::uint8_t* out, std::size_t max_bytes) = 0;
    // True once every frame has been handed out.
    virtual bool AtEnd() const = 0;
};

class AudioInputStream : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioInputStream() override = default;

    virtual const PcmFormat& format() const = 0;
    // How much captured audio the stream should be able to hold before it is
    // read; a hint given before Start, which a backend may ignore when its
    // device queues audio anyway.
    virtual void SetBufferBytes(std::size_t bytes) = 0;
    virtual bool Start(QString* error) = 0;
    // Appends every captured whole frame not read yet to `out`; returns the
    // number of bytes appended. Still works after Stop for what was captured.
    virtual std::size_t ReadAvailable(std::vector<std::uint8_t>* out) = 0;
    virtual void Stop() = 0;
    virtual bool is_running() const = 0;

signals:
    // Captured audio is waiting to be read.
    void dataArrived();
    // The device failed (unplugged, server gone); the stream has stopped.
    void failed(const QString& error);
};

class AudioOutputStream : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~AudioOutputStream() override = default;

    virtual const PcmFormat& format() const = 0;
    // Starts pulling from `source`, which must stay alive until Stop or the
    // stream's destruction.
    virtual bool Start(PcmSource* source, QString* error) = 0;
    virtual void Suspend() = 0;
    virtual void Resume() = 0;
    virtual void Stop() = 0;
    virtual bool is_running() const = 0;
    // Frames taken from the source since Start.
    virtual std::int64_t ReadFrames() const = 0;
    // Frames the device has played since Start (at most ReadFrames()).
    virtual std::int64_t PlayedFrames() const = 0;

signals:
    // The source reached its end and everything taken from it was played.
    void finished();
    void failed(const QString& error);
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;

    virtual QString name() const = 0;
    virtual std::vector<AudioDeviceInfo> InputDevices() const = 0;
    virtual std::vector<AudioDeviceInfo> OutputDevices() const = 0;

    // The recording source used when OpenInput is given no device: the one
    // selected here, or the system default when none is (or it vanished).
    void SelectInputDevice(const QByteArray& device_id) { selected_input_ = device_id; }
    const QByteArray& selected_input_device() const { return selected_input_; }

    // An empty device id means the selected (or default) device.
    virtual bool IsInputFormatSupported(const QByteArray& device_id,
                                        const PcmFormat& format) const = 0;
    virtual std::unique_ptr<AudioInputStream> OpenInput(const QByteArray& device_id,
                                                        const PcmFormat& format,
                                                        QString* error) = 0;
    virtual std::unique_ptr<AudioOutputStream> OpenOutput(const QByteArray& device_id,
                                                          const PcmFormat& format,
                                                          QString* error) = 0;

private:
    QByteArray selected_input_;
};

}  // namespace kivo::sound
