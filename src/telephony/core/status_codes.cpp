#include "kivo/telephony/status_codes.h"

#include <array>

#include "kivo/telephony/line_codes.h"

namespace kivo::telephony {
namespace {

// One row per line error: its code for init, device caps, open, wave id,
// answer and dial; 0 where the step does not map it (its "other" applies).
struct LineRow {
    std::int32_t error;
    std::array<int, 6> codes;
};

constexpr LineRow kLineRows[] = {
    {kLineErrAllocated, {0, 0, 32, 0, 0, 0}},
    {kLineErrBadDeviceId, {0, 60, 34, 0, 0, 0}},
    {kLineErrBearerModeUnavail, {0, 0, 0, 0, 0, 102}},
    {kLineErrCallUnavail, {0, 0, 0, 0, 0, 104}},
    {kLineErrDialBilling, {0, 0, 0, 0, 0, 106}},
    {kLineErrDialDialTone, {0, 0, 0, 0, 0, 108}},
    {kLineErrDialPrompt, {0, 0, 0, 0, 0, 110}},
    {kLineErrDialQuiet, {0, 0, 0, 0, 0, 112}},
    {kLineErrIncompatibleApiVersion, {0, 62, 36, 0, 0, 0}},
    {kLineErrIncompatibleExtVersion, {0, 64, 38, 0, 0, 0}},
    {kLineErrIniFileCorrupt, {3, 0, 0, 0, 0, 0}},
    {kLineErrInUse, {0, 0, 0, 0, 140, 114}},
    {kLineErrInvalAddress, {0, 0, 0, 0, 0, 116}},
    {kLineErrInvalAddressId, {0, 0, 0, 82, 0, 118}},
    {kLineErrInvalAddressMode, {0, 0, 0, 0, 0, 120}},
    {kLineErrInvalAppHandle, {0, 66, 40, 0, 0, 0}},
    {kLineErrInvalAppName, {1, 0, 0, 0, 0, 0}},
    {kLineErrInvalBearerMode, {0, 0, 0, 0, 0, 122}},
    {kLineErrInvalCallHandle, {0, 0, 0, 84, 142, 0}},
    {kLineErrInvalCallParams, {0, 0, 0, 0, 0, 124}},
    {kLineErrInvalCallSelect, {0, 0, 0, 86, 0, 0}},
    {kLineErrInvalCallState, {0, 0, 0, 0, 144, 0}},
    {kLineErrInvalCountryCode, {0, 0, 0, 0, 0, 126}},
    {kLineErrInvalLineHandle, {0, 0, 0, 80, 0, 101}},
    {kLineErrInvalLineState, {0, 0, 0, 0, 0, 103}},
    {kLineErrInvalMediaMode, {0, 0, 42, 0, 0, 105}},
    {kLineErrInvalParam, {7, 0, 0, 0, 0, 107}},
    {kLineErrInvalPointer, {4, 68, 44, 88, 146, 109}},
    {kLineErrInvalPrivSelect, {0, 0, 46, 0, 0, 0}},
    {kLineErrInvalRate, {0, 0, 0, 0, 0, 111}},
    {kLineErrLineMapperFailed, {0, 0, 33, 0, 0, 0}},
    {kLineErrNoDevice, {0, 72, 48, 90, 0, 0}},
    {kLineErrNoDriver, {0, 70, 35, 0, 0, 0}},
    {kLineErrNoMem, {6, 61, 37, 81, 148, 113}},
    {kLineErrNotOwner, {0, 0, 0, 0, 150, 0}},
    {kLineErrOperationFailed, {2, 63, 39, 85, 143, 115}},
    {kLineErrOperationUnavail, {8, 71, 49, 83, 141, 117}},
    {kLineErrRateUnavail, {0, 0, 0, 0, 0, 119}},
    {kLineErrResourceUnavail, {0, 65, 41, 87, 145, 121}},
    {kLineErrStructureTooSmall, {0, 67, 43, 0, 0, 123}},
    {kLineErrUninitialized, {0, 69, 45, 91, 147, 125}},
    {kLineErrUserUserInfoTooBig, {0, 0, 0, 0, 149, 127}},
    {kLineErrReinit, {5, 0, 47, 0, 0, 0}},
    {kLineErrAddressBlocked, {0, 0, 0, 0, 0, 100}},
};

constexpr std::array<int, 6> kLineOther = {10, 79, 50, 99, 159, 139};

struct WaveRow {
    int result;
    std::array<int, 4> codes;  // load, playback, record, save
};

constexpr WaveRow kWaveRows[] = {
    {kMmBadDeviceId, {0, 175, 181, 0}},    {kMmAllocated, {0, 174, 180, 0}},
    {kMmInvalHandle, {0, 0, 184, 0}},      {kMmNoDriver, {0, 176, 182, 0}},
    {kMmNoMem, {168, 173, 183, 0}},        {kWaveErrBadFormat, {0, 177, 185, 0}},
    {kWaveErrUnprepared, {0, 0, 186, 0}},  {kWaveErrSync, {0, 178, 0, 0}},
    {kMmioFileNotFound, {169, 0, 0, 208}}, {kMmioCannotRead, {167, 0, 0, 0}},
    {kMmioCannotWrite, {0, 0, 0, 207}},    {kMmioCannotSeek, {0, 0, 0, 206}},
    {kMmioChunkNotFound, {166, 0, 0, 0}},  {kMmioPathNotFound, {163, 0, 0, 203}},
    {kMmioAccessDenied, {160, 0, 0, 200}}, {kMmioSharingViolation, {164, 0, 0, 204}},
    {kMmioNetworkError, {162, 0, 0, 202}}, {kMmioTooManyOpenFiles, {165, 0, 0, 205}},
    {kMmioInvalidFile, {161, 0, 0, 201}},
};

constexpr std::array<int, 4> kWaveOther = {170, 179, 199, 219};

}  // namespace

int StatusForLineError(LineStep step, std::int32_t line_error) {
    if (line_error == 0) {
        return kStatusOk;
    }
    const auto column = static_cast<std::size_t>(step);
    for (const LineRow& row : kLineRows) {
        if (row.error == line_error && row.codes[column] != 0) {
            return row.codes[column];
        }
    }
    return kLineOther[column];
}

int StatusForWaveResult(WaveStep step, int result) {
    if (result == 0) {
        return kStatusOk;
    }
    const auto column = static_cast<std::size_t>(step);
    for (const WaveRow& row : kWaveRows) {
        if (row.result == result && row.codes[column] != 0) {
            return row.codes[column];
        }
    }
    return kWaveOther[column];
}

}  // namespace kivo::telephony
