// "Kivo Diary Reminder" (see reminder_window.h).
#include "kivo/diary/reminder_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>

#include "kivo/recorder/record_files.h"
#include "xrsave.h"

namespace kivo::diary {
namespace {

constexpr int kDefaultSnooze_minutes = 10;
constexpr int kPlacementStep_px = 50;

// Windows open now: each new one is placed below and right of the last.
int open_windows = 0;

}  // namespace

ReminderWindow::ReminderWindow(sound::AudioBackend& backend, std::filesystem::path working_folder,
                               std::filesystem::path store_path, const DueReminder& reminder,
                               const QString& subject, QWidget* parent)
    : QDialog(parent),
      document_(backend),
      working_folder_(std::move(working_folder)),
      store_path_(std::move(store_path)),
      container_name_(reminder.container_name) {
    setWindowTitle(QStringLiteral("Kivo Diary Reminder"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(subject.isEmpty() ? QStringLiteral("Diary entry") : subject, this),
                    0, 0, 1, 4);
    play_ = new QPushButton(QStringLiteral("&Play"), this);
    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    cancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    snooze_ = new QPushButton(QStringLiteral("S&nooze"), this);
    for (QPushButton* button : {play_, stop_, cancel_, snooze_})
        button->setAutoDefault(false);
    grid->addWidget(play_, 1, 0);
    grid->addWidget(stop_, 1, 1);
    grid->addWidget(cancel_, 1, 2);
    grid->addWidget(snooze_, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Snooze time"), this), 2, 0);
    snooze_time_ = new QSpinBox(this);
    snooze_time_->setRange(1, 1440);
    snooze_time_->setValue(kDefaultSnooze_minutes);
    snooze_time_->setSuffix(QStringLiteral(" min"));
    grid->addWidget(snooze_time_, 2, 1);
    nag_me_ = new QCheckBox(QStringLiteral("Nag Me"), this);
    nag_me_->setChecked(reminder.nag_me);
    grid->addWidget(nag_me_, 2, 2, 1, 2);

    connect(play_, &QPushButton::clicked, this, &ReminderWindow::Replay);
    connect(stop_, &QPushButton::clicked, this, [this] { document_.Stop(); });
    connect(cancel_, &QPushButton::clicked, this, [this] {
        answer_ = ReminderAnswer::kDismissed;
        reject();
    });
    connect(snooze_, &QPushButton::clicked, this, [this] {
        answer_ = ReminderAnswer::kSnoozed;
        accept();
    });
    connect(&document_, &audio::WaveDocument::playbackFinished, this,
            &ReminderWindow::OnPlaybackFinished);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QPoint corner = screen->availableGeometry().topLeft();
        move(corner + QPoint(kPlacementStep_px, kPlacementStep_px) * open_windows);
    }
    ++open_windows;
}

ReminderWindow::~ReminderWindow() {
    document_.Stop();
    document_.Close();
    if (!wave_path_.empty()) {
        std::error_code error;
        std::filesystem::remove(wave_path_, error);
    }
    --open_windows;
}

bool ReminderWindow::PlayRecording() {
    const auto files = recorder::RecordFiles::ForStoredRecord(working_folder_, container_name_);
    if (!files)
        return false;
    if (XRopenXRZ(container_name_.c_str(), working_folder_.string().c_str(),
                  store_path_.string().c_str(), XR_OPEN_MEDIA) != 0)
        return false;
    wave_path_ = files->wave_path();
    if (document_.Open(QString::fromStdString(wave_path_.string())) != audio::kWaveOk)
        return false;
    return document_.PlayFrom(0) == audio::kWaveOk;
}

void ReminderWindow::Replay() {
    if (!document_.is_open())
        return;
    document_.Stop();
    document_.PlayFrom(0);
}

int ReminderWindow::snooze_minutes() const {
    return snooze_time_->value();
}

void ReminderWindow::OnPlaybackFinished() {
    if (!nag_me_->isChecked())
        return;
    answer_ = ReminderAnswer::kNagAgain;
    accept();
}

}  // namespace kivo::diary
