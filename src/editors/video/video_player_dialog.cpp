// The "Kivo Video Player" (see video_player_dialog.h).
#include "kivo/video/video_player_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QVideoWidget>

#include <cstdio>

#include "kivo/recordstore/clock.h"

namespace kivo::video {
namespace {

constexpr int kTickMs = 250;

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
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    title_line_ = new QLabel(this);
    title_line_->setObjectName(QStringLiteral("title_line"));
    left->addWidget(title_line_);
    frame_ = new QVideoWidget(this);
    frame_->setMinimumSize(320, 240);
    left->addWidget(frame_, 1);
    auto* transport = new QHBoxLayout;
    play_ = new QPushButton(QStringLiteral("&Play"), this);
    pause_ = new QPushButton(QStringLiteral("P&ause"), this);
    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    for (QPushButton* button : {play_, pause_, stop_}) {
        button->setAutoDefault(false);
        transport->addWidget(button);
    }
    left->addLayout(transport);
    columns->addLayout(left, 1);
    marks_ = new QTreeWidget(this);
    marks_->setRootIsDecorated(false);
    marks_->setHeaderLabels({QStringLiteral("Comments"), QStringLiteral("Time Stamp")});
    for (const recordstore::IndexMark& mark : video_.marks()) {
        auto* row = new QTreeWidgetItem(marks_);
        row->setText(0, QString::fromStdString(mark.comment));
        row->setText(1, QString::fromStdString(mark.time_stamp));
    }
    columns->addWidget(marks_);

    playback_.SetVideoOutput(frame_);
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
    connect(marks_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { PlayFromMark(marks_->indexOfTopLevelItem(item)); });
    connect(&playback_, &audio::VideoPlayback::ready, this, [this] {
        if (pending_seek_ms_ >= 0) {
            playback_.Seek(pending_seek_ms_);
            playback_.Play();
            pending_seek_ms_ = -1;
        }
    });
    ticker_ = new QTimer(this);
    ticker_->setInterval(kTickMs);
    connect(ticker_, &QTimer::timeout, this, &VideoPlayerDialog::ShowPosition);
    ticker_->start();
    playback_.Load(QString::fromStdString(video_.media_path().string()));
    ShowPosition();
}

VideoPlayerDialog::~VideoPlayerDialog() {
    playback_.Unload();
}

void VideoPlayerDialog::PlayFromMark(int row) {
    if (row < 0 || row >= static_cast<int>(video_.marks().size()))
        return;
    const std::int64_t at_ms = TimeStampMs(video_.marks()[row].time_stamp);
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

void VideoPlayerDialog::ShowPosition() {
    title_line_->setText(
        QString::fromStdString(recordstore::DurationText(playback_.position_ms())) +
        QStringLiteral(" / ") + QString::fromStdString(video_.fields().duration));
}

}  // namespace kivo::video
