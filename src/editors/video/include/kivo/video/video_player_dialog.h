// VideoPlayerDialog: the "Kivo Video Player". Plays a stored video record
// (VideoOpening unpacks it) through the video playback kvmp uses too, in a
// video frame, with Play, Pause and Stop; the title line shows the position
// and the record's duration ("00:00:05 / 00:00:12"); the record's marks are
// listed ("Comments", "Time Stamp") and a double-click on one plays from it.
#pragma once

#include <QDialog>
#include <memory>

#include "kivo/audio/video_playback.h"
#include "kivo/video/video_record_opening.h"

class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;
class QVideoWidget;

namespace kivo::video {

class VideoPlayerDialog : public QDialog {
    Q_OBJECT
public:
    // with_sound: false plays silently (the virtual sound card has no
    // device a media player could use).
    VideoPlayerDialog(OpenedVideo video, bool with_sound, QWidget* parent = nullptr);
    ~VideoPlayerDialog() override;

    QTreeWidget* marks_list() const { return marks_; }
    QLabel* title_line() const { return title_line_; }
    QPushButton* play_button() const { return play_; }
    audio::VideoPlayback& playback() { return playback_; }
    // Plays from mark `row` of the list.
    void PlayFromMark(int row);
    // Plays from `ms`; before the media is ready, as soon as it is.
    void PlayFrom(std::int64_t ms);

private:
    void ShowPosition();

    OpenedVideo video_;
    audio::VideoPlayback playback_;
    QVideoWidget* frame_ = nullptr;
    QLabel* title_line_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    QTreeWidget* marks_ = nullptr;
    QTimer* ticker_ = nullptr;
    std::int64_t pending_seek_ms_ = -1;
};

// "hh:mm:ss" as milliseconds; -1 when it is not that form.
std::int64_t TimeStampMs(const std::string& time_stamp);

}  // namespace kivo::video
