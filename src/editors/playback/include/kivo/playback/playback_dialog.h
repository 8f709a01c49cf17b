// PlaybackDialog: "Kivo Internal Message Player", the window over a
// PlaybackSession. It shows the position (slider and "hh:mm:ss / hh:mm:ss"),
// the transport buttons, a level bar with the position in percent, when the
// recording was made ("Started:") and when it was last played, the index
// marks with the type of each in a word, a speed
// control and, behind "Effects...", the "Sound Effects" panel with a level
// bar per effect and "&Reverse". Record inserts new audio at the current
// position (not with the effects on); the buttons then show the recording
// state until Stop. OK saves marks and inserted audio back into the data
// store; CANCEL leaves the marks as they were and asks before dropping
// inserted audio. New closes the player the same way and then asks for a
// new dictation (newRecordingRequested).
//
// The dialog only forwards clicks to the session and redraws on its signals.
#pragma once

#include <QDialog>
#include <array>

#include "kivo/audio/effect_settings.h"
#include "kivo/playback/playback_session.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTreeWidget;

namespace kivo::playback {

inline constexpr char kPlaybackDialogTitle[] = "Kivo Internal Message Player";

class PlaybackDialog : public QDialog {
    Q_OBJECT
public:
    explicit PlaybackDialog(PlaybackSession& session, QWidget* parent = nullptr);

    PlaybackSession& session() { return session_; }
    // Opens or closes the "Sound Effects" panel (the Effects... button).
    void SetEffectsPanelVisible(bool visible);

    void accept() override;
    void reject() override;
    // The program closes the player (File > Open or New, the main window
    // closing, another Play): changed marks and inserted audio are saved or
    // dropped only after asking (PlaybackSession::AskToSaveChanges). False
    // when the save failed: the player stays open and says why.
    bool CloseAskingToSave();

protected:
    void keyPressEvent(QKeyEvent* event) override;

signals:
    // New was pressed and the player closed: the window opens the recorder.
    void newRecordingRequested();

private:
    QWidget* BuildTransport();
    QWidget* BuildMarks();
    QWidget* BuildTextsPanel();
    void ShowTexts();
    QGroupBox* BuildEffectsPanel();
    void ShowPosition(qint64 position_ms);
    void ShowMarks();
    void ShowState();
    void ShowRecording();
    void OnSliderMoved(int seconds);
    void OnEffectChanged(int index);
    bool CloseWithoutSaving();

    PlaybackSession& session_;
    QLabel* subject_label_ = nullptr;
    QSlider* position_slider_ = nullptr;
    QLabel* position_label_ = nullptr;
    QPushButton* start_button_ = nullptr;
    QPushButton* pause_button_ = nullptr;
    QPushButton* stop_button_ = nullptr;
    QPushButton* record_button_ = nullptr;
    QPushButton* effects_button_ = nullptr;
    QPushButton* new_button_ = nullptr;
    std::array<QPushButton*, 5> moving_buttons_{};  // Prev, RWnd, FFwd, Next, Mark
    QProgressBar* level_bar_ = nullptr;
    QProgressBar* speed_level_ = nullptr;
    std::array<QProgressBar*, audio::kEffectCount> effect_levels_{};
    QLabel* recorded_label_ = nullptr;
    QLabel* clock_label_ = nullptr;
    QLabel* date_label_ = nullptr;
    QSpinBox* speed_spin_ = nullptr;
    QLineEdit* mark_comment_ = nullptr;
    QTreeWidget* marks_list_ = nullptr;
    QGroupBox* effects_panel_ = nullptr;
    QWidget* texts_panel_ = nullptr;
    QPlainTextEdit* original_view_ = nullptr;
    QPlainTextEdit* translated_view_ = nullptr;
    std::array<QCheckBox*, audio::kEffectCount> effect_switches_{};
    std::array<QSlider*, audio::kEffectCount> effect_sliders_{};
    bool slider_held_ = false;
};

}  // namespace kivo::playback
