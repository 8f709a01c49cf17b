// The message player's window: a view over PlayerSession. It shows the
// file, position, marks, status and picture, and turns button presses,
// menu commands and double-clicks into session calls.
#pragma once

#include <QMainWindow>

#include "player_session.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMovie;
class QPushButton;
class QSlider;
class QSpinBox;
class QTreeWidget;
class QGroupBox;

namespace kivo::player {

class PlayerWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit PlayerWindow(PlayerSession& session, QWidget* parent = nullptr);
    ~PlayerWindow() override;

    // Opens a file and shows the result (message box on failure unless quiet).
    void OpenFile(const QString& path, bool quiet = false);
    void ShowPathNotFound();

private:
    void BuildMenus();
    QWidget* BuildControls();
    QGroupBox* BuildEffectsPanel();
    void OnOpenTriggered();
    void OnStartClicked();
    void OnEffectsToggled(bool on);
    void OnMailTriggered();
    void OnHelpTriggered(const QString& topic);
    void OnAboutTriggered();
    void OnSavePictureAs();
    void RefreshFromSession();
    void RefreshButtons();
    void RefreshPosition(qint64 position_ms);
    void ShowPicture();
    void ClearPicture();

    PlayerSession& session_;
    QLineEdit* file_name_ = nullptr;
    QLabel* position_text_ = nullptr;
    QSlider* position_bar_ = nullptr;
    QLineEdit* play_from_ = nullptr;
    QLabel* status_line_ = nullptr;
    QTreeWidget* marks_ = nullptr;
    QLabel* picture_ = nullptr;
    QMovie* movie_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* effects_ = nullptr;
    QAction* mail_action_ = nullptr;
    QGroupBox* effects_panel_ = nullptr;
    QSpinBox* speed_ = nullptr;
    QCheckBox* reverse_ = nullptr;
    std::vector<QCheckBox*> effect_on_;
    std::vector<QSlider*> effect_sliders_;
};

}  // namespace kivo::player
