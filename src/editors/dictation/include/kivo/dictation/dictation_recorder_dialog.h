// DictationRecorderDialog: the "Dictation Recorder", a thin view over a
// DictationSession. It shows the transport state, follows the position with
// a timer while recording or playing, shows the input level while
// recording, lists the marks (comments of the user's marks are edited in
// place), and passes every click on to the session. Closing with an unsaved
// recording asks message 1 through the session.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <string>

#include "kivo/audio/mixer_selector.h"
#include "kivo/dictation/dictation_session.h"
#include "kivo/recorder/picture_frame.h"
#include "kivo/recorder/position_refresh.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace kivo::recorder {
class PositionBar;
}

namespace kivo::dictation {

// The help page of the dialog (share/kivo/help).
inline constexpr const char* kDictationHelpTopic = "300.htm";

class DictationRecorderDialog : public QDialog {
    Q_OBJECT
public:
    DictationRecorderDialog(sound::AudioBackend& backend, DictationTarget target,
                            core::MessageReporter& reporter, QWidget* parent = nullptr);
    ~DictationRecorderDialog() override;

    // Opens the empty recording; false (the message was shown) when there
    // is no recording device.
    bool Start();
    // Opens a finished wave for review as a new dictation; false (the
    // message was shown) when it cannot be opened.
    bool StartFromWave(const std::filesystem::path& wave);
    // Opens a take recovered after a crash as a new dictation, with its
    // subject, keywords, marks, picture and original times; false (the
    // message was shown) when it cannot be opened.
    bool StartRecovered(const recorder::RecoveredTake& take);
    // Opens a stored dictation by its container name for editing, its save
    // bound to the store the session holds now (DictationSession::OpenStored);
    // false (the message was shown) when it cannot be edited.
    bool StartEdit(const std::string& container_name, core::DataStoreSession& store);
    // The program is ending (a termination signal): closes without asking,
    // leaving an unsaved take where the next start offers to recover it.
    void CloseKeepingTake();
    // Texts a new recording starts with (priming, New Dictation).
    void SetPrimedTexts(const QString& subject, const QString& keywords);
    // Offers the predefined index comments of shared_text (see
    // predefined_comments.h) in the "Index Comment" list, in order, and
    // clears shared_text: the comments are used by this recorder alone.
    void TakePredefinedComments(std::string& shared_text);

    DictationSession& session() { return *session_; }
    bool saved() const { return session_->saved(); }

    // The controls, for tests and screenshots.
    QPushButton* record_button() const { return record_; }
    QPushButton* stop_button() const { return stop_; }
    QPushButton* ok_button() const { return ok_; }
    QPushButton* mark_button() const { return mark_; }
    QPushButton* play_button() const { return play_; }
    QPushButton* cancel_button() const { return cancel_; }
    QLineEdit* subject_edit() const { return subject_; }
    QPlainTextEdit* keywords_edit() const { return keywords_; }
    QLabel* record_id_label() const { return record_id_; }
    QCheckBox* record_insert_box() const { return record_insert_; }
    QComboBox* device_box() const { return device_; }
    QTreeWidget* marks_list() const { return marks_; }
    QSpinBox* cut_from_spin() const { return cut_from_; }
    QSpinBox* cut_to_spin() const { return cut_to_; }
    QSlider* start_slider() const { return start_slider_; }
    QSlider* end_slider() const { return end_slider_; }
    // The "hh:mm:ss" texts beside "Cut From" and "Cut To".
    QLabel* cut_from_time_label() const { return cut_from_time_; }
    QLabel* cut_to_time_label() const { return cut_to_time_; }
    QLabel* position_label() const { return position_; }
    recorder::PositionBar* position_bar() const { return progress_; }
    QLabel* start_time_label() const { return start_time_; }
    QLabel* end_time_label() const { return end_time_; }
    QLabel* length_label() const { return length_; }
    QComboBox* index_comment_box() const { return index_comment_; }
    QPushButton* rewind_button() const { return rewind_; }
    QPushButton* fast_forward_button() const { return fast_forward_; }
    QPushButton* cut_button() const { return cut_; }
    QPushButton* reset_button() const { return reset_; }
    // The status icon beside the transport and the picture it shows.
    QLabel* status_icon_label() const { return status_; }
    recorder::StatusIcon status_icon() const { return refresh_.icon(); }
    QLabel* picture_frame() const { return picture_->frame(); }
    // The picture frame's context menu as it would show now.
    std::unique_ptr<QMenu> BuildPictureMenu();

signals:
    // F1 or HELP: the window opens the page.
    void helpRequested(const QString& topic);

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* BuildTransport();
    QWidget* BuildFields();
    QWidget* BuildCutRow();
    QWidget* BuildPicture();
    void ShowState();
    void ShowPosition();
    void ShowRanges();
    void ShowStatusIcon();
    void OnPositionTimer();
    void OnSliderMoved(QSlider* slider, int seconds);
    void OnSliderReleased(QSlider* slider);
    void ShowMarks();
    void OnRecord();
    void OnMark();
    void OnOk();
    void OnInsertPicture();
    void OnRemovePicture();
    void OnMarkEdited(QTreeWidgetItem* item, int column);
    bool ShowIfOpened(int opened);
    void ShowOpenedRecording();
    void FillDeviceBox();
    void PassTextsToSession();
    void CloseThroughSession();

    std::unique_ptr<DictationSession> session_;
    audio::MixerSelector mixer_;
    QTimer* position_timer_;
    recorder::PositionRefresh refresh_;
    bool closing_ = false;
    bool showing_marks_ = false;

    QLabel* record_id_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QLabel* start_time_ = nullptr;
    QLabel* end_time_ = nullptr;
    QPlainTextEdit* keywords_ = nullptr;
    QComboBox* index_comment_ = nullptr;
    QPushButton* mark_ = nullptr;
    QTreeWidget* marks_ = nullptr;
    QPushButton* rewind_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* fast_forward_ = nullptr;
    QCheckBox* record_insert_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* length_ = nullptr;
    recorder::PositionBar* progress_ = nullptr;
    QProgressBar* level_ = nullptr;
    QSpinBox* cut_from_ = nullptr;
    QSpinBox* cut_to_ = nullptr;
    QLabel* cut_from_time_ = nullptr;
    QLabel* cut_to_time_ = nullptr;
    QSlider* start_slider_ = nullptr;
    QSlider* end_slider_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* cut_ = nullptr;
    QPushButton* reset_ = nullptr;
    QComboBox* device_ = nullptr;
    recorder::PictureFrame* picture_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace kivo::dictation
