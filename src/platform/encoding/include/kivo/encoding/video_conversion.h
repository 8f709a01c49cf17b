// Video conversion: a capture file (any file with picture and sound that
// FFmpeg reads) converted to the media format of a video record: Windows
// Media Video 8 picture (wmv2) and Windows Media Audio 2 sound (wmav2) in an
// ASF file, the form the Windows program reads.
//
// The work is written under a temporary name beside the target ("<target>.part")
// and renamed at the end, so the target name never holds a half-written file:
// after an abort or a failure the temporary file is gone and the target name
// was never touched. Input is untrusted: a
// damaged file gives a failed result with FFmpeg's reason, never a crash.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace kivo::encoding {

struct VideoConversionSettings {
    int video_bit_rate_bps = 1'000'000;
    int audio_bit_rate_bps = 64'000;
    // The picture is scaled down to fit this box (keeping its shape); a
    // smaller picture keeps its size. Odd sizes are rounded down to even.
    int max_width = 1280;
    int max_height = 720;
    // Stops with a failure once the target would run longer (0: no limit): a
    // small hostile file can claim days of picture.
    std::int64_t max_duration_ms = 0;
};

// How a running conversion is told to end, from another thread. Stop ends it
// early and keeps what was converted as a complete, shorter file; abort ends
// it and keeps nothing.
class ConversionControl {
public:
    void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
    void RequestAbort() { abort_.store(true, std::memory_order_relaxed); }
    bool stop_requested() const { return stop_.load(std::memory_order_relaxed); }
    bool abort_requested() const { return abort_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> abort_{false};
};

enum class ConversionOutcome {
    kDone,     // the whole source is in the target
    kStopped,  // stopped early (or the source broke off): the target holds the part before
    kAborted,  // nothing was kept
    kFailed,   // nothing was kept; `message` says why
};

struct VideoConversionResult {
    ConversionOutcome outcome = ConversionOutcome::kFailed;
    std::string message;
    std::int64_t video_frames = 0;  // pictures written
    std::int64_t audio_frames = 0;  // sample frames written
    std::int64_t duration_ms = 0;   // of the pictures written
    int width = 0;
    int height = 0;

    bool kept_target() const {
        return outcome == ConversionOutcome::kDone || outcome == ConversionOutcome::kStopped;
    }
};

// Called with the share of the source converted so far, 0 to 100.
using ConversionProgress = std::function<void(int percent)>;

VideoConversionResult ConvertToRecordVideo(const std::string& source_path,
                                           const std::string& target_path,
                                           const VideoConversionSettings& settings = {},
                                           ConversionControl* control = nullptr,
                                           const ConversionProgress& progress = {});

}  // namespace kivo::encoding
