// Choosing the backend from KIVO_AUDIO, KIVO_AUDIO_IN, KIVO_AUDIO_OUT and
// KIVO_AUDIO_CLOCK.
#include "kivo/sound/audio_backend_factory.h"

#include <QtGlobal>

#include "kivo/sound/qt_audio_backend.h"
#include "kivo/sound/virtual_audio_backend.h"

namespace kivo::sound {

std::unique_ptr<AudioBackend> CreateAudioBackendFromEnvironment() {
    if (qEnvironmentVariable("KIVO_AUDIO") != QLatin1String("virtual")) {
        return std::make_unique<QtAudioBackend>();
    }
    VirtualAudioBackend::Options options;
    options.input_wave_path = qEnvironmentVariable("KIVO_AUDIO_IN");
    options.output_wave_path = qEnvironmentVariable("KIVO_AUDIO_OUT");
    const QString clock = qEnvironmentVariable("KIVO_AUDIO_CLOCK");
    if (clock == QLatin1String("fast"))
        options.clock = VirtualAudioBackend::Clock::kFast;
    else if (clock == QLatin1String("manual"))
        options.clock = VirtualAudioBackend::Clock::kManual;
    else
        options.clock = VirtualAudioBackend::Clock::kRealTime;
    return std::make_unique<VirtualAudioBackend>(std::move(options));
}

AudioBackend& SharedAudioBackend() {
    static std::unique_ptr<AudioBackend> backend = CreateAudioBackendFromEnvironment();
    return *backend;
}

}  // namespace kivo::sound
