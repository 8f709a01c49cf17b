#include "kivo/telephony/tapi_library.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "kivo/telephony/caller_text.h"
#include "kivo/telephony/line_codes.h"
#include "kivo/telephony/status_codes.h"

namespace kivo::telephony {
namespace {

constexpr std::uint32_t kApiVersion = 0x00020002;  // the line interface's version 2.2
constexpr int kAnsweredRingCount = 999;            // ringCount once "answer now" went out
constexpr std::size_t kDeviceClassMaxChars = 19;

void CopyPath(const char* path, char* field) {
    std::memset(field, 0, ZN2TAPI_PATH_CHARS);
    if (path != nullptr) {
        std::strncpy(field, path, ZN2TAPI_PATH_CHARS - 1);
    }
}

void RemoveQuietly(const char* path) {
    if (path[0] != '\0') {
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
}

}  // namespace

TapiLibrary::TapiLibrary(TapiStatus& status, LineDirectory directory, Notifier& notifier,
                         DebugSink debug)
    : status_(status),
      directory_(std::move(directory)),
      notifier_(notifier),
      debug_(debug),
      recorder_(status.recorder, debug) {}

TapiLibrary::~TapiLibrary() {
    recorder_.Reset();
    recorder_.SetProvider(nullptr);
    if (open_line_ != nullptr) {
        open_line_->Close();
    }
}

TapiStatus* TapiLibrary::InitVar() {
    TapiStatus& s = status_;
    s.monitoring = s.recording = s.autoAnswer = s.lineOpen = s.callConnected = 0;
    s.dialPending = s.tapiInitialized = s.devCapsHeld = s.callStatusHeld = 0;
    s.callInfoHeld = s.lineOpened = 0;
    s.deviceId = s.apiVersion = s.numDevices = s.waveInId = s.waveOutId = 0;
    s.rings = s.newMessages = s.ringCount = s.status = 0;
    std::memset(s.callerNumber, 0, sizeof s.callerNumber);
    std::memset(s.callerName, 0, sizeof s.callerName);
    s.callerIdValid = 0;
    s.recorder.maxLevel = 0;
    s.incoming = 1;
    s.recorder.chainEnabled = 1;
    return &status_;
}

TapiStatus* TapiLibrary::Init() {
    recorder_.SetProvider(nullptr);
    if (open_line_ != nullptr) {
        open_line_->Close();
        open_line_ = nullptr;
    }
    lines_ = directory_ ? directory_() : std::vector<std::unique_ptr<LineProvider>>{};
    status_.numDevices = static_cast<std::uint32_t>(lines_.size());
    status_.tapiInitialized = 1;
    status_.lineOpen = 0;
    status_.lineApp = 1;
    status_.status = kStatusOk;
    Debug("Line initialized OK\n");
    return &status_;
}

std::int32_t TapiLibrary::ReadDeviceCaps(std::uint32_t device) {
    if (status_.tapiInitialized == 0) {
        Debug("API version bad\n");
        return kLineErrUninitialized;
    }
    if (device >= lines_.size()) {
        Debug("API version bad\n");
        return kLineErrBadDeviceId;
    }
    Debug("API version negotiated OK\n");
    status_.apiVersion = kApiVersion;
    device_caps_ = lines_[device]->Capabilities();
    status_.devCaps = &device_caps_;
    status_.devCapsHeld = 1;
    Debug("\tlineGetDevCaps returned:   0\n");
    return 0;
}

void TapiLibrary::FreeDeviceCaps() {
    device_caps_ = LineCapabilities{};
    status_.devCaps = nullptr;
    status_.devCapsHeld = 0;
}

TapiStatus* TapiLibrary::Open(void* notify_window) {
    const std::int32_t caps_result = ReadDeviceCaps(status_.deviceId);
    if (caps_result != 0) {
        status_.status = StatusForLineError(LineStep::kDeviceCaps, caps_result);
        return Close();
    }
    LineProvider* line = lines_[status_.deviceId].get();
    const std::int32_t open_result = line->Open(this, status_.rings);
    if (open_result != 0) {
        status_.status = StatusForLineError(LineStep::kOpen, open_result);
        return Close();
    }
    open_line_ = line;
    recorder_.SetProvider(line);
    status_.line = status_.deviceId + 1;
    status_.lineOpen = 1;
    status_.lineOpened = 1;
    status_.rings = line->NumRings();
    status_.notifyWindow = notify_window;
    status_.ringCount = 0;
    status_.status = kStatusOk;
    return &status_;
}

int TapiLibrary::ListDev(const Zn2TapiDeviceList* list) {
    if (list != nullptr && list->clear != nullptr) {
        list->clear(list->context);
    }
    for (std::uint32_t device = 0; device < status_.numDevices; ++device) {
        status_.deviceId = device;
        const std::int32_t result = ReadDeviceCaps(device);
        if (result != 0) {
            Debug("Error in Zn2TapiGetDevCaps\n");
            status_.status = StatusForLineError(LineStep::kDeviceCaps, result);
            continue;
        }
        Debug("All OK in Zn2TapiGetDevCaps\n");
        const bool named = !device_caps_.line_name.empty();
        if (named) {
            Debug("LineNameSize OK\n");
            Debug("LineNameOffset OK\n");
        }
        Debug("StringFormat is ASCII\n");
        if (device_caps_.voice) {
            Debug("BearerModes has VOICE\n");
            Debug("MediaModes has INTERACTIVEVOICE\n");
            Debug("MediaModes has AUTOMATEDVOICE\n");
        }
        const std::string number = std::to_string(device);
        if (named && device_caps_.voice && device_caps_.make_call) {
            Debug("Suitable device found - " + number + "\n");
            if (list != nullptr && list->addRow != nullptr) {
                list->addRow(list->context, device, device_caps_.line_name.c_str());
            }
        } else {
            Debug("Not a suitable device - " + number + "\n");
        }
        FreeDeviceCaps();
    }
    return 0;
}

TapiStatus* TapiLibrary::Answer() {
    status_.status = kStatusOk;
    const std::int32_t result =
        open_line_ != nullptr ? open_line_->Answer(status_.call) : kLineErrUninitialized;
    if (result < 0) {
        status_.status = StatusForLineError(LineStep::kAnswer, result);
    }
    return &status_;
}

TapiStatus* TapiLibrary::Dial(const char* number) {
    std::uintptr_t call = 0;
    const std::string dialled = SanitizeCallerText(number != nullptr ? number : "", 127);
    const std::int32_t result =
        open_line_ != nullptr ? open_line_->MakeCall(dialled, &call) : kLineErrUninitialized;
    if (result == 0) {
        status_.status = kStatusOk;
    } else if (result < 0) {
        status_.status = StatusForLineError(LineStep::kDial, result);
    } else {
        status_.status = kStatusDialAccepted;
    }
    if (result >= 0) {
        status_.call = static_cast<std::uint32_t>(call);
    }
    status_.dialPending = 1;
    status_.incoming = 0;
    status_.recorder.chainEnabled = 0;
    return &status_;
}

TapiStatus* TapiLibrary::GetWaveId(int select, const char* device_class) {
    status_.status = kStatusOk;
    const std::string wanted(device_class != nullptr ? device_class : "", 0, kDeviceClassMaxChars);
    const bool wave_in = wanted == "wave/in";
    std::uint32_t id = 0;
    std::int32_t result = kLineErrUninitialized;
    if (wanted != "wave/in" && wanted != "wave/out") {
        result = kLineErrInvalDeviceClass;
    } else if (select != kSelectLine && select != kSelectCall) {
        result = kLineErrInvalCallSelect;
    } else if (open_line_ != nullptr) {
        result = open_line_->GetWaveId(select, status_.call, wave_in, &id);
    }
    if (result != 0) {
        status_.status = StatusForLineError(LineStep::kWaveId, result);
        return &status_;
    }
    (wave_in ? status_.waveInId : status_.waveOutId) = id;
    return &status_;
}

TapiStatus* TapiLibrary::SetResource(const void* module, std::uint32_t resource_id) {
    resource_folder_ = module != nullptr ? static_cast<const char*>(module) : "";
    status_.recorder.chainedModule = resource_folder_.empty() ? nullptr : resource_folder_.c_str();
    status_.recorder.chainedResourceId = resource_id;
    return &status_;
}

TapiStatus* TapiLibrary::SetRecord(const char* take_path, const char* accumulated_path,
                                   const char* wave_path) {
    CopyPath(take_path, status_.recorder.takePath);
    CopyPath(accumulated_path, status_.recorder.accumulatedPath);
    CopyPath(wave_path, status_.recorder.wavePath);
    status_.recorder.maxLevel = 0;
    return &status_;
}

TapiStatus* TapiLibrary::PlayFile(const char* wave_path) {
    const int loaded = recorder_.LoadFile(wave_path != nullptr ? wave_path : "");
    if (loaded != 0) {
        status_.status = StatusForWaveResult(WaveStep::kLoad, loaded);
        return &status_;
    }
    TapiWave& wave = status_.recorder;
    wave.playAfter = (status_.autoAnswer != 0 && status_.incoming == 1) ? 1 : 0;
    wave.chainedPlaybackDevice = status_.waveOutId;
    wave.chainedRecordingDevice = status_.waveInId;
    const int played = recorder_.Play(status_.waveOutId);
    if (played != 0) {
        status_.status = StatusForWaveResult(WaveStep::kPlayback, played);
    }
    return &status_;
}

TapiStatus* TapiLibrary::Record() {
    TapiWave& wave = status_.recorder;
    wave.pause = 0;
    wave.stopping = 0;
    wave.recordAfter = 0;
    const int result = recorder_.Record(status_.waveInId);
    if (result == 0) {
        status_.recording = 1;
        status_.status = kStatusOk;
        Post(ZN2TAPI_MSG_RECORDING);
    } else {
        status_.status = StatusForWaveResult(WaveStep::kRecord, result);
        recorder_.Reset();
    }
    return &status_;
}

TapiStatus* TapiLibrary::Pause() {
    TapiWave& wave = status_.recorder;
    wave.pause = wave.pause != 0 ? 0 : 1;
    Post(wave.pause != 0 ? ZN2TAPI_MSG_PAUSED : ZN2TAPI_MSG_RECORDING);
    return &status_;
}

TapiStatus* TapiLibrary::Stop() {
    status_.recorder.stopping = 1;
    recorder_.Stop();
    if (status_.recording != 0) {
        status_.status = recorder_.AppendTake();
    }
    status_.recording = 0;
    return &status_;
}

TapiStatus* TapiLibrary::Save() {
    status_.status = kStatusOk;
    recorder_.Stop();
    status_.status = StatusForWaveResult(WaveStep::kSave, recorder_.SaveWaveFile());
    recorder_.Reset();
    status_.recording = 0;
    status_.recorder.chainedPlaybackDevice = 0;
    status_.recorder.chainedRecordingDevice = 0;
    RemoveQuietly(status_.recorder.takePath);
    RemoveQuietly(status_.recorder.accumulatedPath);
    return &status_;
}

TapiStatus* TapiLibrary::Close() {
    if (status_.callConnected != 0 && open_line_ != nullptr) {
        open_line_->Drop(status_.call);
    }
    if (status_.lineOpen != 0 && open_line_ != nullptr) {
        open_line_->Close();
    }
    open_line_ = nullptr;
    FreeDeviceCaps();
    FreeCallBuffers();
    status_.tapiInitialized = 0;
    status_.lineOpen = 0;
    status_.lineOpened = 0;
    status_.line = 0;
    status_.lineApp = 0;
    return &status_;
}

void TapiLibrary::FreeCallBuffers() {
    call_info_ = CallPartyInfo{};
    call_status_ = CallStatusRecord{};
    status_.callInfo = nullptr;
    status_.callStatus = nullptr;
    status_.callInfoHeld = 0;
    status_.callStatusHeld = 0;
}

std::int32_t TapiLibrary::GetCallInfo() {
    if (open_line_ == nullptr) {
        return kLineErrUninitialized;
    }
    CallPartyInfo info;
    const std::int32_t result = open_line_->GetCallParty(status_.call, &info);
    if (result != 0) {
        call_info_ = CallPartyInfo{};
        status_.callInfo = nullptr;
        status_.callInfoHeld = 0;
        return result;
    }
    call_info_ = std::move(info);
    status_.callInfo = &call_info_;
    status_.callInfoHeld = 1;
    return 0;
}

std::int32_t TapiLibrary::GetCallStatus() {
    if (open_line_ == nullptr || status_.call == 0) {
        return kLineErrInvalCallHandle;
    }
    status_.callStatus = &call_status_;
    status_.callStatusHeld = 1;
    return 0;
}

void TapiLibrary::CallerId() {
    if (GetCallInfo() != 0) {
        return;
    }
    const std::uint32_t flags = call_info_.party_id_flags;
    if (flags & kPartyIdBlocked) {
        Debug("CallerID is Blocked\n");
    }
    if (flags & kPartyIdUnknown) {
        Debug("CallerID is Unknown\n");
    }
    if (flags & kPartyIdUnavailable) {
        Debug("CallerID is Unavailable\n");
    }
    if (flags & kPartyIdName) {
        Debug("Getting name\n");
        CopyToField(SanitizeCallerText(call_info_.name), status_.callerName,
                    sizeof status_.callerName);
    }
    if (flags & (kPartyIdAddress | kPartyIdPartial)) {
        Debug("Getting ID\n");
        CopyToField(SanitizeCallerText(call_info_.number), status_.callerNumber,
                    sizeof status_.callerNumber);
        status_.callerIdValid = 1;
    }
}

void TapiLibrary::Callback(std::uint32_t device, std::uint32_t message, std::uintptr_t,
                           std::uintptr_t param1, std::uintptr_t param2, std::uintptr_t param3) {
    switch (message) {
        case kLineCallInfo:
            FreeCallBuffers();
            GetCallInfo();
            if (param1 & kCallInfoCallerId) {
                CallerId();
                Post(ZN2TAPI_MSG_CALLER_ID);
            }
            break;
        case kLineCallState:
            OnCallState(device, static_cast<std::uint32_t>(param1),
                        static_cast<std::uint32_t>(param2), static_cast<std::uint32_t>(param3));
            break;
        case kLineDevState:
            if (param1 & kLineDevStateRinging) {
                OnRing();
            }
            break;
        case kLineReply:
            if (static_cast<std::int32_t>(param2) < 0 && status_.dialPending != 0) {
                status_.status = kStatusAsyncDialFailed;
                Post(ZN2TAPI_MSG_FAILED);
            }
            break;
        case kLineAppNewCall:
            if (param3 == kPrivilegeOwner && param2 != status_.call) {
                AdoptCall(static_cast<std::uint32_t>(param2));
            }
            break;
        default:
            break;
    }
}

void TapiLibrary::AdoptCall(std::uint32_t call) {
    status_.call = call;
    status_.recording = 0;
    FreeCallBuffers();
    GetCallInfo();
    Post(ZN2TAPI_MSG_NEW_CALL);
}

void TapiLibrary::OnCallState(std::uint32_t call, std::uint32_t state, std::uint32_t mode,
                              std::uint32_t privilege) {
    if (privilege == kPrivilegeNone) {
        Debug("Privilege None\n");
    } else if (privilege == kPrivilegeMonitor) {
        Debug("Privilege Monitor\n");
    } else if (privilege == kPrivilegeOwner) {
        Debug("Privilege Owner\n");
        if (call != status_.call) {
            AdoptCall(call);
        }
    }
    if (call == status_.call) {
        call_status_.state = state;
        call_status_.mode = mode;
    }
    switch (state) {
        case kCallStateIdle:
            OnIdle(call);
            break;
        case kCallStateDialTone:
            Debug("Dialtone callstate\n");
            Post(ZN2TAPI_MSG_DIAL_TONE);
            break;
        case kCallStateDialing:
            Debug("Dialing callstate\n");
            Post(ZN2TAPI_MSG_DIALLING);
            break;
        case kCallStateConnected:
            status_.callConnected = 1;
            status_.recorder.maxLevel = 0;
            Post(ZN2TAPI_MSG_CONNECTED);
            break;
        case kCallStateProceeding:
            Debug("Proceeding callstate\n");
            Post(ZN2TAPI_MSG_PROCEEDING);
            break;
        case kCallStateDisconnected:
            OnDisconnected(call, mode);
            break;
        default:
            break;
    }
}

void TapiLibrary::OnIdle(std::uint32_t call) {
    Debug("Idle start\n");
    if (open_line_ != nullptr) {
        open_line_->Deallocate(call);
    }
    FreeCallBuffers();
    status_.call = 0;
    status_.ringCount = 0;
    status_.incoming = 1;
    status_.recorder.chainEnabled = 1;
    status_.status = kStatusOk;
    status_.dialPending = 0;
    status_.callConnected = 0;
    status_.callerIdValid = 0;
    std::memset(status_.callerNumber, 0, sizeof status_.callerNumber);
    std::memset(status_.callerName, 0, sizeof status_.callerName);
    Post(ZN2TAPI_MSG_IDLE);
    Debug("Idle end\n");
}

void TapiLibrary::OnDisconnected(std::uint32_t call, std::uint32_t mode) {
    Debug("disconnected start\n");
    if (open_line_ != nullptr) {
        open_line_->Drop(call);
    }
    status_.callConnected = 0;
    // What the caller said before hanging up stays in the take file, so the
    // host's stop and save keep it.
    recorder_.OnCallEnded();
    Post(ZN2TAPI_MSG_DISCONNECTED);
    if (mode == kDisconnectBusy) {
        Post(ZN2TAPI_MSG_BUSY);
    } else if (mode == kDisconnectNoDialTone) {
        Post(ZN2TAPI_MSG_FAILED);
    }
    Debug("disconnected end\n");
}

void TapiLibrary::OnRing() {
    Debug("ringing\n");
    if (open_line_ != nullptr) {
        status_.rings = open_line_->NumRings();
    }
    status_.incoming = 1;
    status_.recorder.chainEnabled = 1;
    status_.recorder.recordAfter = status_.autoAnswer != 0 ? 1 : 0;
    status_.ringCount += 1;
    if (status_.ringCount >= status_.rings && status_.autoAnswer != 0) {
        if (status_.ringCount < kAnsweredRingCount) {
            Post(ZN2TAPI_MSG_ANSWER_NOW);
        }
        status_.ringCount = kAnsweredRingCount;
    } else if (status_.ringCount < 2) {
        Post(ZN2TAPI_MSG_RING);
    }
}

void TapiLibrary::Iterate() {
    if (open_line_ != nullptr) {
        open_line_->Iterate();
    }
}

void TapiLibrary::OnLineMessage(std::uint32_t message, std::uintptr_t call, std::uintptr_t param1,
                                std::uintptr_t param2, std::uintptr_t param3) {
    Callback(static_cast<std::uint32_t>(call), message,
             reinterpret_cast<std::uintptr_t>(status_.notifyWindow), param1, param2, param3);
}

void TapiLibrary::OnCallerAudio(const std::uint8_t* bytes, std::size_t size_bytes) {
    recorder_.OnCallerAudio(bytes, size_bytes);
}

void TapiLibrary::OnPlaybackDone() {
    recorder_.OnPlaybackDone();
}

void TapiLibrary::Post(int message) {
    notifier_.Post(status_.notifyWindow, message);
}

}  // namespace kivo::telephony
