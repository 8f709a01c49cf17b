// Playing a recording into the call (see play_over_line_dialog.h).
#include "play_over_line_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <system_error>

#include "kivo/core/user_messages.h"
#include "kivo/phone/telephony_error_text.h"
#include "kivo/telephony/tapi_library.h"

namespace kivo::app {

PlayOverLineDialog::PlayOverLineDialog(telephony::TapiLibrary& library, std::filesystem::path wave,
                                       std::vector<std::filesystem::path> unpacked,
                                       core::MessageReporter& reporter, QWidget* parent)
    : QDialog(parent),
      library_(library),
      wave_(std::move(wave)),
      unpacked_(std::move(unpacked)),
      reporter_(reporter) {
    setWindowTitle(QStringLiteral("Play over the phone line"));
    play_ = new QPushButton(QStringLiteral("&Play"), this);
    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    close_ = new QPushButton(QStringLiteral("&Close"), this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {play_, stop_, close_})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("The other party hears the recording while it plays."), this));
    layout->addLayout(buttons);
    connect(play_, &QPushButton::clicked, this, &PlayOverLineDialog::Play);
    connect(stop_, &QPushButton::clicked, this, &PlayOverLineDialog::Stop);
    connect(close_, &QPushButton::clicked, this, &PlayOverLineDialog::reject);
    ShowPlaying(false);
    // The recording ends by itself, or with the call.
    auto* watch = new QTimer(this);
    watch->setInterval(200);
    connect(watch, &QTimer::timeout, this, [this] {
        if (stop_->isEnabled() && library_.status().recorder.playing == 0)
            ShowPlaying(false);
    });
    watch->start();
}

PlayOverLineDialog::~PlayOverLineDialog() {
    for (const std::filesystem::path& file : unpacked_) {
        std::error_code error;
        std::filesystem::remove(file, error);
    }
}

bool PlayOverLineDialog::Play() {
    TapiStatus& status = library_.status();
    if (status.callConnected == 0) {
        reporter_.ReportText(kNoCallConnectedText, core::kStyleInformation);
        return false;
    }
    if (status.recording != 0) {
        reporter_.ReportText(kStopRecordingFirstText, core::kStyleInformation);
        return false;
    }
    library_.PlayFile(wave_.c_str());
    if (status.status > 0) {
        reporter_.ReportText(phone::TelephonyErrorText(status.status), core::kStyleExclamation);
        return false;
    }
    ShowPlaying(true);
    return true;
}

void PlayOverLineDialog::Stop() {
    if (library_.status().recording == 0)
        library_.Stop();
    ShowPlaying(false);
}

void PlayOverLineDialog::reject() {
    Stop();
    QDialog::reject();
}

void PlayOverLineDialog::ShowPlaying(bool playing) {
    play_->setEnabled(!playing);
    stop_->setEnabled(playing);
    close_->setEnabled(!playing);
}

}  // namespace kivo::app
