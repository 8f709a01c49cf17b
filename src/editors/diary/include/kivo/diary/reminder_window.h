// ReminderWindow: "Kivo Diary Reminder", the window a due diary entry opens.
// It takes the entry's recording out of its container into the working
// folder and plays it at once; "Play" plays it again, "Stop" stops it,
// "Cancel" closes, "Snooze" closes and asks for the entry again after the
// "Snooze time" in minutes (default 10). When the play ends with "Nag Me"
// ticked (it starts ticked for a "Nag Me" entry) the window closes and the
// entry comes back a minute later. The extracted wave is deleted on close.
// Each window opens at the top left of the screen, 50 pixels right and down
// of the one before while others are open.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <string>

#include "kivo/audio/wave_document.h"
#include "kivo/diary/diary_reminder.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace kivo::diary {

enum class ReminderAnswer { kDismissed, kSnoozed, kNagAgain };

class ReminderWindow : public QDialog {
    Q_OBJECT
public:
    // store_path: the data store holding the entry's container.
    ReminderWindow(sound::AudioBackend& backend, std::filesystem::path working_folder,
                   std::filesystem::path store_path, const DueReminder& reminder,
                   const QString& subject, QWidget* parent = nullptr);
    ~ReminderWindow() override;

    // Extracts and plays the recording. False when it cannot be played (the
    // window still shows, to be answered).
    bool PlayRecording();
    // Plays the extracted recording again from its start ("Play").
    void Replay();

    ReminderAnswer answer() const { return answer_; }
    int snooze_minutes() const;

    QPushButton* play_button() const { return play_; }
    QPushButton* stop_button() const { return stop_; }
    QPushButton* snooze_button() const { return snooze_; }
    QPushButton* cancel_button() const { return cancel_; }
    QCheckBox* nag_me_box() const { return nag_me_; }
    QSpinBox* snooze_box() const { return snooze_time_; }
    bool playing() const { return document_.is_playing(); }

private:
    void OnPlaybackFinished();

    audio::WaveDocument document_;
    std::filesystem::path wave_path_;
    std::filesystem::path working_folder_;
    std::filesystem::path store_path_;
    std::string container_name_;
    ReminderAnswer answer_ = ReminderAnswer::kDismissed;
    QPushButton* play_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* snooze_ = nullptr;
    QSpinBox* snooze_time_ = nullptr;
    QCheckBox* nag_me_ = nullptr;
};

}  // namespace kivo::diary
