// The numbers of the line interface: call states, disconnect modes, line
// messages and line errors, with the values of the TAPI 2 line functions, so
// that status codes, debug lines and the host's messages keep their meaning
// whatever provider carries the call.
#pragma once

#include <cstdint>

namespace kivo::telephony {

// Messages a line provider delivers to the library's callback.
inline constexpr std::uint32_t kLineCallInfo = 1;
inline constexpr std::uint32_t kLineCallState = 2;
inline constexpr std::uint32_t kLineDevState = 8;
inline constexpr std::uint32_t kLineReply = 12;
inline constexpr std::uint32_t kLineAppNewCall = 23;

// Call states (parameter 1 of kLineCallState).
inline constexpr std::uint32_t kCallStateIdle = 0x1;
inline constexpr std::uint32_t kCallStateOffering = 0x2;
inline constexpr std::uint32_t kCallStateDialTone = 0x8;
inline constexpr std::uint32_t kCallStateDialing = 0x10;
inline constexpr std::uint32_t kCallStateRingBack = 0x20;
inline constexpr std::uint32_t kCallStateConnected = 0x100;
inline constexpr std::uint32_t kCallStateProceeding = 0x200;
inline constexpr std::uint32_t kCallStateDisconnected = 0x4000;

// Disconnect modes (parameter 2 with kCallStateDisconnected).
inline constexpr std::uint32_t kDisconnectNormal = 0x1;
inline constexpr std::uint32_t kDisconnectUnknown = 0x2;
inline constexpr std::uint32_t kDisconnectReject = 0x4;
inline constexpr std::uint32_t kDisconnectBusy = 0x20;
inline constexpr std::uint32_t kDisconnectNoAnswer = 0x40;
inline constexpr std::uint32_t kDisconnectBadAddress = 0x80;
inline constexpr std::uint32_t kDisconnectUnreachable = 0x100;
inline constexpr std::uint32_t kDisconnectCongestion = 0x200;
inline constexpr std::uint32_t kDisconnectIncompatible = 0x400;
inline constexpr std::uint32_t kDisconnectUnavailable = 0x800;
inline constexpr std::uint32_t kDisconnectNoDialTone = 0x1000;

// Call privileges (parameter 3 of kLineCallState, parameter 3 of kLineAppNewCall).
inline constexpr std::uint32_t kPrivilegeNone = 1;
inline constexpr std::uint32_t kPrivilegeMonitor = 2;
inline constexpr std::uint32_t kPrivilegeOwner = 4;

// Line device states (parameter 1 of kLineDevState).
inline constexpr std::uint32_t kLineDevStateRinging = 0x4;

// Changed call-info items (parameter 1 of kLineCallInfo).
inline constexpr std::uint32_t kCallInfoCallerId = 0x8000;

// Caller-ID flags of a call's info.
inline constexpr std::uint32_t kPartyIdBlocked = 0x1;
inline constexpr std::uint32_t kPartyIdName = 0x4;
inline constexpr std::uint32_t kPartyIdAddress = 0x8;
inline constexpr std::uint32_t kPartyIdPartial = 0x10;
inline constexpr std::uint32_t kPartyIdUnknown = 0x20;
inline constexpr std::uint32_t kPartyIdUnavailable = 0x40;

// Call selection of the wave identifier look-up.
inline constexpr int kSelectLine = 1;
inline constexpr int kSelectCall = 4;

// Line errors. Results of line operations are 0 (done), a positive request
// identifier (accepted, the reply follows as kLineReply) or one of these.
enum LineError : std::int32_t {
    kLineErrAllocated = static_cast<std::int32_t>(0x80000001u),
    kLineErrBadDeviceId = static_cast<std::int32_t>(0x80000002u),
    kLineErrBearerModeUnavail = static_cast<std::int32_t>(0x80000003u),
    kLineErrCallUnavail = static_cast<std::int32_t>(0x80000005u),
    kLineErrDialBilling = static_cast<std::int32_t>(0x80000008u),
    kLineErrDialDialTone = static_cast<std::int32_t>(0x80000009u),
    kLineErrDialPrompt = static_cast<std::int32_t>(0x8000000Au),
    kLineErrDialQuiet = static_cast<std::int32_t>(0x8000000Bu),
    kLineErrIncompatibleApiVersion = static_cast<std::int32_t>(0x8000000Cu),
    kLineErrIncompatibleExtVersion = static_cast<std::int32_t>(0x8000000Du),
    kLineErrIniFileCorrupt = static_cast<std::int32_t>(0x8000000Eu),
    kLineErrInUse = static_cast<std::int32_t>(0x8000000Fu),
    kLineErrInvalAddress = static_cast<std::int32_t>(0x80000010u),
    kLineErrInvalAddressId = static_cast<std::int32_t>(0x80000011u),
    kLineErrInvalAddressMode = static_cast<std::int32_t>(0x80000012u),
    kLineErrInvalAppHandle = static_cast<std::int32_t>(0x80000014u),
    kLineErrInvalAppName = static_cast<std::int32_t>(0x80000015u),
    kLineErrInvalBearerMode = static_cast<std::int32_t>(0x80000016u),
    kLineErrInvalCallHandle = static_cast<std::int32_t>(0x80000018u),
    kLineErrInvalCallParams = static_cast<std::int32_t>(0x80000019u),
    kLineErrInvalCallSelect = static_cast<std::int32_t>(0x8000001Bu),
    kLineErrInvalCallState = static_cast<std::int32_t>(0x8000001Cu),
    kLineErrInvalCountryCode = static_cast<std::int32_t>(0x80000022u),
    kLineErrInvalDeviceClass = static_cast<std::int32_t>(0x80000023u),
    kLineErrInvalLineHandle = static_cast<std::int32_t>(0x8000002Bu),
    kLineErrInvalLineState = static_cast<std::int32_t>(0x8000002Cu),
    kLineErrInvalMediaMode = static_cast<std::int32_t>(0x8000002Fu),
    kLineErrInvalParam = static_cast<std::int32_t>(0x80000032u),
    kLineErrInvalPointer = static_cast<std::int32_t>(0x80000035u),
    kLineErrInvalPrivSelect = static_cast<std::int32_t>(0x80000036u),
    kLineErrInvalRate = static_cast<std::int32_t>(0x80000037u),
    kLineErrLineMapperFailed = static_cast<std::int32_t>(0x80000040u),
    kLineErrNoDevice = static_cast<std::int32_t>(0x80000042u),
    kLineErrNoDriver = static_cast<std::int32_t>(0x80000043u),
    kLineErrNoMem = static_cast<std::int32_t>(0x80000044u),
    kLineErrNotOwner = static_cast<std::int32_t>(0x80000046u),
    kLineErrOperationFailed = static_cast<std::int32_t>(0x80000048u),
    kLineErrOperationUnavail = static_cast<std::int32_t>(0x80000049u),
    kLineErrRateUnavail = static_cast<std::int32_t>(0x8000004Au),
    kLineErrResourceUnavail = static_cast<std::int32_t>(0x8000004Bu),
    kLineErrStructureTooSmall = static_cast<std::int32_t>(0x8000004Du),
    kLineErrUninitialized = static_cast<std::int32_t>(0x80000050u),
    kLineErrUserUserInfoTooBig = static_cast<std::int32_t>(0x80000051u),
    kLineErrReinit = static_cast<std::int32_t>(0x80000052u),
    kLineErrAddressBlocked = static_cast<std::int32_t>(0x80000053u),
};

// Multimedia results of the recorder's operations.
inline constexpr int kMmOk = 0;
inline constexpr int kMmBadDeviceId = 2;
inline constexpr int kMmAllocated = 4;
inline constexpr int kMmInvalHandle = 5;
inline constexpr int kMmNoDriver = 6;
inline constexpr int kMmNoMem = 7;
inline constexpr int kWaveErrBadFormat = 32;
inline constexpr int kWaveErrUnprepared = 34;
inline constexpr int kWaveErrSync = 35;
inline constexpr int kMmioFileNotFound = 257;
inline constexpr int kMmioCannotRead = 261;
inline constexpr int kMmioCannotWrite = 262;
inline constexpr int kMmioCannotSeek = 263;
inline constexpr int kMmioChunkNotFound = 265;
inline constexpr int kMmioPathNotFound = 267;
inline constexpr int kMmioAccessDenied = 268;
inline constexpr int kMmioSharingViolation = 269;
inline constexpr int kMmioNetworkError = 270;
inline constexpr int kMmioTooManyOpenFiles = 271;
inline constexpr int kMmioInvalidFile = 272;

}  // namespace kivo::telephony
