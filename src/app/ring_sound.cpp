// The ring of the incoming-call window (see ring_sound.h).
#include "ring_sound.h"

#include <QEvent>
#include <QSoundEffect>
#include <QUrl>
#include <QWidget>

namespace kivo::app {

RingSound::RingSound(QWidget* window, const std::filesystem::path& sound_folder,
                     const char* wave_name)
    : QObject(window), effect_(new QSoundEffect(this)) {
    setObjectName(QStringLiteral("ringSound"));
    effect_->setSource(
        QUrl::fromLocalFile(QString::fromStdString((sound_folder / wave_name).string())));
    effect_->setLoopCount(QSoundEffect::Infinite);
    window->installEventFilter(this);
    effect_->play();
    ringing_ = true;
}

void RingSound::Stop() {
    effect_->stop();
    ringing_ = false;
}

bool RingSound::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide || event->type() == QEvent::Close)
        Stop();
    else if (event->type() == QEvent::Show && !ringing_) {
        effect_->play();
        ringing_ = true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kivo::app
