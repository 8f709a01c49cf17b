// VideoSession: everything the "Kivo Video Recorder" does, without widgets.
//
// Open lists the cameras (a CameraProvider) and microphones (the sound
// backend) and picks the ones named by "VidDev" and "AudDev" (writing the
// first entries' names when those are missing); no camera is message 28.
// Record starts one capture (VideoCapture) into the record's capture file
// B.avi; Stop ends it: a video record holds one capture. Marks are
// {comment, duration} in the meeting form (no type). Save converts the
// capture to B.wmv (wmv2 and wmav2 in ASF) and saves a kind "9" record in
// "Voxwren.xrr" with an ".xrv" container through the recorder kit.
//
// A capture that ends by itself (camera unplugged, disk full) keeps what was
// captured: the session is stopped with it, can save it, and says so.
//
// With a takes folder the capture is kept in a take journal there
// (video_take_journal.h) until it is saved or the session discards it, so a
// crash of the program leaves it to be saved at the next start.
#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "kivo/core/user_messages.h"
#include "kivo/encoding/video_conversion.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recorder/recorder_marks.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/sound/audio_backend.h"
#include "kivo/video/camera_source.h"
#include "kivo/video/video_capture.h"
#include "kivo/video/video_take_journal.h"

namespace kivo::video {

enum class VideoState { kReady, kRecording, kStopped, kSaved };

// Message codes of the video recorder.
inline constexpr int kMessageCaptureInterface = 27;
inline constexpr int kMessageNoCamera = 28;
inline constexpr int kMessageSelectDevices = 29;
inline constexpr int kMessageCaptureNotStarted = 34;

// What the user is told when a capture ended by itself.
inline constexpr const char* kCaptureEndedText =
    "The video capture stopped by itself (%1). What was captured until then is kept: you can "
    "save it as a record.";

class VideoSession : public QObject {
    Q_OBJECT
public:
    VideoSession(sound::AudioBackend& backend, const CameraProvider& cameras,
                 recorder::RecorderTarget target, core::MessageReporter& reporter,
                 QObject* parent = nullptr);
    ~VideoSession() override;  // stops; removes the record's temporary files

    // Lists the devices. 0, or 28 (reported) when there is no camera.
    int Open();
    const std::vector<CameraDevice>& cameras() const { return cameras_; }
    const std::vector<sound::AudioDeviceInfo>& microphones() const { return microphones_; }
    int selected_camera() const { return selected_camera_; }
    int selected_microphone() const { return selected_microphone_; }
    // Chooses a device (-1 for none) and keeps its name as "VidDev"/"AudDev".
    void SelectCamera(int row);
    void SelectMicrophone(int row);

    // Starts the capture. 0; 29 without both devices chosen; 34 when the
    // camera, microphone or file refuses (the device's reason is logged).
    // Reported. Only from kReady.
    int Record();
    void Stop();
    // A mark {comment, the duration now}; only while recording.
    bool AddMark(std::string_view comment);

    VideoState state() const { return state_; }
    std::int64_t duration_ms() const { return capture_.duration_ms(); }
    std::string duration_text() const;
    const recorder::RecorderMarks& marks() const { return marks_; }
    VideoCapture& capture() { return capture_; }
    std::string start_log_date() const { return start_log_date_; }
    std::string end_log_date() const { return end_log_date_; }

    // Kept in the take journal with the next mark or Stop.
    void set_subject(std::string subject) { subject_ = std::move(subject); }
    void set_keywords(std::string keywords) { keywords_ = std::move(keywords); }
    const std::string& subject() const { return subject_; }

    const recorder::RecordFiles& files() const { return files_; }
    std::filesystem::path capture_path() const;
    std::filesystem::path video_path() const;

    // Converts the capture to the record's B.wmv (the conversion box runs
    // this on its worker thread). A stopped conversion keeps what it made.
    encoding::VideoConversionResult Convert(encoding::ConversionControl* control = nullptr,
                                            const encoding::ConversionProgress& progress = {});
    // Saves the record once Convert kept a video. 0, or the message code
    // reported (108 no converted video, 109, 110 as the kit says).
    int SaveRecord();
    std::int32_t record_number() const { return record_number_; }

signals:
    void stateChanged();
    // The capture ended by itself; the text is kCaptureEndedText filled in.
    void captureEnded(const QString& text);

private:
    void EnterState(VideoState state);
    // The capture, the converted video, the container and the kit's files.
    void RemoveTemporaryFiles();
    void StartJournal();
    recorder::TakeDetails TakeDetailsNow() const;
    // Writes subject, keywords, marks and end into the take journal.
    void KeepDetails();
    void OnCaptureFailed(const QString& reason);

    sound::AudioBackend& backend_;
    const CameraProvider& camera_provider_;
    recorder::RecorderTarget target_;
    core::MessageReporter& reporter_;
    recorder::RecordFiles files_;
    VideoCapture capture_;
    recorder::RecorderMarks marks_;
    std::vector<CameraDevice> cameras_;
    std::vector<sound::AudioDeviceInfo> microphones_;
    int selected_camera_ = -1;
    int selected_microphone_ = -1;
    VideoState state_ = VideoState::kReady;
    std::string start_log_date_;
    std::string end_log_date_;
    std::string subject_;
    std::string keywords_;
    std::int64_t captured_ms_ = 0;
    std::int32_t record_number_ = 0;
    std::unique_ptr<VideoTakeJournal> journal_;
};

}  // namespace kivo::video
