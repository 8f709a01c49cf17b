#include "kivo/telephony/sip_line.h"

#include <fcntl.h>
#include <linphone/linphonecore.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>

#include "kivo/telephony/line_codes.h"
#include "kivo/telephony/sip_outcomes.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::telephony {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kLineWaveIn = 1;
constexpr std::uint32_t kLineWaveOut = 2;
constexpr std::uint32_t kWaveIdBase = 2000;
constexpr std::uint64_t kCallerWaveHeaderBytes = 44;  // the core's wave writer: RIFF, fmt, data

std::string MakePrivateFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string pattern =
        std::string(runtime != nullptr && *runtime ? runtime : "/tmp") + "/kivo-sip-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

// The core keeps its data (a call-log database) in the line's private
// folder: it waits in its start-up state until that folder exists, and the
// factory remembers the folder for every later core of the process.
void UseDataFolder(LinphoneFactory* factory, const std::string& work_folder) {
    const std::string data = work_folder + "/linphone";
    std::error_code ignored;
    std::filesystem::create_directories(data, ignored);
    linphone_factory_set_data_dir(factory, data.c_str());
    linphone_factory_set_config_dir(factory, data.c_str());
}

std::string TextOrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

// The SIP stack's own log quotes headers as received, and caller names come
// from strangers: it is silenced unless the developer trace is on.
void QuietenStackLog() {
    if (std::getenv("KIVO_TAPI_DEBUG") == nullptr) {
        linphone_logging_service_set_log_level(linphone_logging_service_get(),
                                               LinphoneLogLevelFatal);
    }
}

constexpr const char* kSystemCertificates = "/etc/ssl/certs/ca-certificates.crt";

}  // namespace

// Everything that touches liblinphone. Callbacks run inside
// linphone_core_iterate; they queue line messages that Iterate() delivers
// afterwards, so the library is never re-entered from the SIP stack.
class SipLine::Core {
public:
    Core(SipLineSettings settings, std::string work_folder, PasswordSource password)
        : settings_(std::move(settings)),
          work_folder_(std::move(work_folder)),
          password_(std::move(password)) {
        if (work_folder_.empty()) {
            work_folder_ = MakePrivateFolder();
            own_folder_ = true;
        }
    }

    ~Core() {
        Close();
        if (own_folder_ && !work_folder_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(work_folder_, ignored);
        }
    }

    SipLineSettings settings_;
    std::string work_folder_;
    PasswordSource password_;
    bool own_folder_ = false;
    LineEvents* events_ = nullptr;
    int rings_ = 0;
    LinphoneCore* lc_ = nullptr;
    LinphoneAccount* account_ = nullptr;
    bool registration_failed_ = false;
    int registration_code_ = 0;

    struct Message {
        std::uint32_t message;
        std::uintptr_t call, param1, param2, param3;
    };
    std::deque<Message> queued_;
    bool playback_done_ = false;

    // The one call of the line.
    LinphoneCall* call_ = nullptr;
    std::uintptr_t call_id_ = 0;
    std::uintptr_t next_call_id_ = 1;
    std::int32_t next_request_ = 1;
    bool ringing_ = false;
    bool connected_ = false;
    bool ended_ = false;
    Clock::time_point next_ring_;
    CallPartyInfo party_;
    std::string caller_wave_;
    std::uint64_t capture_offset_ = 0;
    bool capturing_ = false;
    LinphonePlayer* player_ = nullptr;
    int play_count_ = 0;

    std::int32_t Open(LineEvents* events, int rings);
    void Close();
    void Iterate();
    void OnCallState(LinphoneCall* call, LinphoneCallState state);
    void AdoptIncoming(LinphoneCall* call);
    void EndCall(std::uint32_t mode);
    void Queue(std::uint32_t message, std::uintptr_t p1, std::uintptr_t p2 = 0,
               std::uintptr_t p3 = 0) {
        queued_.push_back(Message{message, call_id_, p1, p2, p3});
    }
    void QueueState(std::uint32_t state, std::uint32_t mode = 0) {
        Queue(kLineCallState, state, mode, kPrivilegeOwner);
    }
    void DrainCallerAudio();
    void SetUpMedia();
    bool SetUpTransports();
    void SetUpAccount();
    void AddCredentials();

    std::uint32_t WaveInId() const {
        return kWaveIdBase + 2 * static_cast<std::uint32_t>(call_id_);
    }
    std::uint32_t WaveOutId() const { return WaveInId() + 1; }
};

namespace {

void OnCallStateChanged(LinphoneCore* lc, LinphoneCall* call, LinphoneCallState state,
                        const char*) {
    auto* line = static_cast<SipLine::Core*>(linphone_core_get_user_data(lc));
    if (line != nullptr) {
        line->OnCallState(call, state);
    }
}

void OnAccountRegistration(LinphoneCore* lc, LinphoneAccount* account,
                           LinphoneRegistrationState state, const char*) {
    auto* line = static_cast<SipLine::Core*>(linphone_core_get_user_data(lc));
    if (line == nullptr) {
        return;
    }
    line->registration_failed_ = state == LinphoneRegistrationFailed;
    if (state == LinphoneRegistrationOk) {
        line->registration_code_ = 200;
    } else if (state == LinphoneRegistrationFailed) {
        const LinphoneErrorInfo* error = linphone_account_get_error_info(account);
        line->registration_code_ =
            error != nullptr ? linphone_error_info_get_protocol_code(error) : 0;
    }
}

void OnPlayerEnd(LinphonePlayer* player) {
    auto* line = static_cast<SipLine::Core*>(linphone_player_get_user_data(player));
    if (line != nullptr) {
        line->playback_done_ = true;
    }
}

}  // namespace

void SipLine::Core::SetUpMedia() {
    // No sound card: audio comes from and goes to files.
    linphone_core_set_use_files(lc_, TRUE);
    linphone_core_set_play_file(lc_, nullptr);
    linphone_core_set_ring(lc_, nullptr);
    linphone_core_set_ringback(lc_, nullptr);
    linphone_core_enable_echo_cancellation(lc_, FALSE);
    linphone_core_enable_video_capture(lc_, FALSE);
    linphone_core_enable_video_display(lc_, FALSE);
    linphone_core_enable_ipv6(lc_, FALSE);
    // A port of the system's choosing for the call's audio: the library's
    // fixed default (7078) is shared through SO_REUSEPORT with any other SIP
    // program here (a softphone, a second line), which would then receive
    // part of this line's audio.
    linphone_core_set_audio_port(lc_, -1);
    // Telephone audio is 8 kHz: offer G.711 (u-law, then A-law) only.
    bctbx_list_t* payloads = linphone_core_get_audio_payload_types(lc_);
    for (bctbx_list_t* item = payloads; item != nullptr; item = bctbx_list_next(item)) {
        auto* payload = static_cast<LinphonePayloadType*>(bctbx_list_get_data(item));
        const std::string mime = TextOrEmpty(linphone_payload_type_get_mime_type(payload));
        linphone_payload_type_enable(payload, mime == "PCMU" || mime == "PCMA");
    }
    bctbx_list_free_with_data(payloads,
                              reinterpret_cast<bctbx_list_free_func>(linphone_payload_type_unref));
}

bool SipLine::Core::SetUpTransports() {
    LinphoneConfig* config = linphone_core_get_config(lc_);
    LinphoneTransports* transports = linphone_factory_create_transports(linphone_factory_get());
    if (settings_.local) {
        // The local line listens only where the user chose (loop-back by default).
        const std::string address =
            settings_.listen_address.empty() ? "127.0.0.1" : settings_.listen_address;
        linphone_config_set_string(config, "sip", "bind_address", address.c_str());
        linphone_transports_set_udp_port(transports, settings_.port);
        linphone_transports_set_tcp_port(transports, settings_.port);
    } else {
        const int any = LC_SIP_TRANSPORT_RANDOM;
        linphone_transports_set_udp_port(transports, settings_.transport == "udp" ? any : 0);
        linphone_transports_set_tcp_port(transports, settings_.transport == "tcp" ? any : 0);
        linphone_transports_set_tls_port(transports, settings_.transport == "tls" ? any : 0);
        // The provider's certificate is checked against these authorities.
        if (settings_.transport == "tls" && !settings_.tls_ca_file.empty()) {
            linphone_core_set_root_ca(lc_, settings_.tls_ca_file.c_str());
        } else if (settings_.transport == "tls" && std::filesystem::exists(kSystemCertificates)) {
            linphone_core_set_root_ca(lc_, kSystemCertificates);
        }
    }
    const bool set = linphone_core_set_transports(lc_, transports) == 0;
    linphone_transports_unref(transports);
    return set;
}

// The account's password, for any realm of its domain, kept by the core in
// memory (the core has no configuration file).
void SipLine::Core::AddCredentials() {
    if (!password_) {
        return;
    }
    std::string password = password_();
    if (password.empty()) {
        return;
    }
    LinphoneAuthInfo* credentials =
        linphone_factory_create_auth_info(linphone_factory_get(), settings_.user.c_str(), nullptr,
                                          password.c_str(), nullptr, nullptr, nullptr);
    std::fill(password.begin(), password.end(), '\0');
    if (credentials != nullptr) {
        linphone_core_add_auth_info(lc_, credentials);
        linphone_auth_info_unref(credentials);
    }
}

void SipLine::Core::SetUpAccount() {
    if (settings_.local || settings_.user.empty() || settings_.domain.empty()) {
        return;
    }
    LinphoneAccountParams* params = linphone_core_create_account_params(lc_);
    const std::string identity = "sip:" + settings_.user + "@" + settings_.domain;
    LinphoneAddress* identity_address =
        linphone_factory_create_address(linphone_factory_get(), identity.c_str());
    std::string host = settings_.proxy.empty() ? settings_.domain : settings_.proxy;
    if (settings_.port > 0 && host.find(':') == std::string::npos) {
        host += ":" + std::to_string(settings_.port);
    }
    const std::string server = "sip:" + host + ";transport=" + settings_.transport;
    LinphoneAddress* server_address =
        linphone_factory_create_address(linphone_factory_get(), server.c_str());
    if (identity_address != nullptr && server_address != nullptr) {
        AddCredentials();
        linphone_account_params_set_identity_address(params, identity_address);
        linphone_account_params_set_server_addr(params, server.c_str());
        linphone_account_params_set_register_enabled(params, TRUE);
        account_ = linphone_core_create_account(lc_, params);
        linphone_core_add_account(lc_, account_);
        linphone_core_set_default_account(lc_, account_);
    } else {
        registration_failed_ = true;
    }
    if (identity_address != nullptr) {
        linphone_address_unref(identity_address);
    }
    if (server_address != nullptr) {
        linphone_address_unref(server_address);
    }
    linphone_account_params_unref(params);
}

std::int32_t SipLine::Core::Open(LineEvents* events, int rings) {
    if (lc_ != nullptr) {
        return kLineErrAllocated;
    }
    if (work_folder_.empty()) {
        return kLineErrResourceUnavail;
    }
    QuietenStackLog();
    LinphoneFactory* factory = linphone_factory_get();
    UseDataFolder(factory, work_folder_);
    LinphoneCoreCbs* cbs = linphone_factory_create_core_cbs(factory);
    linphone_core_cbs_set_call_state_changed(cbs, OnCallStateChanged);
    linphone_core_cbs_set_account_registration_state_changed(cbs, OnAccountRegistration);
    lc_ = linphone_factory_create_core_3(factory, nullptr, nullptr, nullptr);
    if (lc_ == nullptr) {
        linphone_core_cbs_unref(cbs);
        return kLineErrNoDriver;
    }
    linphone_core_add_callbacks(lc_, cbs);
    linphone_core_cbs_unref(cbs);
    linphone_core_set_user_data(lc_, this);
    linphone_core_set_user_agent(lc_, "Kivo", "1");
    SetUpMedia();
    // The core writes what the other party says to this file, from the
    // start of each call's audio; it is set once, while no call exists
    // (changing it during a call is not safe in this liblinphone).
    caller_wave_ = work_folder_ + "/caller.wav";
    linphone_core_set_record_file(lc_, caller_wave_.c_str());
    if (!SetUpTransports()) {
        Close();
        return kLineErrResourceUnavail;
    }
    if (linphone_core_start(lc_) != 0) {
        Close();
        return kLineErrOperationFailed;
    }
    registration_failed_ = false;
    registration_code_ = 0;
    SetUpAccount();
    events_ = events;
    rings_ = rings;
    return 0;
}

void SipLine::Core::Close() {
    if (lc_ == nullptr) {
        return;
    }
    if (player_ != nullptr) {
        linphone_player_close(player_);
        player_ = nullptr;
    }
    linphone_core_set_user_data(lc_, nullptr);
    if (call_ != nullptr) {
        linphone_call_unref(call_);
        call_ = nullptr;
    }
    linphone_core_terminate_all_calls(lc_);
    linphone_core_stop(lc_);
    linphone_core_unref(lc_);
    lc_ = nullptr;
    account_ = nullptr;
    events_ = nullptr;
    queued_.clear();
}

void SipLine::Core::AdoptIncoming(LinphoneCall* call) {
    call_ = linphone_call_ref(call);
    call_id_ = next_call_id_++;
    ringing_ = true;
    connected_ = false;
    ended_ = false;
    party_ = CallPartyInfo{};
    if (const LinphoneAddress* from = linphone_call_get_remote_address(call); from != nullptr) {
        party_.name = TextOrEmpty(linphone_address_get_display_name(from));
        party_.number = TextOrEmpty(linphone_address_get_username(from));
    }
    party_.party_id_flags =
        (party_.name.empty() ? 0 : kPartyIdName) | (party_.number.empty() ? 0 : kPartyIdAddress);
    if (party_.party_id_flags == 0) {
        party_.party_id_flags = kPartyIdUnavailable;
    }
    queued_.push_back(Message{kLineAppNewCall, 0, 0, call_id_, kPrivilegeOwner});
    QueueState(kCallStateOffering);
    Queue(kLineDevState, kLineDevStateRinging);
    Queue(kLineCallInfo, kCallInfoCallerId);
    next_ring_ = Clock::now() + std::chrono::milliseconds(settings_.ring_period_ms);
}

void SipLine::Core::EndCall(std::uint32_t mode) {
    if (ended_) {
        return;
    }
    ended_ = true;
    // Every byte the caller said reaches the recorder before the call ends.
    DrainCallerAudio();
    capturing_ = false;
    ringing_ = false;
    connected_ = false;
    if (player_ != nullptr) {
        linphone_player_close(player_);
        player_ = nullptr;
    }
    QueueState(kCallStateDisconnected, mode);
    QueueState(kCallStateIdle);
}

void SipLine::Core::OnCallState(LinphoneCall* call, LinphoneCallState state) {
    if (state == LinphoneCallStateIncomingReceived) {
        if (call_ != nullptr) {
            linphone_call_decline(call, LinphoneReasonBusy);  // one call at a time
            return;
        }
        AdoptIncoming(call);
        return;
    }
    if (call != call_) {
        return;
    }
    switch (state) {
        case LinphoneCallStateOutgoingProgress:
            QueueState(kCallStateProceeding);
            break;
        case LinphoneCallStateConnected:
            if (!connected_) {
                connected_ = true;
                ringing_ = false;
                QueueState(kCallStateConnected);
            }
            break;
        case LinphoneCallStateEnd:
        case LinphoneCallStateError:
            EndCall(SipDisconnectMode(linphone_call_get_reason(call)));
            break;
        default:
            break;
    }
}

void SipLine::Core::DrainCallerAudio() {
    if (!capturing_ || events_ == nullptr || caller_wave_.empty()) {
        return;
    }
    const int fd = ::open(caller_wave_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    std::uint8_t chunk[3200];
    for (;;) {
        const ssize_t got = ::pread(fd, chunk, sizeof chunk, static_cast<off_t>(capture_offset_));
        if (got <= 0) {
            break;
        }
        const std::size_t whole = static_cast<std::size_t>(got) & ~std::size_t{1};
        if (whole == 0) {
            break;
        }
        capture_offset_ += whole;
        events_->OnCallerAudio(chunk, whole);
    }
    ::close(fd);
}

void SipLine::Core::Iterate() {
    if (lc_ == nullptr) {
        return;
    }
    linphone_core_iterate(lc_);
    if (ringing_ && settings_.ring_period_ms > 0 && Clock::now() >= next_ring_) {
        Queue(kLineDevState, kLineDevStateRinging);
        next_ring_ += std::chrono::milliseconds(settings_.ring_period_ms);
    }
    DrainCallerAudio();
    while (!queued_.empty() && events_ != nullptr) {
        const Message next = queued_.front();
        queued_.pop_front();
        events_->OnLineMessage(next.message, next.call, next.param1, next.param2, next.param3);
    }
    if (playback_done_) {
        playback_done_ = false;
        if (player_ != nullptr) {
            linphone_player_close(player_);
            player_ = nullptr;
        }
        if (events_ != nullptr) {
            events_->OnPlaybackDone();
        }
    }
}

SipLine::SipLine(SipLineSettings settings, std::string work_folder, PasswordSource password)
    : core_(std::make_unique<Core>(std::move(settings), std::move(work_folder),
                                   std::move(password))) {}

RegistrationState SipLine::registration() const {
    const Core& c = *core_;
    if (c.settings_.local || c.lc_ == nullptr) {
        return RegistrationState{Registration::kNotNeeded, 0};
    }
    if (c.account_ == nullptr || c.registration_failed_) {
        return RegistrationState{Registration::kFailed, c.registration_code_};
    }
    const bool registered = linphone_account_get_state(c.account_) == LinphoneRegistrationOk;
    return RegistrationState{registered ? Registration::kRegistered : Registration::kInProgress,
                             c.registration_code_};
}

SipLine::~SipLine() = default;

int SipLine::listening_port() const {
    if (core_->lc_ == nullptr) {
        return -1;
    }
    LinphoneTransports* used = linphone_core_get_transports_used(core_->lc_);
    int port = linphone_transports_get_udp_port(used);
    if (port <= 0) {
        port = linphone_transports_get_tcp_port(used);
    }
    linphone_transports_unref(used);
    return port;
}

bool SipLine::ready() const {
    if (core_->lc_ == nullptr || linphone_core_get_global_state(core_->lc_) != LinphoneGlobalOn) {
        return false;
    }
    return core_->account_ == nullptr ||
           linphone_account_get_state(core_->account_) == LinphoneRegistrationOk;
}

LineCapabilities SipLine::Capabilities() const {
    return LineCapabilities{core_->settings_.name, true, true};
}

std::int32_t SipLine::Open(LineEvents* events, int rings) {
    return core_->Open(events, rings);
}
void SipLine::Close() {
    core_->Close();
}
int SipLine::NumRings() const {
    return core_->rings_;
}

std::int32_t SipLine::Answer(std::uintptr_t call) {
    Core& c = *core_;
    if (call == 0 || call != c.call_id_ || c.call_ == nullptr) {
        return kLineErrInvalCallHandle;
    }
    if (!c.ringing_) {
        return kLineErrInvalCallState;
    }
    LinphoneCallParams* params = linphone_core_create_call_params(c.lc_, c.call_);
    linphone_call_params_enable_video(params, FALSE);
    const int accepted = linphone_call_accept_with_params(c.call_, params);
    linphone_call_params_unref(params);
    if (accepted != 0) {
        return kLineErrOperationFailed;
    }
    c.ringing_ = false;
    const std::int32_t request = c.next_request_++;
    c.Queue(kLineReply, static_cast<std::uintptr_t>(request), 0);
    return request;
}

std::int32_t SipLine::MakeCall(const std::string& number, std::uintptr_t* call) {
    Core& c = *core_;
    if (c.lc_ == nullptr) {
        return kLineErrInvalLineHandle;
    }
    if (c.call_ != nullptr) {
        return kLineErrInUse;
    }
    std::string target = number;
    if (!c.settings_.local && target.find('@') == std::string::npos &&
        target.rfind("sip:", 0) != 0) {
        target = "sip:" + number + "@" + c.settings_.domain;
    }
    LinphoneAddress* address = linphone_core_interpret_url(c.lc_, target.c_str());
    if (address == nullptr) {
        return kLineErrInvalAddress;
    }
    c.call_id_ = c.next_call_id_++;
    *call = c.call_id_;
    c.party_ = CallPartyInfo{kPartyIdAddress, "", number};
    c.ended_ = false;
    c.connected_ = false;
    c.ringing_ = false;
    const std::int32_t request = c.next_request_++;
    c.Queue(kLineReply, static_cast<std::uintptr_t>(request), 0);
    if (c.registration_failed_) {
        // An account the provider refused has no dial tone.
        linphone_address_unref(address);
        c.EndCall(kDisconnectNoDialTone);
        return request;
    }
    LinphoneCallParams* params = linphone_core_create_call_params(c.lc_, nullptr);
    linphone_call_params_enable_video(params, FALSE);
    LinphoneCall* placed = linphone_core_invite_address_with_params(c.lc_, address, params);
    linphone_call_params_unref(params);
    linphone_address_unref(address);
    if (placed == nullptr) {
        c.queued_.clear();
        c.call_id_ = 0;
        return kLineErrOperationFailed;
    }
    c.call_ = linphone_call_ref(placed);
    c.QueueState(kCallStateDialTone);
    c.QueueState(kCallStateDialing);
    return request;
}

std::int32_t SipLine::Drop(std::uintptr_t call) {
    Core& c = *core_;
    if (call == 0 || call != c.call_id_) {
        return kLineErrInvalCallHandle;
    }
    if (c.call_ != nullptr && !c.ended_) {
        linphone_call_terminate(c.call_);
    }
    return 0;
}

void SipLine::Deallocate(std::uintptr_t call) {
    Core& c = *core_;
    if (call != c.call_id_ || !c.ended_) {
        return;
    }
    if (c.call_ != nullptr) {
        linphone_call_unref(c.call_);
        c.call_ = nullptr;
    }
    c.call_id_ = 0;
    c.party_ = CallPartyInfo{};
}

std::int32_t SipLine::GetCallParty(std::uintptr_t call, CallPartyInfo* info) {
    if (call == 0 || call != core_->call_id_) {
        return kLineErrInvalCallHandle;
    }
    *info = core_->party_;
    return 0;
}

std::int32_t SipLine::GetWaveId(int select, std::uintptr_t call, bool wave_in, std::uint32_t* id) {
    if (select == kSelectLine) {
        *id = wave_in ? kLineWaveIn : kLineWaveOut;
        return 0;
    }
    if (call == 0 || call != core_->call_id_) {
        return kLineErrInvalCallHandle;
    }
    *id = wave_in ? core_->WaveInId() : core_->WaveOutId();
    return 0;
}

int SipLine::StartPlayback(std::uint32_t wave_out_id, const std::vector<std::uint8_t>& samples) {
    Core& c = *core_;
    if (wave_out_id != c.WaveOutId() && wave_out_id != kLineWaveOut) {
        return kMmBadDeviceId;
    }
    if (c.call_ == nullptr || !c.connected_ || c.ended_) {
        return kMmNoDriver;
    }
    StopPlayback();
    const std::string path = c.work_folder_ + "/play-" + std::to_string(++c.play_count_) + ".wav";
    if (!wavefile::WritePcmWave(path, CallAudioFormat(), samples).ok()) {
        return kMmNoMem;
    }
    LinphonePlayer* player = linphone_call_get_player(c.call_);
    if (player == nullptr) {
        return kMmNoDriver;
    }
    LinphonePlayerCbs* cbs = linphone_factory_create_player_cbs(linphone_factory_get());
    linphone_player_cbs_set_eof_reached(cbs, OnPlayerEnd);
    linphone_player_add_callbacks(player, cbs);
    linphone_player_cbs_unref(cbs);
    linphone_player_set_user_data(player, &c);
    if (linphone_player_open(player, path.c_str()) != 0 || linphone_player_start(player) != 0) {
        linphone_player_close(player);
        return kMmAllocated;
    }
    c.player_ = player;
    c.playback_done_ = false;
    return kMmOk;
}

void SipLine::StopPlayback() {
    Core& c = *core_;
    if (c.player_ != nullptr) {
        linphone_player_close(c.player_);
        c.player_ = nullptr;
    }
    c.playback_done_ = false;
}

int SipLine::StartCapture(std::uint32_t wave_in_id) {
    Core& c = *core_;
    if (wave_in_id != c.WaveInId() && wave_in_id != kLineWaveIn) {
        return kMmBadDeviceId;
    }
    if (c.call_ == nullptr || !c.connected_ || c.ended_) {
        return kMmNoDriver;
    }
    // Only what the caller says from now on: start at the file's present end.
    struct stat info {};
    const std::uint64_t size =
        ::stat(c.caller_wave_.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
    c.capture_offset_ = std::max(size & ~std::uint64_t{1}, kCallerWaveHeaderBytes);
    c.capturing_ = true;
    return kMmOk;
}

void SipLine::StopCapture() {
    core_->DrainCallerAudio();
    core_->capturing_ = false;
}

void SipLine::Iterate() {
    core_->Iterate();
}

}  // namespace kivo::telephony
