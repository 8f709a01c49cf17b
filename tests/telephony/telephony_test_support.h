// A test bench for the telephony library: the library on a demo line, a
// notifier that records the posted messages, and a host that reacts to them
// like the answering machine (answer when due, then greeting, resource and
// recording).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kivo/telephony/simulated_line.h"
#include "kivo/telephony/tapi_library.h"
#include "temp_dir.h"

namespace kivo::test {

class RecordingNotifier : public telephony::Notifier {
public:
    void Post(void*, int message) override { messages.push_back(message); }
    // The posted messages that are among `wanted`, in order.
    std::vector<int> Only(std::initializer_list<int> wanted) const;
    int Count(int message) const;
    std::vector<int> messages;
};

// Call-format samples whose every sample differs from its neighbours, so a
// test can tell exactly which bytes arrived.
std::vector<std::uint8_t> CountingCallAudio(int duration_ms, int seed);
// A call-format tone at `amplitude` (0..1).
std::vector<std::uint8_t> CallTone(int duration_ms, double amplitude);
// Writes call-format samples as a plain wave file.
void WriteCallWave(const std::string& path, const std::vector<std::uint8_t>& samples);
// The samples of a wave file written by the recorder (call format).
std::vector<std::uint8_t> ReadWaveSamples(const std::string& path);

class TelephonyBench {
public:
    static constexpr int kRingPeriodMs = 100;

    TelephonyBench();
    ~TelephonyBench();

    // InitVar, rings and autoAnswer, Init, Open on device 0 (the demo line).
    void OpenLine(int rings, bool auto_answer);
    // Advances the line by `ms` in 20 ms steps, letting the host react after
    // each step.
    void Run(int ms);
    // The answering machine's reactions to posted messages.
    void ReactAsAnsweringMachine();

    TapiStatus status{};
    RecordingNotifier notifier;
    std::vector<std::string> debug_lines;
    std::unique_ptr<telephony::TapiLibrary> library;
    telephony::SimulatedLine* line = nullptr;  // owned by the library
    TempDir dir;
    std::vector<std::uint8_t> greeting;
    std::vector<std::uint8_t> resource;
    bool answering_machine = false;

private:
    std::size_t handled_messages_ = 0;
};

}  // namespace kivo::test
