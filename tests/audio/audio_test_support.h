// Helpers for the Qt audio tests: tape waves for the virtual microphone,
// pumping the event loop, and reading what the virtual speaker played.
#pragma once

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kivo/sound/virtual_audio_backend.h"
#include "kivo/wavefile/pcm_format.h"

namespace kivo::test {

// Runs queued events (stream notifications) until none are left.
void PumpEvents();
// Advances the manual clock in `step_ms` steps, pumping events after each.
void AdvanceAndPump(sound::VirtualAudioBackend& backend, int total_ms, int step_ms = 20);
// Pumps events (sleeping briefly between rounds) until `done` or the timeout.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(20));

void WriteWave(const std::string& path, const wavefile::PcmFormat& format,
               const std::vector<std::uint8_t>& samples);
// The samples of a wave file (empty when it cannot be read).
std::vector<std::uint8_t> ReadWaveSamples(const std::string& path);

// Bytes of frames [first, first + count) of `pcm`.
std::vector<std::uint8_t> Frames(const std::vector<std::uint8_t>& pcm,
                                 const wavefile::PcmFormat& format, std::int64_t first,
                                 std::int64_t count);

sound::VirtualAudioBackend::Options ManualOptions(const std::string& input_wave,
                                                  const std::string& output_wave);

}  // namespace kivo::test
