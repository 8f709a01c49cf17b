// Helpers for the remote-control tests: running a program while this
// process's event loop keeps serving the bus, and a recording playback target.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <string>
#include <vector>

#include "kivo/remote/playback_remote_target.h"

namespace kivo::test {

struct ProcessOutcome {
    bool finished = false;  // false: could not start, or timed out and was killed
    int exit_code = -1;
    QString standard_output;
    QString standard_error;
};

// Runs program to its end with the event loop running, so that the program
// can call back into this process (over D-Bus) while we wait.
ProcessOutcome RunServingEvents(const QString& program, const QStringList& arguments,
                                int timeout_ms = 20000);

// Spins the event loop until done() holds or timeout_ms passes.
template <typename Done>
bool WaitUntil(Done done, int timeout_ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeout_ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// A playback target that records every call by name.
class RecordingTarget : public remote::PlaybackRemoteTarget {
public:
    std::vector<std::string> calls;
    qint64 position = 12'500'000;
    remote::PlaybackStatus status = remote::PlaybackStatus::Paused;
    remote::PlaybackMetadata track{QStringLiteral("00000042"),
                                   QStringLiteral("Board meeting notes"), 60'000'000};

    void playPause() override { calls.push_back("playPause"); }
    void play() override { calls.push_back("play"); }
    void pause() override { calls.push_back("pause"); }
    void stop() override { calls.push_back("stop"); }
    void next() override { calls.push_back("next"); }
    void previous() override { calls.push_back("previous"); }
    void seek(qint64 offset_us) override {
        calls.push_back("seek " + std::to_string(offset_us));
        position = std::clamp<qint64>(position + offset_us, 0, track.length_us);
    }
    void setPosition(qint64 position_us) override {
        calls.push_back("setPosition " + std::to_string(position_us));
        position = position_us;
    }
    qint64 position_us() const override { return position; }
    remote::PlaybackStatus playbackStatus() const override { return status; }
    remote::PlaybackMetadata metadata() const override { return track; }
    void command(int code) override { calls.push_back("command " + std::to_string(code)); }

    bool received(const std::string& call) const {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }
};

}  // namespace kivo::test
