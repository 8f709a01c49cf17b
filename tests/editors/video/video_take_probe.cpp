// A video recorder in a process of its own, for the take journal test: it
// captures the virtual camera and a silent virtual microphone into a take
// journal in TAKES, with a subject and a mark, says "recording" once two
// seconds are captured and then waits to be killed.
//
//   video_take_probe WORKING_FOLDER TAKES_FOLDER
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "kivo/core/user_messages.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "kivo/video/system_cameras.h"
#include "kivo/video/video_session.h"

namespace {

class VirtualCamera : public kivo::video::CameraProvider {
public:
    std::vector<kivo::video::CameraDevice> Cameras() const override {
        return {{kivo::video::kVirtualCameraName, "virtual"}};
    }
    std::unique_ptr<kivo::video::CameraSource> Make(
        const kivo::video::CameraDevice&) const override {
        return kivo::video::MakeVirtualCamera();
    }
};

bool PumpUntil(const std::function<bool()>& done) {
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 30'000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    QCoreApplication app(argc, argv);
    kivo::sound::VirtualAudioBackend backend({});
    VirtualCamera camera;
    kivo::core::RecordingMessageReporter reporter;
    kivo::recorder::RecorderTarget target{argv[1], {}, nullptr, "probe", 0, argv[2]};
    kivo::video::VideoSession session(backend, camera, target, reporter);
    if (session.Open() != 0)
        return 3;
    session.set_subject("Crashed porch");
    if (session.Record() != 0)
        return 4;
    if (!PumpUntil([&] { return session.duration_ms() >= 1000; }))
        return 5;
    session.AddMark("Before the crash");
    if (!PumpUntil([&] { return session.duration_ms() >= 2500; }))
        return 5;
    std::printf("recording\n");
    std::fflush(stdout);
    PumpUntil([] { return false; });  // until killed
    return 6;
}
