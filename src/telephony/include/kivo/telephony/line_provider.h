// A line provider carries calls for the telephony library: the demo line, a
// SIP account, the local SIP line. Each provider offers one line device.
//
// Providers report what happens on the line as line messages (line_codes.h)
// through LineEvents, on the host's thread, from inside Iterate(): the
// library never sees a thread of the provider. Call audio travels as 8000
// samples per second, mono, 16-bit PCM: the caller's voice arrives through
// LineEvents::OnCallerAudio while a capture runs, and a wave played into the
// call ends with LineEvents::OnPlaybackDone.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "kivo/wavefile/pcm_format.h"

namespace kivo::telephony {

// The format of call audio in both directions.
inline wavefile::PcmFormat CallAudioFormat() {
    return wavefile::PcmFormat{1, 8000, 16};
}

// What a provider knows of a call's other party, as received (untrusted).
struct CallPartyInfo {
    std::uint32_t party_id_flags = 0;  // kPartyId*
    std::string name;
    std::string number;
};

// Capabilities of a line device, as the device list checks them.
struct LineCapabilities {
    std::string line_name;
    bool voice = true;      // carries voice (interactive and automated)
    bool make_call = true;  // can place calls
};

class LineEvents {
public:
    virtual ~LineEvents() = default;
    // A line message: kLineCallState, kLineDevState, kLineCallInfo,
    // kLineReply or kLineAppNewCall with its three parameters.
    virtual void OnLineMessage(std::uint32_t message, std::uintptr_t call, std::uintptr_t param1,
                               std::uintptr_t param2, std::uintptr_t param3) = 0;
    // Caller audio (CallAudioFormat) captured from the call's wave-in.
    virtual void OnCallerAudio(const std::uint8_t* bytes, std::size_t size_bytes) = 0;
    // The wave played into the call has ended (or the playback was cut off
    // by the call's end).
    virtual void OnPlaybackDone() = 0;
};

class LineProvider {
public:
    virtual ~LineProvider() = default;

    virtual LineCapabilities Capabilities() const = 0;

    // Opens the line as owner and starts reporting to `events`. 0 or a line
    // error. rings: rings before an answer is due, read back by NumRings.
    virtual std::int32_t Open(LineEvents* events, int rings) = 0;
    virtual void Close() = 0;
    virtual int NumRings() const = 0;

    // Call control. Each returns 0, a positive request identifier (the
    // outcome follows as kLineReply and call states) or a line error.
    virtual std::int32_t Answer(std::uintptr_t call) = 0;
    virtual std::int32_t MakeCall(const std::string& number, std::uintptr_t* call) = 0;
    virtual std::int32_t Drop(std::uintptr_t call) = 0;
    virtual void Deallocate(std::uintptr_t call) = 0;
    virtual std::int32_t GetCallParty(std::uintptr_t call, CallPartyInfo* info) = 0;

    // Identifier of the line's or the call's audio endpoint; `wave_in` picks
    // the caller's voice, otherwise the way into the call. 0 or a line error.
    virtual std::int32_t GetWaveId(int select, std::uintptr_t call, bool wave_in,
                                   std::uint32_t* id) = 0;

    // Call audio on the endpoints GetWaveId named. Results are multimedia
    // results (0, kMmBadDeviceId ...). `samples` are CallAudioFormat.
    virtual int StartPlayback(std::uint32_t wave_out_id,
                              const std::vector<std::uint8_t>& samples) = 0;
    virtual void StopPlayback() = 0;
    virtual int StartCapture(std::uint32_t wave_in_id) = 0;
    virtual void StopCapture() = 0;

    // Lets the provider do its work and report; the host calls it about
    // every 20 ms.
    virtual void Iterate() = 0;
};

}  // namespace kivo::telephony
