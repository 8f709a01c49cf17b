// The "Kivo Video Player" (see video_player_dialog.h).
#include "kivo/video/video_player_dialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QVideoSink>

#include <algorithm>
#include <cstdio>

#include "kivo/core/user_messages.h"
#include "kivo/recorder/video_frame_view.h"
#include "kivo/recordstore/clock.h"

namespace kivo::video {
namespace {

constexpr int kTickMs = 250;
constexpr int kMessageUnsavedChanges = 2;
constexpr int kMessageCannotSave = 109;
constexpr int kMessageIndexFailed = 110;

QPushButton* MakeButton(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

std::int64_t TimeStampMs(const std::string& time_stamp) {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    char tail = 0;
    if (time_stamp.size() != 8 ||
        std::sscanf(time_stamp.c_str(), "%2d:%2d:%2d%c", &hours, &minutes, &seconds, &tail) != 3 ||
        minutes > 59 || seconds > 59 || hours < 0 || minutes < 0 || seconds < 0)
        return -1;
    return (hours * 3600LL + minutes * 60LL + seconds) * 1000;
}

VideoPlayerDialog::VideoPlayerDialog(OpenedVideo video, bool with_sound, QWidget* parent)
    : QDialog(parent), video_(std::move(video)), playback_(with_sound, this) {
    setWindowTitle(QStringLiteral("Kivo Video Player"));
    marks_ = video_.marks();
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    title_line_ = new QLabel(this);
    title_line_->setObjectName(QStringLiteral("title_line"));
    left->addWidget(title_line_);
    frame_ = new recorder::VideoFrameView(this);
    frame_->setObjectName(QStringLiteral("video_frame"));
    frame_->setMinimumSize(320, 240);
    left->addWidget(frame_, 1);
    auto* transport = new QHBoxLayout;
    play_ = MakeButton(QStringLiteral("&Play"), this);
    pause_ = MakeButton(QStringLiteral("P&ause"), this);
    stop_ = MakeButton(QStringLiteral("&Stop"), this);
    for (QPushButton* button : {play_, pause_, stop_})
        transport->addWidget(button);
    left->addLayout(transport);
    columns->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    marks_list_ = new QTreeWidget(this);
    marks_list_->setRootIsDecorated(false);
    marks_list_->setHeaderLabels({QStringLiteral("Comments"), QStringLiteral("Time Stamp")});
    right->addWidget(marks_list_, 1);
    auto* comment_label = new QLabel(QStringLiteral("&Index Comment"), this);
    comment_ = new QLineEdit(this);
    comment_->setMaxLength(static_cast<int>(recordstore::kIndexMarkCommentMaxBytes));
    comment_label->setBuddy(comment_);
    right->addWidget(comment_label);
    auto* marking = new QHBoxLayout;
    marking->addWidget(comment_, 1);
    mark_ = MakeButton(QStringLiteral("&MARK"), this);
    marking->addWidget(mark_);
    right->addLayout(marking);
    auto* closing = new QHBoxLayout;
    save_ = MakeButton(QStringLiteral("Sa&ve"), this);
    close_ = MakeButton(QStringLiteral("&Close"), this);
    auto* help = MakeButton(QStringLiteral("&Help"), this);
    for (QPushButton* button : {save_, close_, help})
        closing->addWidget(button);
    right->addLayout(closing);
    columns->addLayout(right);

    playback_.SetVideoOutput(frame_->sink());
    connect(play_, &QPushButton::clicked, this, [this] {
        if (playback_.is_ready())
            playback_.Play();
        else
            pending_seek_ms_ = 0;
    });
    connect(pause_, &QPushButton::clicked, this, [this] { playback_.Pause(); });
    connect(stop_, &QPushButton::clicked, this, [this] {
        playback_.Stop();
        ShowPosition();
    });
    connect(mark_, &QPushButton::clicked, this,
            [this] { AddMark(comment_->text().toStdString()); });
    connect(save_, &QPushButton::clicked, this, [this] { SaveMarks(); });
    connect(close_, &QPushButton::clicked, this, &VideoPlayerDialog::reject);
    connect(help, &QPushButton::clicked, this,
            [this] { emit helpRequested(QString::fromLatin1(kVideoPlayerHelpTopic)); });
    connect(marks_list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        PlayFromMark(marks_list_->indexOfTopLevelItem(item));
    });
    connect(&playback_, &audio::VideoPlayback::ready, this, [this] {
        if (pending_seek_ms_ >= 0) {
            playback_.Seek(pending_seek_ms_);
            playback_.Play();
            pending_seek_ms_ = -1;
        }
    });
    ticker_ = new QTimer(this);
    ticker_->setInterval(kTickMs);
    connect(ticker_, &QTimer::timeout, this, [this] {
        ShowPosition();
        ShowState();
    });
    ticker_->start();
    playback_.Load(QString::fromStdString(video_.media_path().string()));
    ShowMarks();
    ShowPosition();
    ShowState();
}

VideoPlayerDialog::~VideoPlayerDialog() {
    playback_.Unload();
}

void VideoPlayerDialog::AllowSaving(VideoMarksSaver saver, core::MessageReporter& reporter) {
    saver_.emplace(std::move(saver));
    reporter_ = &reporter;
    ShowState();
}

void VideoPlayerDialog::PlayFromMark(int row) {
    if (row < 0 || row >= static_cast<int>(marks_.size()))
        return;
    const std::int64_t at_ms = TimeStampMs(marks_[row].time_stamp);
    if (at_ms >= 0)
        PlayFrom(at_ms);
}

void VideoPlayerDialog::PlayFrom(std::int64_t ms) {
    if (!playback_.is_ready()) {
        pending_seek_ms_ = ms;
        return;
    }
    playback_.Seek(ms);
    playback_.Play();
}

int VideoPlayerDialog::AddMark(const std::string& comment) {
    if (marks_.size() >= recordstore::kMaxIndexMarks)
        return -1;
    const std::int64_t at_ms = playback_.position_ms();
    recordstore::IndexMark mark =
        recordstore::MakeIndexMark(recordstore::DurationText(at_ms), comment);
    // After every mark of the same second: marks keep the order they were made in.
    const auto place = std::upper_bound(marks_.begin(), marks_.end(), at_ms / 1000 * 1000,
                                        [](std::int64_t ms, const recordstore::IndexMark& m) {
                                            return ms < TimeStampMs(m.time_stamp);
                                        });
    const int row = static_cast<int>(place - marks_.begin());
    marks_.insert(place, std::move(mark));
    marks_changed_ = true;
    ShowMarks();
    ShowState();
    return row;
}

int VideoPlayerDialog::SaveMarks() {
    if (!saver_ || !marks_changed_)
        return 0;
    playback_.Pause();
    const VideoMarksSaver::Result result =
        saver_->Save(video_.fields().record_number, video_.container_name(), marks_);
    if (!result.stored()) {
        reporter_->ReportMessage(kMessageCannotSave, core::kStyleExclamation);
        return kMessageCannotSave;
    }
    marks_changed_ = false;
    int message = 0;
    if (!result.ok()) {
        message = kMessageIndexFailed;
        reporter_->ReportMessage(message, core::kStyleExclamation);
    }
    QDialog::accept();
    return message;
}

void VideoPlayerDialog::reject() {
    playback_.Pause();
    if (saver_ && marks_changed_) {
        if (reporter_->ReportMessage(kMessageUnsavedChanges, core::kStyleQuestion) ==
            core::kAnswerYes) {
            // A failed save keeps the window (and the marks) open.
            SaveMarks();
            return;
        }
        marks_changed_ = false;
    }
    QDialog::reject();
}

void VideoPlayerDialog::ShowPosition() {
    title_line_->setText(
        QString::fromStdString(recordstore::DurationText(playback_.position_ms())) +
        QStringLiteral(" / ") + QString::fromStdString(video_.fields().duration));
}

void VideoPlayerDialog::ShowMarks() {
    marks_list_->clear();
    for (const recordstore::IndexMark& mark : marks_) {
        auto* row = new QTreeWidgetItem(marks_list_);
        row->setText(0, QString::fromStdString(mark.comment));
        row->setText(1, QString::fromStdString(mark.time_stamp));
    }
}

void VideoPlayerDialog::ShowState() {
    mark_->setEnabled(playback_.is_playing());
    save_->setEnabled(saver_.has_value() && marks_changed_);
}

}  // namespace kivo::video
