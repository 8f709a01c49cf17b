// Listing and choosing the recording source.
#include "kivo/audio/mixer_selector.h"

namespace kivo::audio {

int MixerSelector::Open() {
    inputs_ = backend_.InputDevices();
    return static_cast<int>(inputs_.size());
}

QStringList MixerSelector::InputNames() const {
    QStringList names;
    for (const sound::AudioDeviceInfo& input : inputs_) {
        names << input.description;
    }
    return names;
}

int MixerSelector::current_index() const {
    if (inputs_.empty()) {
        return -1;
    }
    int default_index = 0;
    for (int i = 0; i < static_cast<int>(inputs_.size()); ++i) {
        if (!backend_.selected_input_device().isEmpty() &&
            inputs_[i].id == backend_.selected_input_device()) {
            return i;
        }
        if (inputs_[i].is_default) {
            default_index = i;
        }
    }
    return default_index;
}

bool MixerSelector::Select(int index) {
    if (index < 0 || index >= static_cast<int>(inputs_.size())) {
        return false;
    }
    backend_.SelectInputDevice(inputs_[index].id);
    return true;
}

}  // namespace kivo::audio
