// Rendering sound effects with libsox: echo, chorus, distortion (overdrive),
// flanger, gargle (tremolo), equalizer, reverb and reverse. Each effect value
// maps to libsox parameters as docs/audio-effects.md tells. Rendering keeps
// the format and the length: the chain ends with libsox's "channels" and
// "rate" effects (reverb makes stereo out of mono, and libsox converts
// nothing by itself), and tails past the end (echo, reverb) are cut, so a
// position in the result is the same position in the source.
//
// libsox keeps global state: renderings are serialised process-wide, one
// chain at a time; a second caller waits for the first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/audio/effect_settings.h"
#include "kivo/wavefile/pcm_format.h"
#include "kivo/wavefile/wave_status.h"

namespace kivo::audio {

// True when libsox loads and initialises: effects can be offered.
bool EffectsLibraryAvailable();

// One libsox effect and its arguments, e.g. {"echo", {"0.8", "0.9", "100", "0.4"}}.
struct EffectStep {
    std::string name;
    std::vector<std::string> arguments;
};

// The step of one effect (echo..reverb) at a value of its range.
EffectStep StepForEffect(int index, int value);
EffectStep ReverseStep();
// The steps of every effect that is on, echo to reverb in that order. Speed
// is not among them: it is applied live while playing (SpeedStage).
std::vector<EffectStep> EffectStepsFor(const EffectSet& effects);

// Renders whole frames of `pcm` (in `format`, 8- or 16-bit) through `steps`
// into `out`, in the same format and length.
wavefile::WaveStatus RenderEffects(const wavefile::PcmFormat& format,
                                   const std::vector<std::uint8_t>& pcm,
                                   const std::vector<EffectStep>& steps,
                                   std::vector<std::uint8_t>* out);

// Writes the wave at `source_path` reversed to `target_path` (a plain PCM
// wave in the same format).
wavefile::WaveStatus ReverseWaveFile(const std::string& source_path,
                                     const std::string& target_path);

}  // namespace kivo::audio
