// The telephony library: one TapiStatus record, the line devices of the
// configured providers and the call-audio recorder, driven by the host's
// calls and by the line messages of the open provider.
//
// Each operation here is one export of zn2tapi.h (the flat functions are thin
// wrappers over one instance); results and flags go into the status record,
// call events go to the Notifier as the message numbers ZN2TAPI_MSG_*.
// Everything runs on the host's thread: the providers report from inside
// Iterate(), which the host calls about every 20 ms.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kivo/telephony/debug_log.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/telephony/tapi_wave_recorder.h"
#include "zn2tapi.h"

namespace kivo::telephony {

// Delivers a message to the host's notification window (a Qt object in the
// program; a recording list in tests).
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void Post(void* window, int message) = 0;
};

// Makes the line devices, in device-number order, when the library starts.
using LineDirectory = std::function<std::vector<std::unique_ptr<LineProvider>>()>;

class TapiLibrary : public LineEvents {
public:
    TapiLibrary(TapiStatus& status, LineDirectory directory, Notifier& notifier, DebugSink debug);
    ~TapiLibrary() override;
    TapiLibrary(const TapiLibrary&) = delete;
    TapiLibrary& operator=(const TapiLibrary&) = delete;

    TapiStatus* InitVar();
    TapiStatus* Init();
    TapiStatus* Open(void* notify_window);
    int ListDev(const Zn2TapiDeviceList* list);
    TapiStatus* Answer();
    TapiStatus* Dial(const char* number);
    TapiStatus* GetWaveId(int select, const char* device_class);
    TapiStatus* SetResource(const void* module, std::uint32_t resource_id);
    TapiStatus* SetRecord(const char* take_path, const char* accumulated_path,
                          const char* wave_path);
    TapiStatus* PlayFile(const char* wave_path);
    TapiStatus* Record();
    TapiStatus* Pause();
    TapiStatus* Stop();
    TapiStatus* Save();
    TapiStatus* Close();
    std::int32_t GetCallInfo();
    std::int32_t GetCallStatus();
    void CallerId();
    void Callback(std::uint32_t device, std::uint32_t message, std::uintptr_t instance,
                  std::uintptr_t param1, std::uintptr_t param2, std::uintptr_t param3);

    // Lets the open line work; the host calls it about every 20 ms.
    void Iterate();

    TapiStatus& status() { return status_; }
    // The line device opened by Open, or null.
    LineProvider* open_line() { return open_line_; }

    // LineEvents, from the open line.
    void OnLineMessage(std::uint32_t message, std::uintptr_t call, std::uintptr_t param1,
                       std::uintptr_t param2, std::uintptr_t param3) override;
    void OnCallerAudio(const std::uint8_t* bytes, std::size_t size_bytes) override;
    void OnPlaybackDone() override;

private:
    struct CallStatusRecord {
        std::uint32_t state = 0;
        std::uint32_t mode = 0;
    };

    std::int32_t ReadDeviceCaps(std::uint32_t device);
    void FreeDeviceCaps();
    void FreeCallBuffers();
    void AdoptCall(std::uint32_t call);
    void OnCallState(std::uint32_t call, std::uint32_t state, std::uint32_t mode,
                     std::uint32_t privilege);
    void OnIdle(std::uint32_t call);
    void OnDisconnected(std::uint32_t call, std::uint32_t mode);
    void OnRing();
    void Post(int message);
    void Debug(std::string_view line) const { debug_(line); }

    TapiStatus& status_;
    LineDirectory directory_;
    Notifier& notifier_;
    DebugSink debug_;
    std::vector<std::unique_ptr<LineProvider>> lines_;
    LineProvider* open_line_ = nullptr;
    TapiWaveRecorder recorder_;
    LineCapabilities device_caps_;
    CallPartyInfo call_info_;
    CallStatusRecord call_status_;
    std::string resource_folder_;
};

}  // namespace kivo::telephony
