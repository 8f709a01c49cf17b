// Drives the playback window from a foot pedal, the way transcription pedals
// are used: the middle pedal plays while it is held and pauses when it is
// let go; the left and right pedals wind back and forward while held, one
// step at once and then one step every interval.
//
//   PedalWatcher pedal;
//   PedalRemoteBinding binding(&playback_dialog);
//   connect(&pedal, &PedalWatcher::pedalEvent, &binding, &PedalRemoteBinding::handle);
//   pedal.start();
#pragma once

#include <QObject>
#include <QTimer>

#include "kivo/pedal/pedal_report_decoder.h"
#include "kivo/remote/playback_remote_target.h"

namespace kivo::pedal {

class PedalRemoteBinding : public QObject {
    Q_OBJECT

public:
    explicit PedalRemoteBinding(remote::PlaybackRemoteTarget* target, QObject* parent = nullptr);

    // nullptr: events are ignored (no playback window open).
    void setTarget(remote::PlaybackRemoteTarget* target);
    // How far one winding step moves and how often it repeats while held.
    void setWinding(qint64 step_us, int interval_ms);

    static constexpr qint64 kDefaultWindStep_us = 1'000'000;
    static constexpr int kDefaultWindInterval_ms = 250;

public slots:
    void handle(kivo::pedal::PedalEvent event);

private:
    void startWinding(int direction);
    void stopWinding(int direction);
    void windOneStep();

    remote::PlaybackRemoteTarget* target_;
    qint64 wind_step_us_ = kDefaultWindStep_us;
    int wind_direction_ = 0;  // -1 back, +1 forward, 0 still
    QTimer wind_timer_;
};

}  // namespace kivo::pedal
