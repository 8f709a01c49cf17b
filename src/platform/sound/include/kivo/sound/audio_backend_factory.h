// Choosing the audio backend. Every program (kivo, kvmp, the tests) reads the
// same environment:
//   KIVO_AUDIO=virtual      the virtual backend instead of the sound devices
//   KIVO_AUDIO_IN=<wave>    what the virtual microphone hears (silence if unset)
//   KIVO_AUDIO_OUT=<wave>   where the virtual speaker appends what it plays
//   KIVO_AUDIO_CLOCK=fast   run the virtual devices faster than real time
//   KIVO_AUDIO_CLOCK=manual audio time passes only when a test calls
//                           VirtualAudioBackend::Advance
#pragma once

#include <memory>

#include "kivo/sound/audio_backend.h"

namespace kivo::sound {

std::unique_ptr<AudioBackend> CreateAudioBackendFromEnvironment();

// The program's one backend, made from the environment on first use (after
// the QCoreApplication exists, on the user-interface thread) and kept until
// the program ends.
AudioBackend& SharedAudioBackend();

}  // namespace kivo::sound
