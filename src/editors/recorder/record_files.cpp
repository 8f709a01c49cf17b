// The temporary files of a record (see record_files.h).
#include "kivo/recorder/record_files.h"

#include <system_error>

#include "kivo/recordstore/data_store_layout.h"
#include "qldate.h"

namespace kivo::recorder {
namespace {

namespace fs = std::filesystem;
using recordstore::kAudioContainerExtension;

// A file name that can only name a file of the working folder.
bool IsPlainContainerName(const std::string& name) {
    return name.size() > kAudioContainerExtension.size() && name.size() <= 260 &&
           name.ends_with(kAudioContainerExtension) && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name.front() != '.';
}

// Lower-case picture names, which older records may carry.
constexpr std::string_view kLowerPictureExtensions[] = {".gif", ".jpg"};
// What an interrupted save of a WaveDocument leaves in the working folder.
constexpr std::string_view kInterruptedWaveSave = "temp.xrw";

}  // namespace

RecordFiles::RecordFiles(fs::path working_folder, std::string base_name)
    : working_folder_(std::move(working_folder)), base_name_(std::move(base_name)) {
    stamp_ = base_name_.starts_with(recordstore::kContainerPrefix)
                 ? base_name_.substr(recordstore::kContainerPrefix.size())
                 : base_name_;
}

RecordFiles RecordFiles::ForNewRecord(fs::path working_folder) {
    char stamp[QLDATE_BUFFER_BYTES] = {};
    return RecordFiles(std::move(working_folder),
                       std::string(recordstore::kContainerPrefix) + DateStamp(stamp));
}

std::optional<RecordFiles> RecordFiles::ForStoredRecord(fs::path working_folder,
                                                        const std::string& container_name) {
    if (!IsPlainContainerName(container_name))
        return std::nullopt;
    return RecordFiles(
        std::move(working_folder),
        container_name.substr(0, container_name.size() - kAudioContainerExtension.size()));
}

std::string RecordFiles::Name(std::string_view extension) const {
    return base_name_ + std::string(extension);
}

fs::path RecordFiles::Path(std::string_view extension) const {
    return working_folder_ / Name(extension);
}

fs::path RecordFiles::wave_path() const {
    return Path(recordstore::kAudioMediaExtension);
}

fs::path RecordFiles::marks_path() const {
    return Path(recordstore::kIndexMarksExtension);
}

fs::path RecordFiles::line_path() const {
    return Path(recordstore::kRecordLineExtension);
}

std::string RecordFiles::container_name() const {
    return Name(kAudioContainerExtension);
}

fs::path RecordFiles::container_path() const {
    return Path(kAudioContainerExtension);
}

std::string RecordFiles::PictureName(recordstore::PictureType type) const {
    return recordstore::PictureMemberName(base_name_, type);
}

void RecordFiles::RemoveAll() const {
    std::error_code error;
    for (std::string_view extension :
         {recordstore::kAudioMediaExtension, recordstore::kIndexMarksExtension,
          recordstore::kRecordLineExtension, kAudioContainerExtension,
          recordstore::kGifPictureExtension, recordstore::kJpgPictureExtension,
          kLowerPictureExtensions[0], kLowerPictureExtensions[1]}) {
        fs::remove(Path(extension), error);
    }
    fs::remove(working_folder_ / kInterruptedWaveSave, error);
}

}  // namespace kivo::recorder
