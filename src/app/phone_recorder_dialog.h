// PhoneRecorderDialog: "Phone Recorder", the window in which the user places
// a call or takes a ringing one, records the conversation (PICKUP, PAUSE,
// STOP, MARK), hangs up and saves the call as a phone record. It is not
// modal: the user works in the main window while a call is up.
//
// A view over phone::CallRecorder: the buttons follow its stage, a 200 ms
// timer runs its in-call loop (duration, cost, time remaining and the
// "Alarm On" alarm, the ten level bars, the caller's identity). The window
// is bound to the data store that was open when it was made: it saves only
// there, and the main window closes it (asking to save) before it opens or
// makes another store or closes.
#pragma once

#include <QDialog>
#include <QPointer>

#include <array>
#include <filesystem>
#include <functional>
#include <memory>

#include "kivo/phone/call_recorder.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace kivo::app {

inline constexpr int kPhoneRecorderRefreshMs = 200;
inline constexpr int kPhoneLevelBars = 10;
inline constexpr const char* kTimeLimitReachedText = "The call has reached its time limit.";

class PhoneRecorderDialog : public QDialog {
    Q_OBJECT

public:
    // phone_book: the open store's phone book; commit makes the working
    // folder's changes durable in the store (after a phone book entry).
    PhoneRecorderDialog(telephony::TapiLibrary& library, recorder::RecorderTarget target,
                        core::MessageReporter& reporter, std::filesystem::path phone_book,
                        std::function<void()> commit, QWidget* parent = nullptr);
    ~PhoneRecorderDialog() override;

    phone::CallRecorder& recorder() { return *recorder_; }
    // Where the alarm's wave is (kAlarmWaveName); without it the alarm
    // beeps once.
    void set_sound_folder(std::filesystem::path folder) { sound_folder_ = std::move(folder); }

    void ShowCaller(const QString& name, const QString& number);
    // DIAL: answers the ringing call the user took, or dials the number.
    void Dial();
    // A call left by a crash (CallRecorder::StartRecovered), shown ended
    // for the user to save. False when it could not be taken.
    bool StartRecovered(const recorder::RecoveredTake& take);
    void LineMessage(int message);
    void LineClosed();
    // Hangs up a call still up and asks (message 1) about an unsaved
    // recording. False when the window stays open (its save failed).
    bool CloseAskingToSave();
    void reject() override;

    QPushButton* button(const char* name) const;
    QLineEdit* caller_name_edit() const { return caller_name_; }
    QLineEdit* number_edit() const { return number_; }
    QLineEdit* comment_edit() const { return comment_; }
    QLineEdit* keywords_edit() const { return keywords_; }
    QLineEdit* time_limit_edit() const { return time_limit_; }
    QCheckBox* alarm_box() const { return alarm_on_; }
    QTreeWidget* mark_list() const { return marks_; }
    QString duration_text() const;
    QString cost_text() const;
    QString time_left_text() const;
    int level(int bar) const;

signals:
    // A call was stored in the store.
    void saved();
    void helpRequested(const QString& topic);

private:
    void BuildFields();
    void Refresh();
    void UpdateButtons();
    void ShowMarks();
    void Pickup();
    void Pause();
    void Stop();
    void HangUp();
    void Mark();
    void Save();
    void ChooseFromPhoneBook();
    void AddToPhoneBook();
    void ChangeCostSettings();
    void RaiseTimeLimitAlarm();
    void ShowTimes();
    void StyleFigures(bool over_limit);

    std::unique_ptr<phone::CallRecorder> recorder_;
    core::MessageReporter& reporter_;
    std::filesystem::path phone_book_;
    std::function<void()> commit_;
    QTimer* loop_ = nullptr;

    QLineEdit* caller_name_ = nullptr;
    QLineEdit* number_ = nullptr;
    QLineEdit* keywords_ = nullptr;
    QLineEdit* comment_ = nullptr;
    QLineEdit* time_limit_ = nullptr;
    QCheckBox* alarm_on_ = nullptr;
    QLabel* start_ = nullptr;
    QLabel* end_ = nullptr;
    QLabel* duration_ = nullptr;
    QLabel* cost_ = nullptr;
    QLabel* time_left_ = nullptr;
    QLabel* stage_ = nullptr;
    std::array<QProgressBar*, kPhoneLevelBars> bars_{};
    QTreeWidget* marks_ = nullptr;
    QPointer<QMessageBox> alarm_box_;
    std::filesystem::path sound_folder_;
};

}  // namespace kivo::app
