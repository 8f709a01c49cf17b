// VideoExport: a prepared video recording (an ".xrv" copy made by
// RecordingExport) written as an ordinary WMV file for any other player: the
// copy is opened as a stand-alone container in a scratch folder and its
// video member delivered as the target (export_delivery.h: under a
// temporary name beside the target, renamed at the end; an existing target
// replaced only when asked).
#pragma once

#include <filesystem>

#include "kivo/exchange/export_delivery.h"

namespace kivo::exchange {

inline constexpr const char* kWmvFilter = "WMV files (*.wmv)";

// scratch: an empty private folder for the unpacked members (emptied again
// before returning).
Delivery ExportAsVideo(const std::filesystem::path& prepared_copy,
                       const std::filesystem::path& scratch, const std::filesystem::path& target,
                       Overwrite overwrite);

}  // namespace kivo::exchange
