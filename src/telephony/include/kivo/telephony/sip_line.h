// A SIP line through liblinphone: one account registered with a provider or
// PBX, or the local line that listens without registration for direct peers
// and PBX trunks.
//
// Call events become line messages as the demo line's do; SIP has no rings,
// so while a call rings one ring is counted per ring period. The caller's
// name and number come from the From header (display name and user part).
// Audio runs through files, not sound cards: what the caller says is written
// by the core to a wave file that the line reads back as it grows and hands
// to the recorder; a wave played into the call goes through the call's
// player. How SIP outcomes become disconnect modes is SipDisconnectMode
// (sip_outcomes.h), documented in docs/telephony.md.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "kivo/telephony/line_configuration.h"
#include "kivo/telephony/line_provider.h"

namespace kivo::telephony {

// Where an account's registration stands, with the SIP status code of the
// registrar's last final answer (200, 401, 403 ... or 0 when none came: no
// answer, a transport error, or the local line, which never registers).
enum class Registration { kNotNeeded, kInProgress, kRegistered, kFailed };
struct RegistrationState {
    Registration state = Registration::kNotNeeded;
    int sip_code = 0;
};

// Gives an account's password (empty: none) when the line opens; it is
// handed to the SIP stack in memory only, never written or logged.
using PasswordSource = std::function<std::string()>;

class SipLine : public LineProvider {
public:
    // work_folder: a private folder for the call's audio files; it must
    // exist. Empty makes one under $XDG_RUNTIME_DIR (or /tmp), removed again
    // on destruction.
    SipLine(SipLineSettings settings, std::string work_folder = {}, PasswordSource password = {});
    ~SipLine() override;

    RegistrationState registration() const;

    // The port the line listens on once open (the configured one, or the
    // one the system chose when the configuration asked for any, -1).
    int listening_port() const;
    // True once the core runs (and, for an account, has registered).
    bool ready() const;

    LineCapabilities Capabilities() const override;
    std::int32_t Open(LineEvents* events, int rings) override;
    void Close() override;
    int NumRings() const override;
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

    class Core;

private:
    std::unique_ptr<Core> core_;
};

}  // namespace kivo::telephony
