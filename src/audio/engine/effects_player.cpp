// Playback with effects and live speed (see effects_player.h). A segment is
// one uninterrupted run from a start frame: the pipeline pulls source frames
// (straight from memory, or rendered by the effects worker), passes them
// through the speed stage when the speed is not 100 %, and hands 16-bit PCM
// to the output stream.
#include "kivo/audio/effects_player.h"

#include <algorithm>

#include "audio_log.h"
#include "effect_stream.h"
#include "kivo/audio/effect_render.h"
#include "kivo/audio/speed_stage.h"
#include "kivo/wavefile/pcm_convert.h"
#include "kivo/wavefile/wave_reader.h"

namespace kivo::audio {

namespace {

constexpr int kPositionIntervalMs = 100;
constexpr std::size_t kPullBlockFrames = 1024;

wavefile::PcmFormat OutputFormatFor(const wavefile::PcmFormat& source) {
    return wavefile::PcmFormat{source.channels, source.sample_rate_hz, 16};
}

}  // namespace

class EffectsPlayer::Pipeline : public sound::PcmSource {
public:
    Pipeline(std::shared_ptr<const std::vector<std::uint8_t>> pcm,
             const wavefile::PcmFormat& format, std::int64_t start_frame, const EffectSet& effects,
             int speed_percent)
        : pcm_(std::move(pcm)),
          format_(format),
          output_format_(OutputFormatFor(format)),
          cursor_frame_(start_frame),
          end_frame_(static_cast<std::int64_t>(pcm_->size()) / format.block_align_bytes()) {
        if (AnyRenderedEffectOn(effects)) {
            effect_stream_ = std::make_unique<internal::EffectStream>();
            effect_stream_->Start(pcm_, format_, start_frame, EffectStepsFor(effects));
        }
        SetSpeed(speed_percent);
    }

    void SetSpeed(int percent) {
        if (!use_speed_ && percent == kSpeedNormal) {
            return;
        }
        if (!use_speed_) {
            use_speed_ = true;
            speed_.Configure(format_.channels, format_.sample_rate_hz);
        }
        speed_.SetSpeedPercent(percent);
    }

    std::size_t ReadPcm(std::uint8_t* out, std::size_t max_bytes) override {
        const auto channels = static_cast<std::size_t>(format_.channels);
        const std::size_t wanted =
            max_bytes / static_cast<std::size_t>(output_format_.block_align_bytes());
        floats_.resize(wanted * channels);
        std::size_t produced = 0;
        while (produced < wanted) {
            float* at = floats_.data() + produced * channels;
            if (!use_speed_) {
                const std::size_t got = Pull(at, wanted - produced);
                produced += got;
                if (got == 0) {
                    break;
                }
                continue;
            }
            const std::size_t got = speed_.Receive(at, wanted - produced);
            produced += got;
            if (got > 0) {
                continue;
            }
            if (input_done_) {
                if (flushed_) {
                    break;
                }
                speed_.Flush();
                flushed_ = true;
                continue;
            }
            block_.resize(kPullBlockFrames * channels);
            const std::size_t pulled = Pull(block_.data(), kPullBlockFrames);
            if (pulled > 0) {
                speed_.Put(block_.data(), pulled);
            } else if (!input_done_) {
                break;  // the effects worker has nothing ready yet
            }
        }
        wavefile::EncodeFloatToPcm(floats_.data(), produced, output_format_, out);
        return produced * static_cast<std::size_t>(output_format_.block_align_bytes());
    }

    bool AtEnd() const override {
        return input_done_ && (!use_speed_ || (flushed_ && speed_.ready_frames() == 0));
    }

    // Source frames taken into the pipeline minus those still inside the
    // speed stage.
    double source_frames_out() const {
        return static_cast<double>(pulled_frames_) -
               (use_speed_ ? speed_.pending_source_frames() : 0.0);
    }
    int speed_percent() const { return use_speed_ ? speed_.speed_percent() : kSpeedNormal; }
    std::string error() const { return effect_stream_ ? effect_stream_->error() : std::string(); }
    const wavefile::PcmFormat& output_format() const { return output_format_; }

private:
    std::size_t Pull(float* out, std::size_t max_frames) {
        std::size_t got = 0;
        if (effect_stream_) {
            bool finished = false;
            got = effect_stream_->Read(out, max_frames, &finished);
            input_done_ = finished && got == 0;
        } else {
            got = static_cast<std::size_t>(std::min<std::int64_t>(
                static_cast<std::int64_t>(max_frames), end_frame_ - cursor_frame_));
            wavefile::DecodePcmToFloat(
                pcm_->data() + static_cast<std::size_t>(cursor_frame_) *
                                   static_cast<std::size_t>(format_.block_align_bytes()),
                got, format_, out);
            cursor_frame_ += static_cast<std::int64_t>(got);
            input_done_ = got == 0;
        }
        pulled_frames_ += static_cast<std::int64_t>(got);
        return got;
    }

    std::shared_ptr<const std::vector<std::uint8_t>> pcm_;
    wavefile::PcmFormat format_;
    wavefile::PcmFormat output_format_;
    std::int64_t cursor_frame_;
    std::int64_t end_frame_;
    std::unique_ptr<internal::EffectStream> effect_stream_;
    SpeedStage speed_;
    bool use_speed_ = false;
    bool input_done_ = false;
    bool flushed_ = false;
    std::int64_t pulled_frames_ = 0;
    std::vector<float> floats_;
    std::vector<float> block_;
};

void EffectsPlayer::StreamDeleter::operator()(QObject* stream) const {
    stream->disconnect();
    stream->deleteLater();
}

EffectsPlayer::EffectsPlayer(sound::AudioBackend& backend, QObject* parent)
    : QObject(parent), backend_(backend) {
    position_timer_.setInterval(kPositionIntervalMs);
    connect(&position_timer_, &QTimer::timeout, this,
            [this] { emit positionChanged(position_ms()); });
}

EffectsPlayer::~EffectsPlayer() {
    CleanDSound();
}

int EffectsPlayer::InitDSound(const QString& wave_path, int* current_speed, int* minimum_speed,
                              int* maximum_speed) {
    CleanDSound();
    wavefile::WaveData wave;
    const wavefile::WaveStatus status = wavefile::ReadWaveFile(wave_path.toStdString(), &wave);
    if (!status.ok()) {
        last_error_ = QString::fromStdString(status.message());
        return kErrorCannotRead;
    }
    const auto pcm = wave.info.format.AsPlayablePcm();
    if (!pcm) {
        last_error_ = QStringLiteral("the wave is not 8- or 16-bit PCM in one or two channels");
        return kErrorUnsupportedFormat;
    }
    if (backend_.OutputDevices().empty()) {
        last_error_ = QStringLiteral("there is no playback device");
        return kErrorNoDevice;
    }
    format_ = *pcm;
    pcm_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(wave.samples));
    position_frame_ = 0;
    if (current_speed != nullptr)
        *current_speed = speed_percent_;
    if (minimum_speed != nullptr)
        *minimum_speed = kSpeedMinimum;
    if (maximum_speed != nullptr)
        *maximum_speed = kSpeedMaximum;
    return kOk;
}

int EffectsPlayer::SetEffects(const EffectPair* effects, int count) {
    const EffectSet before = effects_;
    for (int i = 0; i < std::min(count, kEffectCount); ++i) {
        if (i == kEffectSpeed) {
            // A speed of 0 means "not given": keep the current one.
            if (effects[i].value != 0) {
                AdjEffects(kEffectSpeed, effects[i].value);
            }
            continue;
        }
        effects_[i] = EffectPair{effects[i].on != 0 ? 1 : 0, ClampEffectValue(i, effects[i].value)};
    }
    bool changed = false;
    for (int i = kEffectEcho; i < kEffectCount; ++i) {
        changed = changed || before[i].on != effects_[i].on ||
                  (effects_[i].on != 0 && before[i].value != effects_[i].value);
    }
    if (is_playing() && changed) {
        return StartSegment(position_frames());
    }
    return kOk;
}

int EffectsPlayer::PlayDSound(int start_percent, const EffectPair* effects, int count) {
    if (!is_initialised()) {
        return kErrorNotInitialised;
    }
    StopSegment();
    SetEffects(effects, count);
    const std::int64_t start = start_percent == kFromCurrentPosition
                                   ? position_frame_
                                   : length_frames() * std::clamp(start_percent, 0, 100) / 100;
    return StartSegment(start);
}

int EffectsPlayer::PlayFromMs(std::int64_t position_ms) {
    if (!is_initialised()) {
        return kErrorNotInitialised;
    }
    return StartSegment(
        std::clamp<std::int64_t>(wavefile::MsToFrames(position_ms, format_), 0, length_frames()));
}

int EffectsPlayer::StartSegment(std::int64_t start_frame) {
    StopSegment();
    position_frame_ = std::clamp<std::int64_t>(start_frame, 0, length_frames());
    pipeline_ =
        std::make_unique<Pipeline>(pcm_, format_, position_frame_, effects_, speed_percent_);
    QString error;
    std::unique_ptr<sound::AudioOutputStream, StreamDeleter> output(
        backend_.OpenOutput(QByteArray(), pipeline_->output_format(), &error).release());
    if (!output || !output->Start(pipeline_.get(), &error)) {
        pipeline_.reset();
        last_error_ = error;
        return kErrorNoDevice;
    }
    connect(output.get(), &sound::AudioOutputStream::finished, this,
            &EffectsPlayer::OnSegmentFinished);
    connect(output.get(), &sound::AudioOutputStream::failed, this, &EffectsPlayer::OnSegmentFailed);
    output_ = std::move(output);
    segment_start_frame_ = position_frame_;
    position_timer_.start();
    return kOk;
}

void EffectsPlayer::StopSegment() {
    if (output_) {
        position_frame_ = position_frames();
        output_->Stop();
        output_.reset();
    }
    pipeline_.reset();
    position_timer_.stop();
}

void EffectsPlayer::StopDSound() {
    StopSegment();
}

void EffectsPlayer::CleanDSound() {
    StopSegment();
    pcm_.reset();
    position_frame_ = 0;
}

std::int64_t EffectsPlayer::length_frames() const {
    if (!pcm_) {
        return 0;
    }
    return static_cast<std::int64_t>(pcm_->size()) / format_.block_align_bytes();
}

std::int64_t EffectsPlayer::position_frames() const {
    if (!output_ || !pipeline_) {
        return position_frame_;
    }
    // What left the pipeline, minus what the device holds but has not
    // played yet (in source frames at the current speed).
    const double queued_output =
        static_cast<double>(output_->ReadFrames() - output_->PlayedFrames());
    const double played_source =
        pipeline_->source_frames_out() - queued_output * pipeline_->speed_percent() / kSpeedNormal;
    return std::clamp<std::int64_t>(segment_start_frame_ + static_cast<std::int64_t>(played_source),
                                    segment_start_frame_, length_frames());
}

std::int64_t EffectsPlayer::position_ms() const {
    return wavefile::FramesToMs(position_frames(), format_);
}

std::int64_t EffectsPlayer::length_ms() const {
    return wavefile::FramesToMs(length_frames(), format_);
}

int EffectsPlayer::GetPosn() const {
    const std::int64_t length = length_frames();
    return length == 0 ? 0 : static_cast<int>(position_frames() * 100 / length);
}

void EffectsPlayer::SetPosn(int percent) {
    SetPositionFrames(length_frames() * std::clamp(percent, 0, 100) / 100);
}

void EffectsPlayer::SetPositionMs(std::int64_t position_ms) {
    SetPositionFrames(wavefile::MsToFrames(position_ms, format_));
}

void EffectsPlayer::SetPositionFrames(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, length_frames());
    if (is_playing()) {
        StartSegment(frame);
    } else {
        position_frame_ = frame;
    }
}

int EffectsPlayer::AdjEffects(int index, int value) {
    if (index < 0 || index >= kEffectCount) {
        return value;
    }
    const int applied = ClampEffectValue(index, value);
    if (index == kEffectSpeed) {
        speed_percent_ = applied;
        effects_[kEffectSpeed].value = applied;
        if (pipeline_) {
            pipeline_->SetSpeed(applied);
        }
        return applied;
    }
    const bool changed = effects_[index].value != applied;
    effects_[index].value = applied;
    if (changed && effects_[index].on != 0 && is_playing()) {
        StartSegment(position_frames());
    }
    return applied;
}

void EffectsPlayer::OnSegmentFinished() {
    const std::string error = pipeline_ ? pipeline_->error() : std::string();
    if (output_) {
        output_->Stop();
    }
    output_.reset();
    pipeline_.reset();
    position_timer_.stop();
    if (!error.empty()) {
        last_error_ = QString::fromStdString(error);
        emit playbackFailed(last_error_);
        return;
    }
    position_frame_ = length_frames();
    emit positionChanged(position_ms());
    emit playbackFinished();
}

void EffectsPlayer::OnSegmentFailed(const QString& error) {
    StopSegment();
    last_error_ = error;
    qCDebug(lcAudio).noquote() << "Effects playback failed: " + error;
    emit playbackFailed(error);
}

}  // namespace kivo::audio
