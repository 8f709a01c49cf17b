#include "kivo/telephony/simulated_line.h"

#include "kivo/telephony/line_codes.h"
#include "kivo/telephony/line_control.h"

namespace kivo::telephony {
namespace {

constexpr std::uint32_t kPlaybackDoneMessage = 0;  // queued "message" for OnPlaybackDone
constexpr std::uint32_t kLineWaveIn = 1;
constexpr std::uint32_t kLineWaveOut = 2;
constexpr int kBytesPerMs = 16;  // 8000 samples per second, 16-bit mono

}  // namespace

SimulatedLine::SimulatedLine(Options options) : options_(std::move(options)) {}

SimulatedLine::~SimulatedLine() {
    Close();
}

LineCapabilities SimulatedLine::Capabilities() const {
    return LineCapabilities{options_.name, true, true};
}

std::int32_t SimulatedLine::Open(LineEvents* events, int rings) {
    if (events_ != nullptr) {
        return kLineErrAllocated;
    }
    if (!options_.control_socket_path.empty()) {
        auto control = std::make_unique<LineControlSocket>(options_.control_socket_path);
        if (!control->listening()) {
            return kLineErrResourceUnavail;
        }
        control_ = std::move(control);
    }
    events_ = events;
    rings_ = rings;
    last_iterate_ = std::chrono::steady_clock::now();
    return 0;
}

void SimulatedLine::Close() {
    control_.reset();
    events_ = nullptr;
    queued_.clear();
    state_ = CallState::kNone;
    call_ = 0;
    capturing_ = false;
    play_active_ = false;
}

std::string SimulatedLine::StateName() const {
    switch (state_) {
        case CallState::kRinging:
            return "ringing";
        case CallState::kDialling:
            return "dialling";
        case CallState::kConnected:
            return "connected";
        case CallState::kNone:
            break;
    }
    return "idle";
}

void SimulatedLine::Queue(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2,
                          std::uintptr_t param3) {
    queued_.push_back(Message{message, call_, param1, param2, param3});
}

void SimulatedLine::QueueState(std::uint32_t state, std::uint32_t mode) {
    Queue(kLineCallState, state, mode, kPrivilegeOwner);
}

bool SimulatedLine::Ring(const std::string& number, const std::string& name) {
    if (events_ == nullptr || state_ != CallState::kNone) {
        return false;
    }
    call_ = next_call_++;
    state_ = CallState::kRinging;
    party_ = CallPartyInfo{};
    party_.name = name;
    party_.number = number;
    if (!name.empty()) {
        party_.party_id_flags |= kPartyIdName;
    }
    if (!number.empty()) {
        party_.party_id_flags |= kPartyIdAddress;
    }
    if (party_.party_id_flags == 0) {
        party_.party_id_flags = kPartyIdBlocked;
    }
    queued_.push_back(Message{kLineAppNewCall, 0, 0, call_, kPrivilegeOwner});
    QueueState(kCallStateOffering);
    Queue(kLineDevState, kLineDevStateRinging);
    Queue(kLineCallInfo, kCallInfoCallerId);
    ms_to_next_ring_ = options_.ring_period_ms;
    return true;
}

bool SimulatedLine::Connect() {
    if (state_ != CallState::kDialling) {
        return false;
    }
    state_ = CallState::kConnected;
    QueueState(kCallStateConnected);
    return true;
}

bool SimulatedLine::Busy() {
    if (state_ != CallState::kDialling) {
        return false;
    }
    EndCall(kDisconnectBusy);
    return true;
}

bool SimulatedLine::HangUp() {
    if (state_ == CallState::kNone) {
        return false;
    }
    EndCall(kDisconnectNormal);
    return true;
}

bool SimulatedLine::Speak(const std::vector<std::uint8_t>& samples) {
    if (state_ == CallState::kNone) {
        return false;
    }
    to_speak_.insert(to_speak_.end(), samples.begin(), samples.end());
    return true;
}

void SimulatedLine::EndCall(std::uint32_t mode) {
    QueueState(kCallStateDisconnected, mode);
    QueueState(kCallStateIdle);
    state_ = CallState::kNone;
    capturing_ = false;
    play_active_ = false;
    to_speak_.clear();
    spoken_bytes_ = 0;
}

std::int32_t SimulatedLine::Answer(std::uintptr_t call) {
    if (call == 0 || call != call_) {
        return kLineErrInvalCallHandle;
    }
    if (state_ != CallState::kRinging) {
        return kLineErrInvalCallState;
    }
    state_ = CallState::kConnected;
    const std::int32_t request = next_request_++;
    Queue(kLineReply, static_cast<std::uintptr_t>(request), 0);
    QueueState(kCallStateConnected);
    return request;
}

std::int32_t SimulatedLine::MakeCall(const std::string& number, std::uintptr_t* call) {
    if (events_ == nullptr) {
        return kLineErrInvalLineHandle;
    }
    if (state_ != CallState::kNone) {
        return kLineErrInUse;
    }
    if (number.empty()) {
        return kLineErrInvalAddress;
    }
    call_ = next_call_++;
    *call = call_;
    party_ = CallPartyInfo{kPartyIdAddress, "", number};
    dialled_number_ = number;
    const std::int32_t request = next_request_++;
    Queue(kLineReply, static_cast<std::uintptr_t>(request), 0);
    state_ = CallState::kDialling;
    if (no_dial_tone_) {
        EndCall(kDisconnectNoDialTone);
    } else {
        QueueState(kCallStateDialTone);
        QueueState(kCallStateDialing);
        QueueState(kCallStateProceeding);
    }
    return request;
}

std::int32_t SimulatedLine::Drop(std::uintptr_t call) {
    if (call == 0 || call != call_) {
        return kLineErrInvalCallHandle;
    }
    if (state_ != CallState::kNone) {
        EndCall(kDisconnectNormal);
    }
    return 0;
}

void SimulatedLine::Deallocate(std::uintptr_t call) {
    if (call == call_ && state_ == CallState::kNone) {
        call_ = 0;
        party_ = CallPartyInfo{};
    }
}

std::int32_t SimulatedLine::GetCallParty(std::uintptr_t call, CallPartyInfo* info) {
    if (call == 0 || call != call_) {
        return kLineErrInvalCallHandle;
    }
    *info = party_;
    return 0;
}

std::int32_t SimulatedLine::GetWaveId(int select, std::uintptr_t call, bool wave_in,
                                      std::uint32_t* id) {
    if (select == kSelectLine) {
        *id = wave_in ? kLineWaveIn : kLineWaveOut;
        return 0;
    }
    if (call == 0 || call != call_) {
        return kLineErrInvalCallHandle;
    }
    *id = wave_in ? WaveInId() : WaveOutId();
    return 0;
}

int SimulatedLine::StartPlayback(std::uint32_t wave_out_id,
                                 const std::vector<std::uint8_t>& samples) {
    if (wave_out_id != WaveOutId() && wave_out_id != kLineWaveOut) {
        return kMmBadDeviceId;
    }
    if (state_ != CallState::kConnected) {
        return kMmNoDriver;
    }
    playing_ = samples;
    played_bytes_ = 0;
    play_active_ = true;
    return kMmOk;
}

void SimulatedLine::StopPlayback() {
    play_active_ = false;
}

int SimulatedLine::StartCapture(std::uint32_t wave_in_id) {
    if (wave_in_id != WaveInId() && wave_in_id != kLineWaveIn) {
        return kMmBadDeviceId;
    }
    if (state_ != CallState::kConnected) {
        return kMmNoDriver;
    }
    capturing_ = true;
    return kMmOk;
}

void SimulatedLine::StopCapture() {
    capturing_ = false;
}

void SimulatedLine::DeliverQueued() {
    while (!queued_.empty() && events_ != nullptr) {
        const Message next = queued_.front();
        queued_.pop_front();
        if (next.message == kPlaybackDoneMessage) {
            events_->OnPlaybackDone();
        } else {
            events_->OnLineMessage(next.message, next.call, next.param1, next.param2, next.param3);
        }
    }
}

// Audio moves at the call's real rate: what Kivo plays is heard, and the
// caller's queued speech flows while Kivo listens (a caller waits for the
// tone before speaking).
void SimulatedLine::FlowAudio(int ms) {
    if (state_ != CallState::kConnected) {
        return;
    }
    const std::size_t budget = static_cast<std::size_t>(ms) * kBytesPerMs;
    if (play_active_) {
        const std::size_t step = std::min(budget, playing_.size() - played_bytes_);
        heard_.insert(heard_.end(), playing_.begin() + static_cast<std::ptrdiff_t>(played_bytes_),
                      playing_.begin() + static_cast<std::ptrdiff_t>(played_bytes_ + step));
        played_bytes_ += step;
        if (played_bytes_ == playing_.size()) {
            play_active_ = false;
            queued_.push_back(Message{kPlaybackDoneMessage, call_, 0, 0, 0});
        }
    }
    if (capturing_ && spoken_bytes_ < to_speak_.size()) {
        const std::size_t step = std::min(budget, to_speak_.size() - spoken_bytes_);
        const std::uint8_t* start = to_speak_.data() + spoken_bytes_;
        spoken_bytes_ += step;
        events_->OnCallerAudio(start, step);
    }
}

void SimulatedLine::Advance(int ms) {
    DeliverQueued();
    if (state_ == CallState::kRinging && options_.ring_period_ms > 0) {
        ms_to_next_ring_ -= ms;
        while (ms_to_next_ring_ <= 0) {
            Queue(kLineDevState, kLineDevStateRinging);
            ms_to_next_ring_ += options_.ring_period_ms;
        }
    }
    FlowAudio(ms);
    DeliverQueued();
}

void SimulatedLine::Iterate() {
    if (control_) {
        control_->Serve(*this);
    }
    const auto now = std::chrono::steady_clock::now();
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(now - last_iterate_).count();
    if (elapsed > 0) {
        last_iterate_ += std::chrono::milliseconds(elapsed);
    }
    Advance(static_cast<int>(std::min<long long>(elapsed, 1000)));
}

}  // namespace kivo::telephony
