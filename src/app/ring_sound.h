// RingSound: the ring heard while the incoming-call window is open. It
// plays the ring wave ("3003.wav" in the program's sound folder) over and
// over until the window closes, is hidden or is destroyed.
#pragma once

#include <QObject>

#include <filesystem>

class QSoundEffect;
class QWidget;

namespace kivo::app {

inline constexpr const char* kRingWaveName = "3003.wav";
// The Phone Recorder's time-limit alarm, played the same way while its
// notice is shown.
inline constexpr const char* kAlarmWaveName = "3002.wav";

class RingSound : public QObject {
    Q_OBJECT

public:
    // Starts ringing at once; `window` owns the sound. wave_name: the wave
    // of the sound folder that is played.
    RingSound(QWidget* window, const std::filesystem::path& sound_folder,
              const char* wave_name = kRingWaveName);

    bool ringing() const { return ringing_; }
    QSoundEffect* effect() const { return effect_; }
    void Stop();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSoundEffect* effect_ = nullptr;
    bool ringing_ = false;
};

}  // namespace kivo::app
