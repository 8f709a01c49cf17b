// The fixture of the video recorder tests: a real data store loaded into a
// working folder, a profile, a virtual microphone on the real-time clock
// playing a tone, and camera providers: the virtual camera, none, and one
// that breaks off.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "audio_test_support.h"
#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/core/user_messages.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/sound/virtual_audio_backend.h"
#include "kivo/video/system_cameras.h"
#include "temp_dir.h"
#include "test_signals.h"

namespace kivo::test {

namespace fs = std::filesystem;

// The virtual camera, always (whatever KIVO_VIDEO says).
class VirtualCameraOnly : public video::CameraProvider {
public:
    std::vector<video::CameraDevice> Cameras() const override {
        return {{video::kVirtualCameraName, "virtual"}};
    }
    std::unique_ptr<video::CameraSource> Make(const video::CameraDevice&) const override {
        return video::MakeVirtualCamera();
    }
};

class NoCameras : public video::CameraProvider {
public:
    std::vector<video::CameraDevice> Cameras() const override { return {}; }
    std::unique_ptr<video::CameraSource> Make(const video::CameraDevice&) const override {
        return nullptr;
    }
};

class VideoStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteWave(dir_.file("in.wav"), video::kCaptureSound,
                  MakeTone(video::kCaptureSound, 440.0, 30'000));
        sound::VirtualAudioBackend::Options options;
        options.input_wave_path = QString::fromStdString(dir_.file("in.wav"));
        backend_ = std::make_unique<sound::VirtualAudioBackend>(options);
        fs::create_directories(work_);
        store_ = std::make_unique<core::DataStoreSession>(work_, &profile_, "anna");
        const core::StoreLocation location{dir_.path(), "KIVO"};
        const int built = store_->BuildDataStore(location);
        ASSERT_TRUE(built == 0 || built == 102) << built;  // 102: no greeting sounds here
        store_->set_location(location);
        ASSERT_EQ(store_->LoadDataStore(), 0);
        target_ = recorder::RecorderTarget{work_, store_->store_path(), &profile_, "anna", 0, {}};
    }

    TempDir dir_;
    fs::path work_ = dir_.path() / "work";
    std::unique_ptr<sound::VirtualAudioBackend> backend_;
    core::ProfileFile profile_{dir_.file("KIVO.ini")};
    std::unique_ptr<core::DataStoreSession> store_;
    core::RecordingMessageReporter reporter_{core::kAnswerNo};
    recorder::RecorderTarget target_;
    VirtualCameraOnly virtual_camera_;
};

}  // namespace kivo::test
