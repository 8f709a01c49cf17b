// The video recorder's logic (see video_session.h).
#include "kivo/video/video_session.h"

#include <QDebug>
#include <QLoggingCategory>
#include <system_error>

#include "kivo/core/profile_file.h"
#include "kivo/recorder/log_date.h"
#include "kivo/recorder/record_saving.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/video/video_record.h"

namespace kivo::video {
namespace {

Q_LOGGING_CATEGORY(lcVideoRecorder, "kivo.video.recorder")

constexpr const char* kCaptureExtension = ".avi";

// The row whose name is `wanted`; else the first row, whose name is then
// written as the profile value.
template <typename Devices, typename NameOf>
int ChooseRow(const Devices& devices, NameOf name_of, const recorder::RecorderTarget& target,
              const char* key) {
    if (devices.empty())
        return -1;
    if (target.profile != nullptr) {
        if (std::optional<std::string> wanted = target.profile->Find(target.profile_section, key)) {
            for (std::size_t row = 0; row < devices.size(); ++row) {
                if (name_of(devices[row]) == *wanted)
                    return static_cast<int>(row);
            }
            return 0;
        }
        target.profile->Write(target.profile_section, key, name_of(devices.front()));
    }
    return 0;
}

}  // namespace

VideoSession::VideoSession(sound::AudioBackend& backend, const CameraProvider& cameras,
                           recorder::RecorderTarget target, core::MessageReporter& reporter,
                           QObject* parent)
    : QObject(parent),
      backend_(backend),
      camera_provider_(cameras),
      target_(std::move(target)),
      reporter_(reporter),
      files_(recorder::RecordFiles::ForNewRecord(target_.working_folder)),
      capture_(backend, this) {
    connect(&capture_, &VideoCapture::failed, this, &VideoSession::OnCaptureFailed);
}

VideoSession::~VideoSession() {
    capture_.Stop();
    RemoveTemporaryFiles();
}

void VideoSession::RemoveTemporaryFiles() {
    if (journal_) {
        journal_->Remove();
        journal_.reset();
    }
    std::error_code ignored;
    std::filesystem::remove(capture_path(), ignored);
    std::filesystem::remove(video_path(), ignored);
    std::filesystem::remove(files_.Path(recordstore::kVideoContainerExtension), ignored);
    files_.RemoveAll();
}

std::filesystem::path VideoSession::capture_path() const {
    return journal_ ? journal_->capture_path() : files_.Path(kCaptureExtension);
}

std::filesystem::path VideoSession::video_path() const {
    return files_.Path(recordstore::kVideoMediaExtension);
}

int VideoSession::Open() {
    cameras_ = camera_provider_.Cameras();
    microphones_ = backend_.InputDevices();
    if (cameras_.empty()) {
        reporter_.ReportMessage(kMessageNoCamera, core::kStyleExclamation);
        return kMessageNoCamera;
    }
    selected_camera_ = ChooseRow(
        cameras_, [](const CameraDevice& camera) { return camera.name.toStdString(); }, target_,
        "VidDev");
    selected_microphone_ = ChooseRow(
        microphones_,
        [](const sound::AudioDeviceInfo& device) { return device.description.toStdString(); },
        target_, "AudDev");
    return 0;
}

void VideoSession::SelectCamera(int row) {
    selected_camera_ = row >= 0 && row < static_cast<int>(cameras_.size()) ? row : -1;
    if (selected_camera_ >= 0 && target_.profile != nullptr)
        target_.profile->Write(target_.profile_section, "VidDev", cameras_[row].name.toStdString());
}

void VideoSession::SelectMicrophone(int row) {
    selected_microphone_ = row >= 0 && row < static_cast<int>(microphones_.size()) ? row : -1;
    if (selected_microphone_ >= 0 && target_.profile != nullptr)
        target_.profile->Write(target_.profile_section, "AudDev",
                               microphones_[row].description.toStdString());
}

int VideoSession::Record() {
    if (state_ != VideoState::kReady)
        return 0;
    if (selected_camera_ < 0 || selected_microphone_ < 0) {
        reporter_.ReportMessage(kMessageSelectDevices, core::kStyleInformation);
        return kMessageSelectDevices;
    }
    start_log_date_ = recorder::NowLogDate();
    StartJournal();
    const QString refused = capture_.Start(camera_provider_.Make(cameras_[selected_camera_]),
                                           microphones_[selected_microphone_].id, capture_path());
    if (!refused.isEmpty()) {
        qCWarning(lcVideoRecorder) << "Video capture not started:" << refused;
        RemoveTemporaryFiles();
        reporter_.ReportMessage(kMessageCaptureNotStarted, core::kStyleExclamation);
        return kMessageCaptureNotStarted;
    }
    end_log_date_.clear();
    EnterState(VideoState::kRecording);
    return 0;
}

void VideoSession::Stop() {
    if (state_ != VideoState::kRecording)
        return;
    capture_.Stop();
    captured_ms_ = capture_.duration_ms();
    end_log_date_ = recorder::NowLogDate();
    KeepDetails();
    EnterState(VideoState::kStopped);
}

// The capture goes into a take journal in the takes folder, so that a crash
// leaves it to be saved at the next start; without a takes folder (or when
// the journal cannot be made) into the working folder as before.
void VideoSession::StartJournal() {
    if (target_.takes_folder.empty())
        return;
    journal_ = VideoTakeJournal::Create(target_.takes_folder, files_.Name(""),
                                        {start_log_date_, TakeDetailsNow()});
    if (!journal_)
        qCWarning(lcVideoRecorder) << "No take journal for the capture in"
                                   << QString::fromStdString(target_.takes_folder.string());
}

recorder::TakeDetails VideoSession::TakeDetailsNow() const {
    return {end_log_date_, subject_, keywords_, recordstore::PictureType::kNone, marks_.marks()};
}

void VideoSession::KeepDetails() {
    if (journal_ && !journal_->WriteDetails(TakeDetailsNow()))
        qCWarning(lcVideoRecorder) << "The take's details could not be kept";
}

void VideoSession::OnCaptureFailed(const QString& reason) {
    if (state_ != VideoState::kRecording)
        return;
    captured_ms_ = capture_.duration_ms();
    end_log_date_ = recorder::NowLogDate();
    KeepDetails();
    EnterState(VideoState::kStopped);
    const QString text = QString::fromLatin1(kCaptureEndedText).arg(reason);
    reporter_.ReportText(text.toStdString(), core::kStyleExclamation);
    emit captureEnded(text);
}

bool VideoSession::AddMark(std::string_view comment) {
    if (state_ != VideoState::kRecording)
        return false;
    if (!marks_.Add(capture_.duration_ms(), comment))
        return false;
    KeepDetails();
    return true;
}

std::string VideoSession::duration_text() const {
    return recordstore::DurationText(capture_.duration_ms());
}

encoding::VideoConversionResult VideoSession::Convert(
    encoding::ConversionControl* control, const encoding::ConversionProgress& progress) {
    encoding::VideoConversionSettings settings;
    // No record may claim more than the capture it came from (and a day at most).
    settings.max_duration_ms = std::min<std::int64_t>(captured_ms_ + 60'000, 24LL * 3600 * 1000);
    return encoding::ConvertToRecordVideo(capture_path().string(), video_path().string(), settings,
                                          control, progress);
}

int VideoSession::SaveRecord() {
    if (state_ == VideoState::kSaved)
        return 0;
    const recorder::NewRecord record = MakeVideoRecord(
        {subject_, keywords_, start_log_date_, end_log_date_, captured_ms_, marks_.ToIndexMarks()},
        files_);
    recorder::NewRecordSave save(target_, files_);
    const int result = save.Save(record);
    if (save.stored()) {
        record_number_ = save.record_number();
        EnterState(VideoState::kSaved);
        RemoveTemporaryFiles();
    }
    if (result != 0)
        reporter_.ReportMessage(result, core::kStyleExclamation);
    return result;
}

void VideoSession::EnterState(VideoState state) {
    state_ = state;
    emit stateChanged();
}

}  // namespace kivo::video
