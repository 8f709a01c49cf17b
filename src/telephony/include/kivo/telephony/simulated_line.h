// The demo line: a line device with no network behind it, driven from the
// outside - by the kivo-line command through its control socket, or directly
// by tests. It lets a user without a SIP account try the answering machine,
// and lets tests run every call flow deterministically.
//
// The outside plays the other party: it rings with a caller's name and
// number, answers (connect) or refuses (busy) a call Kivo dialled, speaks a
// wave file into the call, hangs up, or takes the dial tone away. What Kivo
// plays into the call is kept as "heard" audio that the outside can save.
//
// Time is the line's own: Advance(ms) moves it on (rings every ring period,
// audio flows at 16000 bytes per second); Iterate() advances it by the real
// time that has passed. Line messages are queued and delivered at the start
// of the next Advance, never from inside a call of the library.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "kivo/telephony/line_provider.h"

namespace kivo::telephony {

class LineControlSocket;

class SimulatedLine : public LineProvider {
public:
    static constexpr const char* kDefaultName = "Demo line";

    struct Options {
        std::string name = kDefaultName;
        int ring_period_ms = 1000;
        // When set, Iterate() serves this control socket (see line_control.h).
        std::string control_socket_path;
    };

    explicit SimulatedLine(Options options);
    ~SimulatedLine() override;

    // --- The other party's side. Each returns false when the line's state
    // does not allow it (no call, a call already there ...).
    bool Ring(const std::string& number, const std::string& name);
    bool Connect();
    bool Busy();
    bool HangUp();
    // Queues caller audio (call format); it flows while the call is connected.
    bool Speak(const std::vector<std::uint8_t>& samples);
    void SetNoDialTone(bool on) { no_dial_tone_ = on; }
    // What has been played into the call so far (call format).
    const std::vector<std::uint8_t>& heard() const { return heard_; }
    void ClearHeard() { heard_.clear(); }
    // "idle", "ringing", "dialling", "connected".
    std::string StateName() const;
    const std::string& dialled_number() const { return dialled_number_; }

    // Moves the line's time on by `ms`, delivering queued messages first.
    void Advance(int ms);

    // --- LineProvider
    LineCapabilities Capabilities() const override;
    std::int32_t Open(LineEvents* events, int rings) override;
    void Close() override;
    int NumRings() const override { return rings_; }
    std::int32_t Answer(std::uintptr_t call) override;
    std::int32_t MakeCall(const std::string& number, std::uintptr_t* call) override;
    std::int32_t Drop(std::uintptr_t call) override;
    void Deallocate(std::uintptr_t call) override;
    std::int32_t GetCallParty(std::uintptr_t call, CallPartyInfo* info) override;
    std::int32_t GetWaveId(int select, std::uintptr_t call, bool wave_in,
                           std::uint32_t* id) override;
    int StartPlayback(std::uint32_t wave_out_id, const std::vector<std::uint8_t>& samples) override;
    void StopPlayback() override;
    int StartCapture(std::uint32_t wave_in_id) override;
    void StopCapture() override;
    void Iterate() override;

private:
    enum class CallState { kNone, kRinging, kDialling, kConnected };
    struct Message {
        std::uint32_t message;
        std::uintptr_t call;
        std::uintptr_t param1, param2, param3;
    };
    static constexpr std::uint32_t kWaveIdBase = 1000;

    void Queue(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2 = 0,
               std::uintptr_t param3 = 0);
    void QueueState(std::uint32_t state, std::uint32_t mode = 0);
    void EndCall(std::uint32_t mode);
    void DeliverQueued();
    void FlowAudio(int ms);
    std::uint32_t WaveInId() const { return kWaveIdBase + 2 * static_cast<std::uint32_t>(call_); }
    std::uint32_t WaveOutId() const { return WaveInId() + 1; }

    Options options_;
    LineEvents* events_ = nullptr;
    int rings_ = 0;
    bool no_dial_tone_ = false;

    CallState state_ = CallState::kNone;
    std::uintptr_t call_ = 0;
    std::uintptr_t next_call_ = 1;
    std::int32_t next_request_ = 1;
    CallPartyInfo party_;
    std::string dialled_number_;
    int ms_to_next_ring_ = 0;

    std::deque<Message> queued_;
    std::vector<std::uint8_t> to_speak_;
    std::size_t spoken_bytes_ = 0;
    bool capturing_ = false;
    std::vector<std::uint8_t> playing_;
    std::size_t played_bytes_ = 0;
    bool play_active_ = false;
    std::vector<std::uint8_t> heard_;
    double pending_audio_bytes_ = 0;

    std::unique_ptr<LineControlSocket> control_;
    std::chrono::steady_clock::time_point last_iterate_;
};

}  // namespace kivo::telephony
