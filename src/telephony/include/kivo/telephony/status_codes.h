// The status codes the library leaves in TapiStatus::status. Each operation
// maps the line error or multimedia result it met to a code of its own
// range, so the host can tell by the range which step failed:
//   init 1-10, open 20-59, device capabilities 60-79, wave identifiers 80-99,
//   dial 100-139, answer 140-159, play 160-179, record 180-199,
//   save 200-219, stop 220-221.
// 0 is success for every operation. A dial accepted asynchronously leaves
// 139, which the host counts as accepted (0 and everything from 139 up).
#pragma once

#include <cstdint>

namespace kivo::telephony {

enum class LineStep { kInit, kDeviceCaps, kOpen, kWaveId, kAnswer, kDial };
enum class WaveStep { kLoad, kPlayback, kRecord, kSave };

inline constexpr int kStatusOk = 0;
inline constexpr int kStatusDialAccepted = 139;
inline constexpr int kStatusAsyncDialFailed = 127;
inline constexpr int kStatusWaveIdNoMemory = 81;
inline constexpr int kStatusStopCannotOpenTake = 220;
inline constexpr int kStatusStopCannotOpenAccumulated = 221;

// The status for a line error met by `step`. 0 gives 0; an error the step's
// table does not list gives the step's "other" code.
int StatusForLineError(LineStep step, std::int32_t line_error);

// The status for a multimedia result met by `step`. 0 gives 0.
int StatusForWaveResult(WaveStep step, int result);

}  // namespace kivo::telephony
