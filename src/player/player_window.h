// The message player's window: a view over PlayerSession. It shows the
// file, position, marks, status, picture or video, and turns button
// presses, menu commands and double-clicks into session calls.
//
// Help: F1 opens the help contents at the section of the control that has
// the focus; the Help menu opens the contents and the recording-files page.
// Every topic goes through the help opener (the browser by default).
#pragma once

#include <QMainWindow>
#include <functional>

#include "player_session.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMovie;
class QProgressBar;
class QPushButton;
class QSlider;
class QSpinBox;
class QTreeWidget;
class QGroupBox;
class QHBoxLayout;

namespace kivo::recorder {
class VideoFrameView;
}

namespace kivo::player {

class PlayerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PlayerWindow(PlayerSession& session, QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Opens a file and shows the result (message box on failure unless quiet).
    void OpenFile(const QString& path, bool quiet = false);
    void ShowPathNotFound();

    // Receives every help topic ("166.htm", "166.htm#marks", "900.htm").
    using HelpOpener = std::function<void(const QString& topic)>;
    void SetHelpOpener(HelpOpener opener) { help_opener_ = std::move(opener); }
    // The topic F1 opens for `control` (its own section, else the nearest
    // enclosing control's, else the contents).
    static QString ContextHelpTopic(const QWidget* control);

private:
    void BuildMenus();
    QWidget* BuildControls();
    // Subject, when recorded, and length, each with its caption.
    QHBoxLayout* BuildRecordingFacts(QWidget* central);
    void ShowRecordingFacts();
    QGroupBox* BuildEffectsPanel();
    void OnOpenTriggered();
    void OnStartClicked();
    void OnEffectsToggled(bool on);
    void OnMailTriggered();
    void OnHelpTriggered(const QString& topic);
    void OnContextHelp();
    void ShowEffectLevel(int index, int value);
    void OnAboutTriggered();
    void OnSavePictureAs();
    void RefreshFromSession();
    void RefreshButtons();
    void RefreshPosition(qint64 position_ms);
    void ShowPicture();
    void ClearPicture();

    PlayerSession& session_;
    QLineEdit* file_name_ = nullptr;
    QLabel* subject_text_ = nullptr;
    QLabel* recorded_text_ = nullptr;
    QLabel* length_text_ = nullptr;
    QLabel* position_text_ = nullptr;
    QSlider* position_bar_ = nullptr;
    QLineEdit* play_from_ = nullptr;
    QLabel* status_line_ = nullptr;
    QTreeWidget* marks_ = nullptr;
    QLabel* picture_ = nullptr;
    QMovie* movie_ = nullptr;
    recorder::VideoFrameView* video_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* effects_ = nullptr;
    QAction* mail_action_ = nullptr;
    QGroupBox* effects_panel_ = nullptr;
    int width_without_effects_ = 0;
    QSpinBox* speed_ = nullptr;
    QProgressBar* speed_level_ = nullptr;
    QCheckBox* reverse_ = nullptr;
    std::vector<QCheckBox*> effect_on_;
    std::vector<QSlider*> effect_sliders_;
    std::vector<QProgressBar*> effect_levels_;
    HelpOpener help_opener_;
};

}  // namespace kivo::player
