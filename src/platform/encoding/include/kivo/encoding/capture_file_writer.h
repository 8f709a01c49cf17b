// CaptureFileWriter: the file a video capture is recorded into before it is
// converted to a record's WMV: Motion JPEG pictures and 16-bit PCM sound in
// AVI, both cheap enough to write as they arrive from the camera and the
// microphone. Pictures are placed by their capture time, sound by its
// sample count, so the two stay in step however the camera paces itself.
//
// Not thread-safe: a caller feeding it from two threads serialises the calls.
// Every write after a failure fails again; Close makes the file complete
// (also after a failed write, for what was written before it).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kivo::encoding {

struct CaptureFormat {
    int width = 640;
    int height = 480;
    int frames_per_second = 25;
    int sample_rate_hz = 22050;
    int channels = 1;  // 1 or 2; sound is interleaved 16-bit
};

class CaptureFileWriter {
public:
    CaptureFileWriter();
    ~CaptureFileWriter();  // closes the file
    CaptureFileWriter(const CaptureFileWriter&) = delete;
    CaptureFileWriter& operator=(const CaptureFileWriter&) = delete;

    // Empty on success, else why the file cannot be written.
    std::string Open(const std::string& path, const CaptureFormat& format);
    // One picture of format's size as packed RGB (3 bytes a pixel, `stride`
    // bytes a row), taken `at_ms` after the capture began. A picture that
    // falls on a frame time already written is dropped.
    std::string WritePicture(const std::uint8_t* rgb, int stride, std::int64_t at_ms);
    // `frames` sample frames of interleaved 16-bit sound.
    std::string WriteSound(const std::int16_t* samples, int frames);
    std::string Close();
    // Hands what is buffered to the system, so that the file read after a
    // crash of this process holds the capture up to about now.
    void Flush();

    bool is_open() const;
    std::int64_t pictures_written() const;
    std::int64_t sound_frames_written() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace kivo::encoding
