// VideoPlayerDialog: the "Kivo Video Player". Plays a stored video record
// (VideoOpening unpacks it) through the video playback kvmp uses too, in a
// video frame, with Play, Pause and Stop; the title line shows the position
// and the record's duration ("00:00:05 / 00:00:12"); the record's marks are
// listed ("Comments", "Time Stamp") and a double-click on one plays from it.
//
// While playing, MARK adds a mark {the "Index Comment" text, the position}.
// With saving allowed (AllowSaving), Save writes the marks back into the
// record through a VideoMarksSaver and closes; closing with marks not saved
// asks message 2 (Yes saves, No drops them); a save that fails reports
// message 109 and keeps the window open, so no mark is lost unasked.
#pragma once

#include <QDialog>
#include <memory>
#include <optional>
#include <vector>

#include "kivo/audio/video_playback.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/video/video_marks_saver.h"
#include "kivo/video/video_record_opening.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace kivo::core {
class MessageReporter;
}
namespace kivo::recorder {
class VideoFrameView;
}

namespace kivo::video {

inline constexpr const char* kVideoPlayerHelpTopic = "video-player.htm";

class VideoPlayerDialog : public QDialog {
    Q_OBJECT
public:
    // with_sound: false plays silently (the virtual sound card has no
    // device a media player could use).
    VideoPlayerDialog(OpenedVideo video, bool with_sound, QWidget* parent = nullptr);
    ~VideoPlayerDialog() override;

    // Lets Save write the marks into the store `saver` is bound to; the
    // questions and failures go to `reporter`.
    void AllowSaving(VideoMarksSaver saver, core::MessageReporter& reporter);

    QTreeWidget* marks_list() const { return marks_list_; }
    QLabel* title_line() const { return title_line_; }
    recorder::VideoFrameView* frame() const { return frame_; }
    QPushButton* play_button() const { return play_; }
    QPushButton* mark_button() const { return mark_; }
    QPushButton* save_button() const { return save_; }
    QLineEdit* comment_edit() const { return comment_; }
    audio::VideoPlayback& playback() { return playback_; }
    // Plays from mark `row` of the list.
    void PlayFromMark(int row);
    // Plays from `ms`; before the media is ready, as soon as it is.
    void PlayFrom(std::int64_t ms);

    // MARK: a mark {comment, the position now} in time order; its row, or
    // -1 when the list is full (5000 marks).
    int AddMark(const std::string& comment);
    const std::vector<recordstore::IndexMark>& marks() const { return marks_; }
    bool marks_changed() const { return marks_changed_; }
    // Save: 0 (the window closes), or the message code reported (109 not
    // stored, 110 stored without the index entry; the window closes too).
    int SaveMarks();

signals:
    void helpRequested(const QString& topic);

public slots:
    void reject() override;

private:
    void ShowPosition();
    void ShowMarks();
    void ShowState();

    OpenedVideo video_;
    audio::VideoPlayback playback_;
    std::vector<recordstore::IndexMark> marks_;
    bool marks_changed_ = false;
    std::optional<VideoMarksSaver> saver_;
    core::MessageReporter* reporter_ = nullptr;
    recorder::VideoFrameView* frame_ = nullptr;
    QLabel* title_line_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* mark_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* close_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QTreeWidget* marks_list_ = nullptr;
    QTimer* ticker_ = nullptr;
    std::int64_t pending_seek_ms_ = -1;
};

// "hh:mm:ss" as milliseconds; -1 when it is not that form.
std::int64_t TimeStampMs(const std::string& time_stamp);

}  // namespace kivo::video
