// PlayOverLineDialog: "Play over the phone line": plays a record's
// recording into the call that is connected, so that the other party hears
// it. Play, Stop and Close; it plays at once when it opens. The unpacked
// recording it was given is deleted when it closes.
//
// The line's recorder either plays or records: while the Phone Recorder is
// recording the call, Play is refused with kStopRecordingFirstText.
#pragma once

#include <QDialog>

#include <filesystem>
#include <vector>

class QPushButton;

namespace kivo::core {
class MessageReporter;
}
namespace kivo::telephony {
class TapiLibrary;
}

namespace kivo::app {

inline constexpr const char* kNoCallConnectedText =
    "No telephone call is connected.\nPlace or take a call in the Phone Recorder, then play the "
    "recording over the line.";
inline constexpr const char* kStopRecordingFirstText =
    "The call is being recorded.\nStop the recording in the Phone Recorder, then play the "
    "recording over the line.";

class PlayOverLineDialog : public QDialog {
    Q_OBJECT

public:
    // wave: the recording to play; unpacked: files to delete at the end.
    PlayOverLineDialog(telephony::TapiLibrary& library, std::filesystem::path wave,
                       std::vector<std::filesystem::path> unpacked, core::MessageReporter& reporter,
                       QWidget* parent = nullptr);
    ~PlayOverLineDialog() override;

    // True when the playback started.
    bool Play();
    void Stop();
    void reject() override;

    QPushButton* play_button() const { return play_; }
    QPushButton* stop_button() const { return stop_; }
    QPushButton* close_button() const { return close_; }

private:
    void ShowPlaying(bool playing);

    telephony::TapiLibrary& library_;
    std::filesystem::path wave_;
    std::vector<std::filesystem::path> unpacked_;
    core::MessageReporter& reporter_;
    QPushButton* play_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace kivo::app
