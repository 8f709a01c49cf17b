// The one espeak-ng engine (see espeak_engine.h). espeak-ng keeps its state in
// the library itself, so this lock and the start-once rate are the program's
// view of that state, not state of its own.
#include "espeak_engine.h"

#include <espeak-ng/speak_lib.h>

namespace kivo::speech {
namespace {

std::mutex& EngineMutex() {
    static std::mutex mutex;
    return mutex;
}

// Called with the lock held. The engine's sample rate, or 0.
int StartedSampleRate() {
    static int sample_rate_hz = 0;
    static bool tried = false;
    if (!tried) {
        tried = true;
        constexpr int kBufferMs = 200;
        const int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMs, nullptr,
                                           espeakINITIALIZE_DONT_EXIT);
        sample_rate_hz = rate > 0 ? rate : 0;
    }
    return sample_rate_hz;
}

}  // namespace

EngineLock::EngineLock() : lock_(EngineMutex()), sample_rate_hz_(StartedSampleRate()) {}

}  // namespace kivo::speech
