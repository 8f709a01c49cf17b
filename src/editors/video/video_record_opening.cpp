// Unpacking a stored video record (see video_record_opening.h).
#include "kivo/video/video_record_opening.h"

#include <system_error>

#include "kivo/recordstore/data_store_layout.h"
#include "xrsave.h"

namespace kivo::video {
namespace {

namespace fs = std::filesystem;

// A plain "D....xrv" name: nothing that could reach outside the folder.
bool IsPlainVideoContainerName(const std::string& name) {
    const fs::path path(name);
    return !name.empty() && path.filename() == path && path.extension() == ".xrv" &&
           name.find('/') == std::string::npos && name != ".xrv";
}

}  // namespace

OpenedVideo::OpenedVideo(OpenedVideo&& other) noexcept {
    *this = std::move(other);
}

OpenedVideo& OpenedVideo::operator=(OpenedVideo&& other) noexcept {
    if (this != &other) {
        Remove();
        working_folder_ = std::move(other.working_folder_);
        base_name_ = std::move(other.base_name_);
        media_path_ = std::move(other.media_path_);
        fields_ = std::move(other.fields_);
        marks_ = std::move(other.marks_);
        other.base_name_.clear();
    }
    return *this;
}

OpenedVideo::~OpenedVideo() {
    Remove();
}

void OpenedVideo::Remove() {
    if (base_name_.empty())
        return;
    std::error_code ignored;
    for (const char* extension : {".wmv", ".xrs", ".xrl", ".xrv"})
        fs::remove(working_folder_ / (base_name_ + extension), ignored);
    base_name_.clear();
}

std::optional<OpenedVideo> OpenVideoRecord(const fs::path& working_folder,
                                           const fs::path& store_path,
                                           const std::string& container_name, int* message) {
    *message = kMessageRecordMissing;
    if (!IsPlainVideoContainerName(container_name))
        return std::nullopt;
    OpenedVideo opened;
    opened.working_folder_ = working_folder;
    opened.base_name_ = fs::path(container_name).stem().string();
    const int unpacked = XRopenXRV(container_name.c_str(), working_folder.string().c_str(),
                                   store_path.string().c_str(), XR_OPEN_DEFAULT);
    const fs::path line_path = working_folder / (opened.base_name_ + ".xrl");
    recordstore::RecordLine line;
    if (unpacked != 0 || !recordstore::RecordLine::ReadFile(line_path.string(), &line).ok())
        return std::nullopt;  // what was unpacked goes with `opened`
    opened.media_path_ = working_folder / (opened.base_name_ + ".wmv");
    if (!fs::exists(opened.media_path_))
        return std::nullopt;
    opened.fields_ = line.Fields();
    recordstore::IndexMarkRead marks;
    if (recordstore::ReadIndexMarkFile((working_folder / (opened.base_name_ + ".xrs")).string(),
                                       &marks)
            .ok())
        opened.marks_ = std::move(marks.marks);
    *message = 0;
    return opened;
}

}  // namespace kivo::video
