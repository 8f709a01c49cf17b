#include "answering_demo.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <vector>

#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/wave_writer.h"
#include "zn2tapi.h"

namespace kivo::line_tool {
namespace {

constexpr std::uint32_t kToneResourceId = 1;

// A tone of `ms` at `hz` in call format.
std::vector<std::uint8_t> Tone(int ms, double hz) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < ms * 8; ++i) {
        const auto value =
            static_cast<std::int16_t>(8000.0 * std::sin(2.0 * M_PI * hz * i / 8000.0));
        bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    return bytes;
}

// Receives the library's messages and answers like the answering machine.
class AnsweringMachine : public QObject {
public:
    AnsweringMachine(TapiStatus* status, const AnsweringOptions& options, const QString& folder)
        : status_(status), options_(options), folder_(folder.toStdString()) {}

    bool event(QEvent* event) override {
        switch (static_cast<int>(event->type())) {
            case ZN2TAPI_MSG_RING:
                std::printf("Ringing...\n");
                break;
            case ZN2TAPI_MSG_CALLER_ID:
                std::printf("Caller: %s <%s>\n", status_->callerName,
                            status_->callerIdValid ? status_->callerNumber : "number withheld");
                break;
            case ZN2TAPI_MSG_ANSWER_NOW:
                std::printf("Answering\n");
                Zn2TapiAnswer();
                break;
            case ZN2TAPI_MSG_CONNECTED:
                StartGreeting();
                break;
            case ZN2TAPI_MSG_DISCONNECTED:
                SaveMessage();
                break;
            case ZN2TAPI_MSG_IDLE:
                if (options_.once && answered_) {
                    QCoreApplication::exit(saved_ ? 0 : 1);
                }
                break;
            default:
                return QObject::event(event);
        }
        std::fflush(stdout);
        return true;
    }

private:
    void StartGreeting() {
        answered_ = true;
        Zn2TapiGetWaveID(4, "wave/in");
        Zn2TapiGetWaveID(4, "wave/out");
        Zn2TapiSetResource(folder_.c_str(), kToneResourceId);
        const std::string take = folder_ + "/take.raw";
        const std::string accumulated = folder_ + "/message.raw";
        Zn2TapiSetRecord(take.c_str(), accumulated.c_str(), options_.message_path.c_str());
        Zn2TapiPlayFile(greeting().c_str());
        std::printf("Playing the greeting (status %d)\n", status_->status);
    }

    void SaveMessage() {
        if (!answered_) {
            return;
        }
        // The chained recording is the machine's own: mark it before stopping.
        status_->recording = 1;
        Zn2TapiStop();
        Zn2TapiSave();
        saved_ = status_->status == 0;
        if (saved_) {
            std::printf("Message saved: %s\n", options_.message_path.c_str());
        } else {
            std::printf("Saving the message failed: status %d\n", status_->status);
        }
    }

    std::string greeting() const {
        return options_.greeting_path.empty() ? folder_ + "/greeting.wav" : options_.greeting_path;
    }

    TapiStatus* status_;
    AnsweringOptions options_;
    std::string folder_;
    bool answered_ = false;
    bool saved_ = false;
};

}  // namespace

int RunAnsweringDemo(const AnsweringOptions& options) {
    int argc = 1;
    char name[] = "kivo-line";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "kivo-line: cannot make a temporary folder\n");
        return 1;
    }
    const std::string base = folder.path().toStdString();
    const auto format = telephony::CallAudioFormat();
    wavefile::WritePcmWave(base + "/" + std::to_string(kToneResourceId) + ".wav", format,
                           Tone(300, 1200));
    auto greeting = Tone(400, 520);
    const auto second = Tone(400, 660);
    greeting.insert(greeting.end(), second.begin(), second.end());
    wavefile::WritePcmWave(base + "/greeting.wav", format, greeting);

    TapiStatus* status = Zn2TapiInitVar();
    status->deviceId = static_cast<std::uint32_t>(options.device);
    status->rings = options.rings;
    status->autoAnswer = 1;
    Zn2TapiInit(nullptr);
    AnsweringMachine machine(status, options, folder.path());
    Zn2TapiOpen(&machine);
    if (status->status != 0 || status->lineOpen == 0) {
        std::fprintf(stderr, "kivo-line: cannot open line %d (status %d)\n", options.device,
                     status->status);
        Zn2TapiClose();
        return 1;
    }
    std::printf("Answering line %d after %d rings; ring it with \"kivo-line ring NUMBER NAME\"\n",
                options.device, status->rings);
    std::fflush(stdout);
    const int result = app.exec();
    Zn2TapiClose();
    return result;
}

}  // namespace kivo::line_tool
