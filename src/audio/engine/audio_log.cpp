// The "kivo.audio" logging category.
#include "audio_log.h"

namespace kivo::audio {
Q_LOGGING_CATEGORY(lcAudio, "kivo.audio")
}
