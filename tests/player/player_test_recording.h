// Recording files for the player tests, made with the record store library
// the way an export makes them: a wave (or a video made by FFmpeg), a record
// line, index marks, packed into a stand-alone container.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "file_bytes.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/wavefile/pcm_format.h"
#include "temp_dir.h"

namespace kivo::test {

struct RecordingRecipe {
    std::string kind = "0";
    std::vector<std::string> effect_fields;  // fields 15 to 24; empty: none written
    std::vector<recordstore::IndexMark> marks;
    bool with_marks = true;
    bool with_record_line = true;
    int duration_ms = 3000;
    std::string duration_text = "00:00:03";  // field 12
};

// What FFmpeg makes for a video recording's media: Windows Media video and
// audio in an ASF file, as the video recorder stores it.
struct VideoRecipe {
    int seconds = 3;
    int frames_per_second = 10;
};

class PlayerTestFiles {
public:
    PlayerTestFiles();

    // Makes `name` (e.g. "Message.xrz") in the output folder; returns its
    // path. *wave receives the wave's sample bytes.
    std::string MakeRecording(const std::string& name, const RecordingRecipe& recipe,
                              Bytes* samples = nullptr);
    // Makes the video recording `name` (e.g. "Video.xrv"): the FFmpeg test
    // picture and a tone as D7.wmv, the marks and the record line (kind 9),
    // stored as a video container is (media, marks, record line). Empty
    // when FFmpeg cannot make the video.
    std::string MakeVideoRecording(const std::string& name, const RecordingRecipe& recipe,
                                   const VideoRecipe& video = VideoRecipe{});
    // A video container whose media member holds `media` as it is.
    std::string MakeVideoRecordingWithMedia(const std::string& name, const RecordingRecipe& recipe,
                                            const Bytes& media);
    // A container holding exactly these files from the working folder.
    std::string PutContainer(const std::string& name, const std::vector<std::string>& members);

    std::string work_file(const std::string& name) const { return working_.file(name); }
    std::string out_file(const std::string& name) const { return output_.file(name); }
    const TempDir& output() const { return output_; }

    static wavefile::PcmFormat Format();

private:
    void WriteCompanions(const RecordingRecipe& recipe, const std::string& container_name);

    TempDir working_;
    TempDir output_;
};

// Runs the event loop until `done` holds or timeout_ms passes.
bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 10000);

}  // namespace kivo::test
