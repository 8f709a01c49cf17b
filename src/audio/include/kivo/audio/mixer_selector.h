// The recording-source selector: lists the input devices of the audio
// backend and makes one of them the source every later recording uses.
#pragma once

#include <QStringList>
#include <vector>

#include "kivo/sound/audio_backend.h"

namespace kivo::audio {

class MixerSelector {
public:
    explicit MixerSelector(sound::AudioBackend& backend) : backend_(backend) {}

    // Reads the input devices; returns how many there are.
    int Open();
    void Close() { inputs_.clear(); }

    const std::vector<sound::AudioDeviceInfo>& inputs() const { return inputs_; }
    QStringList InputNames() const;
    // The row of the device recordings use now: the selected one, else the
    // default one, else 0; -1 when there is none.
    int current_index() const;
    // Makes the device of `index` the recording source; false when out of range.
    bool Select(int index);

private:
    sound::AudioBackend& backend_;
    std::vector<sound::AudioDeviceInfo> inputs_;
};

}  // namespace kivo::audio
