// VideoFileImport: one video file (WMV, and MP4, WebM, MKV, AVI, MOV) made a
// new video record of kind "9": converted in process to the record's media
// (wmv2 picture and wmav2 sound in ASF, encoding::ConvertToRecordVideo) and
// saved with an ".xrv" container as the video recorder saves, through the
// recorder kit. The subject is the file's name; the start is the time the
// file was last written; the end is the start plus the converted length.
//
// Every file is untrusted: one that FFmpeg cannot read, that has no picture
// or sound, or that claims more than a day, fails alone with FFmpeg's or the
// converter's reason and leaves nothing in the working folder or the store.
#pragma once

#include <filesystem>
#include <string_view>

#include "kivo/decoding/stop_request.h"
#include "kivo/exchange/import_audio_file.h"
#include "kivo/recorder/recorder_target.h"

namespace kivo::exchange {

// The file name filter of the WMV import's open-file box.
inline constexpr const char* kVideoFileFilter =
    "Video Files (*.wmv *.asf *.mp4 *.m4v *.mov *.webm *.mkv *.avi)";

// True for a name ending in one of the extensions above (any case).
bool IsVideoFileName(std::string_view file_name);

class VideoFileImport {
public:
    VideoFileImport(const recorder::RecorderTarget& target, const decoding::StopRequest* stop,
                    SaveRunner run_save = {})
        : target_(target), stop_(stop), run_save_(std::move(run_save)) {}

    // Progress as AudioFileImport reports it (kind 0 percent, kind 2 status).
    AudioImportResult Import(const std::filesystem::path& source,
                             const AudioImportProgress& progress = {}) const;

private:
    const recorder::RecorderTarget& target_;
    const decoding::StopRequest* stop_;
    SaveRunner run_save_;
};

}  // namespace kivo::exchange
