// Writing a video record's WMV for other players (see video_export.h).
#include "kivo/exchange/video_export.h"

#include <system_error>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/recording_container.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;

void EmptyFolder(const fs::path& folder) {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder, ignored))
        fs::remove_all(entry.path(), ignored);
}

}  // namespace

Delivery ExportAsVideo(const fs::path& prepared_copy, const fs::path& scratch,
                       const fs::path& target, Overwrite overwrite) {
    std::error_code ec;
    if (overwrite == Overwrite::kNever && fs::exists(fs::symlink_status(target, ec)))
        return {DeliveryOutcome::kTargetExists, target.string() + " already exists"};
    const auto opened = recordstore::RecordingContainer::OpenStandAlone(
        prepared_copy.string(), scratch.string(), recordstore::MediaKind::kVideo);
    const fs::path video =
        scratch / (prepared_copy.stem().string() + std::string(recordstore::kVideoMediaExtension));
    if (opened != recordstore::ContainerResult::kDone || !fs::is_regular_file(video, ec)) {
        EmptyFolder(scratch);
        return {DeliveryOutcome::kFailed,
                prepared_copy.filename().string() + " holds no video that can be read"};
    }
    const Delivery delivered = DeliverFile(video, target, overwrite);
    EmptyFolder(scratch);
    return delivered;
}

}  // namespace kivo::exchange
