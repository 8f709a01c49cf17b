// One minute of 640x480 capture (FFmpeg's test picture and a tone, MJPEG and
// PCM in AVI, as the recorder writes it) converted to a video record's WMV
// by ConvertToRecordVideo and by the ffmpeg program with the same codecs and
// bit rates, in the same run. Prints wall-clock seconds and the speed
// relative to ffmpeg (above 1 is faster).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kivo/encoding/video_conversion.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);  // the encoder's per-block notes would drown the figures
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    const fs::path dir = fs::temp_directory_path() / "kivo-video-bench";
    fs::create_directories(dir);
    const fs::path capture = dir / "capture.avi";
    const std::string make = "ffmpeg -v error -y -f lavfi -i testsrc=d=" + std::to_string(seconds) +
                             ":s=640x480:r=25 -f lavfi -i sine=d=" + std::to_string(seconds) +
                             ":sample_rate=44100 -c:v mjpeg -q:v 4 -c:a pcm_s16le '" +
                             capture.string() + "'";
    if (std::system(make.c_str()) != 0) {
        std::printf("ffmpeg could not write the capture\n");
        return 1;
    }
    const kivo::encoding::VideoConversionSettings settings;
    auto start = Clock::now();
    const auto result = kivo::encoding::ConvertToRecordVideo(capture.string(),
                                                             (dir / "kivo.wmv").string(), settings);
    const double our_s = Seconds(start);
    if (!result.kept_target()) {
        std::printf("conversion failed: %s\n", result.message.c_str());
        return 1;
    }
    const std::string theirs =
        "ffmpeg -v error -y -threads 1 -i '" + capture.string() + "' -c:v wmv2 -b:v " +
        std::to_string(settings.video_bit_rate_bps) + " -g 125 -c:a wmav2 -b:a " +
        std::to_string(settings.audio_bit_rate_bps) + " '" + (dir / "ffmpeg.wmv").string() + "'";
    start = Clock::now();
    const int status = std::system(theirs.c_str());
    const double their_s = Seconds(start);
    std::printf(
        "%d s of 640x480 capture to WMV: Kivo %.2f s (%.0f KiB)  ffmpeg %.2f s (%.0f KiB)%s"
        "  speed %.2fx\n",
        seconds, our_s, fs::file_size(dir / "kivo.wmv") / 1024.0, their_s,
        status == 0 ? fs::file_size(dir / "ffmpeg.wmv") / 1024.0 : 0.0,
        status == 0 ? "" : " FAILED", their_s / our_s);
    fs::remove_all(dir);
    return 0;
}
