// Pedal events to playback calls.
#include "kivo/pedal/pedal_remote_binding.h"

namespace kivo::pedal {

PedalRemoteBinding::PedalRemoteBinding(remote::PlaybackRemoteTarget* target, QObject* parent)
    : QObject(parent), target_(target) {
    wind_timer_.setInterval(kDefaultWindInterval_ms);
    connect(&wind_timer_, &QTimer::timeout, this, &PedalRemoteBinding::windOneStep);
}

void PedalRemoteBinding::setTarget(remote::PlaybackRemoteTarget* target) {
    wind_timer_.stop();
    wind_direction_ = 0;
    target_ = target;
}

void PedalRemoteBinding::setWinding(qint64 step_us, int interval_ms) {
    wind_step_us_ = step_us;
    wind_timer_.setInterval(interval_ms);
}

void PedalRemoteBinding::handle(PedalEvent event) {
    if (!target_) {
        return;
    }
    switch (event) {
        case PedalEvent::PlayPressed:
            target_->play();
            break;
        case PedalEvent::PlayReleased:
            target_->pause();
            break;
        case PedalEvent::RewindPressed:
            startWinding(-1);
            break;
        case PedalEvent::RewindReleased:
            stopWinding(-1);
            break;
        case PedalEvent::FastForwardPressed:
            startWinding(+1);
            break;
        case PedalEvent::FastForwardReleased:
            stopWinding(+1);
            break;
    }
}

void PedalRemoteBinding::startWinding(int direction) {
    wind_direction_ = direction;
    windOneStep();
    wind_timer_.start();
}

// Letting go of one winding pedal while the other is held leaves the newer one in charge.
void PedalRemoteBinding::stopWinding(int direction) {
    if (wind_direction_ == direction) {
        wind_direction_ = 0;
        wind_timer_.stop();
    }
}

void PedalRemoteBinding::windOneStep() {
    if (target_ && wind_direction_ != 0) {
        target_->seek(wind_direction_ * wind_step_us_);
    }
}

}  // namespace kivo::pedal
