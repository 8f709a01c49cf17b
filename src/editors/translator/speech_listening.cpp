// Speaking a text to the sound card (see speech_listening.h).
#include "kivo/translator/speech_listening.h"

#include <algorithm>
#include <cstring>

namespace kivo::translator {

// The spoken samples, handed to the output stream in order.
class SpeechListening::SamplesSource : public sound::PcmSource {
public:
    explicit SamplesSource(std::vector<std::uint8_t> samples) : samples_(std::move(samples)) {}
    std::size_t ReadPcm(std::uint8_t* out, std::size_t max_bytes) override {
        const std::size_t count = std::min(max_bytes & ~std::size_t{1}, samples_.size() - at_);
        std::memcpy(out, samples_.data() + at_, count);
        at_ += count;
        return count;
    }
    bool AtEnd() const override { return at_ >= samples_.size(); }

private:
    std::vector<std::uint8_t> samples_;
    std::size_t at_ = 0;
};

SpeechListening::SpeechListening(sound::AudioBackend& backend, QObject* parent)
    : QObject(parent), backend_(backend) {}

SpeechListening::~SpeechListening() {
    Stop();
}

bool SpeechListening::Listen(const speech::SpeechRequest& request, QString* error) {
    Stop();
    speech::SpokenSpeech spoken;
    if (const wavefile::WaveStatus status = speech::Synthesize(request, &spoken); !status.ok()) {
        *error = QString::fromStdString(status.message());
        return false;
    }
    output_ = backend_.OpenOutput(QByteArray(), spoken.format, error);
    if (output_ == nullptr)
        return false;
    source_ = std::make_unique<SamplesSource>(std::move(spoken.samples));
    connect(output_.get(), &sound::AudioOutputStream::finished, this, [this] {
        Stop();
        emit finished();
    });
    connect(output_.get(), &sound::AudioOutputStream::failed, this, [this] {
        Stop();
        emit finished();
    });
    if (!output_->Start(source_.get(), error)) {
        Stop();
        return false;
    }
    return true;
}

void SpeechListening::Stop() {
    if (output_ != nullptr) {
        output_->disconnect(this);
        output_->Stop();
        // The stream may be inside its own signal: delete it later.
        output_.release()->deleteLater();
    }
    source_.reset();
}

}  // namespace kivo::translator
