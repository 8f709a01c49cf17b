// VideoRecorderDialog: the "Kivo Video Recorder", a thin view over a
// VideoSession: the video frame with the live preview, "Video Device" and
// "Audio Device" lists, Record and Stop, the duration, the marks (the
// "Index Comment" and MARK, a list of "Comments" and "Time Stamp"), the
// subject and keywords, and OK, which converts the capture in the
// conversion box and saves the record.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>

#include "kivo/recorder/video_frame_view.h"
#include "kivo/video/video_session.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace kivo::video {

inline constexpr const char* kVideoRecorderHelpTopic = "video.htm";
inline constexpr const char* kPartialRecordingText =
    "There was a problem converting the file which will result in a partial recording";

class VideoRecorderDialog : public QDialog {
    Q_OBJECT
public:
    VideoRecorderDialog(sound::AudioBackend& backend, const CameraProvider& cameras,
                        recorder::RecorderTarget target, core::MessageReporter& reporter,
                        QWidget* parent = nullptr);
    ~VideoRecorderDialog() override;

    // Lists the devices; false (message 28 was shown) without a camera.
    bool Start();
    bool saved() const { return session_->state() == VideoState::kSaved; }
    VideoSession& session() { return *session_; }

    QComboBox* video_devices() const { return video_devices_; }
    QComboBox* audio_devices() const { return audio_devices_; }
    QPushButton* record_button() const { return record_; }
    QPushButton* stop_button() const { return stop_; }
    QPushButton* mark_button() const { return mark_; }
    QPushButton* ok_button() const { return ok_; }
    QLineEdit* comment_edit() const { return comment_; }
    QLineEdit* subject_edit() const { return subject_; }
    QPlainTextEdit* keywords_edit() const { return keywords_; }
    QTreeWidget* marks_list() const { return marks_; }
    recorder::VideoFrameView* preview() const { return preview_; }
    QLabel* duration_label() const { return duration_; }

    // Runs the conversion and returns its result; by default in the
    // conversion box. Replaceable for tests.
    std::function<encoding::VideoConversionResult(VideoSession&)> run_conversion;

    // OK: converts and saves; closes when saved. The message code, or 0.
    int Save();

signals:
    void helpRequested(const QString& topic);

protected:
    void reject() override;

private:
    void ShowState();
    void ShowMarks();
    void Tick();

    core::MessageReporter& reporter_;
    std::unique_ptr<VideoSession> session_;
    recorder::VideoFrameView* preview_ = nullptr;
    QLabel* duration_ = nullptr;
    QLabel* kivo_id_ = nullptr;
    QLabel* start_time_ = nullptr;
    QLabel* end_time_ = nullptr;
    QComboBox* video_devices_ = nullptr;
    QComboBox* audio_devices_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* mark_ = nullptr;
    QPushButton* ok_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QPlainTextEdit* keywords_ = nullptr;
    QTreeWidget* marks_ = nullptr;
    QTimer* ticker_ = nullptr;
};

}  // namespace kivo::video
