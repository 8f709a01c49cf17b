// The flat interface of zn2tapi.h over one TapiLibrary. The status record is
// the library's one piece of process-wide state, as its interface promises:
// every export hands back the same record.
#include <memory>

#include "kivo/telephony/line_configuration.h"
#include "kivo/telephony/qt_line_pump.h"
#include "kivo/telephony/tapi_library.h"
#include "zn2tapi.h"

namespace {

using kivo::telephony::TapiLibrary;

TapiStatus g_status{};

struct FlatLibrary {
    kivo::telephony::QtEventNotifier notifier;
    TapiLibrary library{g_status, kivo::telephony::ConfiguredLineDirectory(), notifier,
                        kivo::telephony::EnvironmentDebugSink()};
    std::unique_ptr<kivo::telephony::QtLinePump> pump;
};

FlatLibrary& Flat() {
    static FlatLibrary flat;
    return flat;
}

TapiLibrary& Library() {
    return Flat().library;
}

}  // namespace

extern "C" {

TapiStatus* Zn2TapiInitVar(void) {
    return Library().InitVar();
}

TapiStatus* Zn2TapiInit(void*) {
    g_status.callback = &Zn2TapiCallBack;
    return Library().Init();
}

TapiStatus* Zn2TapiOpen(void* notifyWindow) {
    TapiStatus* status = Library().Open(notifyWindow);
    if (status->lineOpen != 0) {
        auto& flat = Flat();
        if (!flat.pump) {
            flat.pump = std::make_unique<kivo::telephony::QtLinePump>(flat.library);
        }
        flat.pump->Start();
    }
    return status;
}

int32_t Zn2TapiListDev(const Zn2TapiDeviceList* list) {
    return Library().ListDev(list);
}
TapiStatus* Zn2TapiAnswer(void) {
    return Library().Answer();
}
TapiStatus* Zn2TapiDial(const char* number) {
    return Library().Dial(number);
}

TapiStatus* Zn2TapiGetWaveID(int32_t select, const char* deviceClass) {
    return Library().GetWaveId(select, deviceClass);
}

TapiStatus* Zn2TapiSetResource(const void* module, uint32_t resourceId) {
    return Library().SetResource(module, resourceId);
}

TapiStatus* Zn2TapiSetRecord(const char* takePath, const char* accumulatedPath,
                             const char* wavePath) {
    return Library().SetRecord(takePath, accumulatedPath, wavePath);
}

TapiStatus* Zn2TapiPlayFile(const char* wavePath) {
    return Library().PlayFile(wavePath);
}
TapiStatus* Zn2TapiRecord(void) {
    return Library().Record();
}
TapiStatus* Zn2TapiPause(void) {
    return Library().Pause();
}
TapiStatus* Zn2TapiStop(void) {
    return Library().Stop();
}
TapiStatus* Zn2TapiSave(void) {
    return Library().Save();
}

TapiStatus* Zn2TapiClose(void) {
    auto& flat = Flat();
    if (flat.pump) {
        flat.pump->Stop();
    }
    return flat.library.Close();
}

int32_t Zn2TapiGetCallInfo(int32_t) {
    return Library().GetCallInfo();
}
int32_t Zn2TapiGetCallStatus(void) {
    return Library().GetCallStatus();
}
void Zn2TapiCallerID(int32_t) {
    Library().CallerId();
}

void Zn2TapiCallBack(uint32_t device, uint32_t message, uintptr_t instance, uintptr_t param1,
                     uintptr_t param2, uintptr_t param3) {
    Library().Callback(device, message, instance, param1, param2, param3);
}

}  // extern "C"
