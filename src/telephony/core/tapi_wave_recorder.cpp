#include "kivo/telephony/tapi_wave_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "kivo/telephony/line_codes.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/fd_io.h"
#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/peak_level.h"
#include "kivo/wavefile/raw_take_file.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::telephony {
namespace {

// The file error of opening `path` for reading or writing, as a multimedia
// file result.
int MmioErrorForErrno(int error, const std::filesystem::path& path) {
    switch (error) {
        case ENOENT: {
            std::error_code ignored;
            const auto folder = path.parent_path();
            if (!folder.empty() && !std::filesystem::is_directory(folder, ignored)) {
                return kMmioPathNotFound;
            }
            return kMmioFileNotFound;
        }
        case ENOTDIR:
            return kMmioPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return kMmioAccessDenied;
        case EMFILE:
        case ENFILE:
            return kMmioTooManyOpenFiles;
        case ETXTBSY:
        case EBUSY:
            return kMmioSharingViolation;
        case ENOMEM:
            return kMmNoMem;
        default:
            return kMmioCannotWrite;
    }
}

int CheckReadable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return MmioErrorForErrno(errno, path);
    }
    ::close(fd);
    return kMmOk;
}

// Whether the wave file can be created, as the save's open would find it.
int CheckWritable(const std::string& path) {
    const std::filesystem::path target(path);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        return kMmioPathNotFound;
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        return MmioErrorForErrno(errno, target);
    }
    if (std::filesystem::is_directory(target, error)) {
        return kMmioAccessDenied;
    }
    return kMmOk;
}

}  // namespace

TapiWaveRecorder::TapiWaveRecorder(TapiWave& fields, DebugSink debug)
    : fields_(fields), debug_(std::move(debug)) {
    fields_.engine = this;
    fields_.takeFile = -1;
}

TapiWaveRecorder::~TapiWaveRecorder() {
    Reset();
    fields_.engine = nullptr;
}

int TapiWaveRecorder::LoadFile(const std::string& path) {
    Reset();
    if (const int open_result = CheckReadable(path); open_result != kMmOk) {
        Debug("mmioOpen() -- Failed to open file: ");
        Debug(path);
        Debug("\n");
        return open_result;
    }
    wavefile::WaveData wave;
    if (!wavefile::ReadWaveFile(path, &wave).ok()) {
        return kMmioInvalidFile;
    }
    const auto pcm = wave.info.format.AsPlayablePcm();
    if (!pcm) {
        return kWaveErrBadFormat;
    }
    if (wave.samples.empty()) {
        Debug("Data chunk actually has no data\n");
        return kMmioChunkNotFound;
    }
    samples_ =
        wavefile::ConvertPcm(wave.samples.data(), wave.samples.size(), *pcm, CallAudioFormat());
    fields_.samples = samples_.data();
    fields_.dataSize = static_cast<std::uint32_t>(samples_.size());
    fields_.hasData = 1;
    return kMmOk;
}

int TapiWaveRecorder::LoadChainedResource() {
    if (fields_.chainedModule == nullptr) {
        return kMmioFileNotFound;
    }
    const std::filesystem::path folder(static_cast<const char*>(fields_.chainedModule));
    const auto path = folder / (std::to_string(fields_.chainedResourceId) + ".wav");
    const int result = LoadFile(path.string());
    if (result != kMmOk) {
        Debug("Failed to find 'wave' resource ");
        Debug(std::to_string(fields_.chainedResourceId));
        Debug("\n");
    }
    return result;
}

int TapiWaveRecorder::Play(std::uint32_t wave_out_id) {
    if (fields_.hasData == 0 || samples_.empty()) {
        return kMmioCannotRead;
    }
    Stop();
    if (provider_ == nullptr) {
        return kMmBadDeviceId;
    }
    const int result = provider_->StartPlayback(wave_out_id, samples_);
    if (result != kMmOk) {
        return result;
    }
    fields_.waveOut = wave_out_id;
    fields_.playing = 1;
    return kMmOk;
}

int TapiWaveRecorder::Record(std::uint32_t wave_in_id) {
    Reset();
    if (provider_ == nullptr) {
        return kMmBadDeviceId;
    }
    buffers_.assign(ZN2TAPI_WAVE_BUFFERS, std::vector<std::uint8_t>(kBufferBytes, 0));
    for (int i = 0; i < ZN2TAPI_WAVE_BUFFERS; ++i) {
        fields_.buffers[i] = buffers_[static_cast<std::size_t>(i)].data();
    }
    const int fd = ::open(fields_.takePath, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        FreeBuffers();
        return MmioErrorForErrno(errno, fields_.takePath);
    }
    const int result = provider_->StartCapture(wave_in_id);
    if (result != kMmOk) {
        ::close(fd);
        FreeBuffers();
        return result;
    }
    take_fd_ = fd;
    fields_.takeFile = fd;
    fields_.waveIn = wave_in_id;
    fields_.currentBuffer = 0;
    fields_.silentBuffers = 0;
    fields_.takeBytes = 0;
    fields_.dataSize = 0;
    fields_.formatSize = 18;
    fields_.hasData = 1;
    filled_bytes_ = 0;
    capturing_ = true;
    return kMmOk;
}

void TapiWaveRecorder::OnCallerAudio(const std::uint8_t* bytes, std::size_t size_bytes) {
    if (!capturing_ || fields_.stopping != 0) {
        return;
    }
    while (size_bytes > 0) {
        auto& buffer = buffers_[static_cast<std::size_t>(fields_.currentBuffer)];
        const std::size_t room = kBufferBytes - filled_bytes_;
        const std::size_t taken = std::min(room, size_bytes);
        std::memcpy(buffer.data() + filled_bytes_, bytes, taken);
        filled_bytes_ += taken;
        bytes += taken;
        size_bytes -= taken;
        if (filled_bytes_ == kBufferBytes) {
            CompleteBuffer();
        }
    }
}

void TapiWaveRecorder::CompleteBuffer() {
    const auto& buffer = buffers_[static_cast<std::size_t>(fields_.currentBuffer)];
    fields_.maxLevel = 0;
    if (fields_.pause == 0) {
        WriteToTake(buffer.data(), buffer.size());
        const auto levels =
            wavefile::ComputePeakLevels(buffer.data(), buffer.size(), CallAudioFormat());
        fields_.maxLevel = levels.left;
        int level_sum = 0;
        for (std::size_t i = 1; i < buffer.size(); i += 2) {
            level_sum += wavefile::SampleLevel(static_cast<std::int8_t>(buffer[i]));
        }
        if (level_sum == 0) {
            ++fields_.silentBuffers;
        }
    }
    filled_bytes_ = 0;
    fields_.currentBuffer = (fields_.currentBuffer + 1) % ZN2TAPI_WAVE_BUFFERS;
}

void TapiWaveRecorder::WriteToTake(const std::uint8_t* bytes, std::size_t size_bytes) {
    if (size_bytes == 0 || take_fd_ < 0) {
        return;
    }
    if (wavefile::WriteAll(take_fd_, bytes, size_bytes)) {
        fields_.takeBytes += static_cast<std::uint32_t>(size_bytes);
    }
}

void TapiWaveRecorder::FinishCapture() {
    if (provider_ != nullptr) {
        provider_->StopCapture();
    }
    if (fields_.pause == 0 && filled_bytes_ > 0) {
        WriteToTake(buffers_[static_cast<std::size_t>(fields_.currentBuffer)].data(),
                    filled_bytes_);
    }
    filled_bytes_ = 0;
    if (take_fd_ >= 0) {
        ::fsync(take_fd_);
        ::close(take_fd_);
    }
    take_fd_ = -1;
    fields_.takeFile = -1;
    fields_.dataSize = fields_.takeBytes;
    fields_.waveIn = 0;
    capturing_ = false;
    FreeBuffers();
}

int TapiWaveRecorder::Stop() {
    if (fields_.stopGuard != 0) {
        fields_.stopGuard = 0;
        return 1;
    }
    fields_.stopGuard = 1;
    if (fields_.playing != 0) {
        Debug("Wave out stopping\n");
        if (provider_ != nullptr) {
            provider_->StopPlayback();
        }
        fields_.playing = 0;
        fields_.waveOut = 0;
    } else if (capturing_) {
        FinishCapture();
    }
    fields_.stopGuard = 0;
    return 1;
}

void TapiWaveRecorder::OnCallEnded() {
    if (capturing_) {
        FinishCapture();
    }
    if (fields_.playing != 0) {
        Stop();
    }
}

int TapiWaveRecorder::AppendTake() {
    return wavefile::AppendTakeFile(fields_.takePath, fields_.accumulatedPath);
}

int TapiWaveRecorder::SaveWaveFile() {
    Debug("SaveWaveFile called\n");
    if (fields_.dataSize == 0) {
        return kMmOk;
    }
    if (const int open_result = CheckWritable(fields_.wavePath); open_result != kMmOk) {
        return open_result;
    }
    const auto written =
        wavefile::WriteRecorderWave(fields_.wavePath, CallAudioFormat(), fields_.accumulatedPath);
    return written.ok() ? kMmOk : kMmioCannotWrite;
}

void TapiWaveRecorder::Reset() {
    Stop();
    FreeBuffers();
    samples_.clear();
    samples_.shrink_to_fit();
    fields_.samples = nullptr;
    fields_.dataSize = 0;
    fields_.hasData = 0;
}

void TapiWaveRecorder::FreeBuffers() {
    buffers_.clear();
    for (auto& pointer : fields_.buffers) {
        pointer = nullptr;
    }
}

void TapiWaveRecorder::OnPlaybackDone() {
    if (fields_.playing == 0) {
        return;
    }
    Debug("WOM_DONE detected\n");
    Stop();
    Reset();
    fields_.playing = 0;
    if (fields_.playAfter != 0 && fields_.chainEnabled == 1) {
        fields_.playAfter = 0;
        if (LoadChainedResource() == kMmOk) {
            Play(fields_.chainedPlaybackDevice);
            return;
        }
        // No resource to play: carry on with the recording, as after it.
    }
    if (fields_.recordAfter != 0 && fields_.chainEnabled == 1) {
        fields_.stopping = 0;
        Record(fields_.chainedRecordingDevice);
    }
}

}  // namespace kivo::telephony
