// The audio engine's debug lines ("SaveWaveFile called", "Wave out
// stopping"...) go to the logging category "kivo.audio".
#pragma once

#include <QLoggingCategory>

namespace kivo::audio {
Q_DECLARE_LOGGING_CATEGORY(lcAudio)
}
