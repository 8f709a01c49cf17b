// The "Kivo Video Recorder" dialog (see video_recorder_dialog.h).
#include "kivo/video/video_recorder_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "kivo/recorder/log_date.h"
#include "kivo/recordstore/clock.h"
#include "kivo/video/conversion_box.h"

namespace kivo::video {
namespace {

constexpr int kTickMs = 200;
constexpr int kMaxCommentChars = 50;
constexpr int kMaxSubjectChars = 149;
const QSize kPreviewSize(320, 240);

// The time part of a log date ("dd/mm/yyyy HH:MM:SS") for the screen.
QString Shown(const std::string& log_date) {
    return QString::fromStdString(log_date);
}

}  // namespace

VideoRecorderDialog::VideoRecorderDialog(sound::AudioBackend& backend,
                                         const CameraProvider& cameras,
                                         recorder::RecorderTarget target,
                                         core::MessageReporter& reporter, QWidget* parent)
    : QDialog(parent),
      reporter_(reporter),
      session_(std::make_unique<VideoSession>(backend, cameras, std::move(target), reporter)) {
    setWindowTitle(QStringLiteral("Kivo Video Recorder"));
    run_conversion = [this](VideoSession& session) {
        ConversionBox box(
            [&session](encoding::ConversionControl* control,
                       const encoding::ConversionProgress& progress) {
                return session.Convert(control, progress);
            },
            this);
        box.exec();
        return box.result();
    };

    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    preview_ = new recorder::VideoFrameView(this);
    preview_->setObjectName(QStringLiteral("video_frame"));
    preview_->setFixedSize(kPreviewSize);
    preview_->SetPlaceholder(QStringLiteral("No picture"));
    left->addWidget(preview_);
    auto* devices = new QFormLayout;
    video_devices_ = new QComboBox(this);
    audio_devices_ = new QComboBox(this);
    devices->addRow(QStringLiteral("&Video Device"), video_devices_);
    devices->addRow(QStringLiteral("&Audio Device"), audio_devices_);
    left->addLayout(devices);
    auto* transport = new QHBoxLayout;
    record_ = new QPushButton(QStringLiteral("&Record"), this);
    stop_ = new QPushButton(QStringLiteral("S&top"), this);
    duration_ = new QLabel(QStringLiteral("00:00:00"), this);
    duration_->setObjectName(QStringLiteral("duration"));
    transport->addWidget(record_);
    transport->addWidget(stop_);
    transport->addStretch(1);
    transport->addWidget(new QLabel(QStringLiteral("Duration"), this));
    transport->addWidget(duration_);
    left->addLayout(transport);
    columns->addLayout(left);

    auto* right = new QVBoxLayout;
    auto* fields = new QFormLayout;
    kivo_id_ = new QLabel(this);
    start_time_ = new QLabel(this);
    end_time_ = new QLabel(this);
    subject_ = new QLineEdit(this);
    subject_->setMaxLength(kMaxSubjectChars);
    keywords_ = new QPlainTextEdit(this);
    keywords_->setMaximumHeight(60);
    fields->addRow(QStringLiteral("Kivo ID"), kivo_id_);
    fields->addRow(QStringLiteral("Start Time"), start_time_);
    fields->addRow(QStringLiteral("End Time"), end_time_);
    fields->addRow(QStringLiteral("&Subject"), subject_);
    fields->addRow(QStringLiteral("&Keywords"), keywords_);
    right->addLayout(fields);
    auto* mark_row = new QHBoxLayout;
    comment_ = new QLineEdit(this);
    comment_->setMaxLength(kMaxCommentChars);
    comment_->setPlaceholderText(QStringLiteral("Index Comment"));
    auto* comment_label = new QLabel(QStringLiteral("&Index Comment"), this);
    comment_label->setBuddy(comment_);
    mark_ = new QPushButton(QStringLiteral("&MARK"), this);
    mark_row->addWidget(comment_label);
    mark_row->addWidget(comment_, 1);
    mark_row->addWidget(mark_);
    right->addLayout(mark_row);
    marks_ = new QTreeWidget(this);
    marks_->setRootIsDecorated(false);
    marks_->setHeaderLabels({QStringLiteral("Comments"), QStringLiteral("Time Stamp")});
    right->addWidget(marks_, 1);
    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    right->addWidget(buttons);
    columns->addLayout(right, 1);
    for (QPushButton* button : {record_, stop_, mark_})
        button->setAutoDefault(false);

    connect(video_devices_, &QComboBox::currentIndexChanged, this,
            [this](int row) { session_->SelectCamera(row); });
    connect(audio_devices_, &QComboBox::currentIndexChanged, this, [this](int row) {
        session_->SelectMicrophone(row);
        ShowState();
    });
    connect(record_, &QPushButton::clicked, this, [this] {
        record_->setEnabled(false);
        if (session_->Record() != 0)
            ShowState();
    });
    connect(stop_, &QPushButton::clicked, this, [this] { session_->Stop(); });
    connect(mark_, &QPushButton::clicked, this, [this] {
        if (session_->AddMark(comment_->text().toStdString()))
            ShowMarks();
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { Save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &VideoRecorderDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { emit helpRequested(QString::fromLatin1(kVideoRecorderHelpTopic)); });
    connect(session_.get(), &VideoSession::stateChanged, this, &VideoRecorderDialog::ShowState);
    connect(&session_->capture(), &VideoCapture::pictureArrived, this,
            [this](const QImage& picture) { preview_->ShowPicture(picture); });
    ticker_ = new QTimer(this);
    ticker_->setInterval(kTickMs);
    connect(ticker_, &QTimer::timeout, this, &VideoRecorderDialog::Tick);
}

VideoRecorderDialog::~VideoRecorderDialog() = default;

bool VideoRecorderDialog::Start() {
    if (session_->Open() != 0)
        return false;
    const QSignalBlocker video_quiet(video_devices_);
    const QSignalBlocker audio_quiet(audio_devices_);
    for (const CameraDevice& camera : session_->cameras())
        video_devices_->addItem(camera.name);
    for (const sound::AudioDeviceInfo& microphone : session_->microphones())
        audio_devices_->addItem(microphone.description);
    video_devices_->setCurrentIndex(session_->selected_camera());
    audio_devices_->setCurrentIndex(session_->selected_microphone());
    ShowState();
    return true;
}

void VideoRecorderDialog::ShowState() {
    const VideoState state = session_->state();
    record_->setEnabled(state == VideoState::kReady && audio_devices_->currentIndex() >= 0);
    stop_->setEnabled(state == VideoState::kRecording);
    mark_->setEnabled(state == VideoState::kRecording);
    ok_->setEnabled(state == VideoState::kStopped);
    video_devices_->setEnabled(state == VideoState::kReady);
    audio_devices_->setEnabled(state == VideoState::kReady);
    start_time_->setText(Shown(session_->start_log_date()));
    end_time_->setText(Shown(session_->end_log_date()));
    if (state == VideoState::kRecording)
        ticker_->start();
    else
        ticker_->stop();
    Tick();
}

void VideoRecorderDialog::ShowMarks() {
    marks_->clear();
    for (const recorder::RecorderMark& mark : session_->marks().marks()) {
        auto* row = new QTreeWidgetItem(marks_);
        row->setText(0, QString::fromStdString(mark.comment));
        row->setText(1, QString::fromStdString(recordstore::DurationText(mark.time_ms)));
    }
}

void VideoRecorderDialog::Tick() {
    duration_->setText(QString::fromStdString(session_->duration_text()));
}

int VideoRecorderDialog::Save() {
    if (session_->state() != VideoState::kStopped)
        return 0;
    session_->set_subject(subject_->text().toStdString());
    session_->set_keywords(keywords_->toPlainText().toStdString());
    const encoding::VideoConversionResult converted = run_conversion(*session_);
    if (converted.outcome == encoding::ConversionOutcome::kAborted)
        return 0;  // the user stopped: nothing is saved, the capture stays
    if (converted.outcome == encoding::ConversionOutcome::kStopped && !converted.message.empty())
        reporter_.ReportText(kPartialRecordingText, core::kStyleExclamation);
    const int result = session_->SaveRecord();
    if (result == 0 || session_->state() == VideoState::kSaved) {
        kivo_id_->setText(QString::number(session_->record_number()));
        accept();
    }
    return result;
}

void VideoRecorderDialog::reject() {
    session_->Stop();
    if (session_->state() == VideoState::kStopped &&
        reporter_.ReportText("Do you want to save the video you recorded?", core::kStyleQuestion) ==
            core::kAnswerYes) {
        Save();
        if (saved())
            return;
    }
    QDialog::reject();
}

}  // namespace kivo::video
