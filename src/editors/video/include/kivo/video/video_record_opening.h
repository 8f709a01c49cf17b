// Opening a stored video record for playing: its ".xrv" container is taken
// out of the data store into the working folder and unpacked there (B.wmv,
// B.xrs, B.xrl); the record line and the marks are read. The files are
// removed again when the OpenedVideo goes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::video {

// Message code when the record's files cannot be opened.
inline constexpr int kMessageRecordMissing = 113;

class OpenedVideo {
public:
    OpenedVideo() = default;
    OpenedVideo(OpenedVideo&&) noexcept;
    OpenedVideo& operator=(OpenedVideo&&) noexcept;
    ~OpenedVideo();  // removes the unpacked files

    const std::filesystem::path& media_path() const { return media_path_; }
    // "D" + stamp + ".xrv": the container, unpacked beside the media.
    std::string container_name() const { return base_name_ + ".xrv"; }
    const recordstore::RecordFields& fields() const { return fields_; }
    const std::vector<recordstore::IndexMark>& marks() const { return marks_; }

private:
    friend std::optional<OpenedVideo> OpenVideoRecord(const std::filesystem::path&,
                                                      const std::filesystem::path&,
                                                      const std::string&, int*);
    void Remove();

    std::filesystem::path working_folder_;
    std::string base_name_;
    std::filesystem::path media_path_;
    recordstore::RecordFields fields_;
    std::vector<recordstore::IndexMark> marks_;
};

// Opens `container_name` ("D" + stamp + ".xrv", a plain file name) of the
// store; nullopt with *message set to 113 when it cannot.
std::optional<OpenedVideo> OpenVideoRecord(const std::filesystem::path& working_folder,
                                           const std::filesystem::path& store_path,
                                           const std::string& container_name, int* message);

}  // namespace kivo::video
