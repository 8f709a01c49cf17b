// A dictation as the answering machine's greeting (see dictation_greeting.h).
#include "kivo/phone/dictation_greeting.h"

#include <stdlib.h>

#include <system_error>
#include <vector>

#include "kivo/audio/wave_merge.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/recording_container.h"
#include "kivo/telephony/line_provider.h"
#include "kivo/wavefile/wave_reader.h"
#include "kivo/wavefile/wave_writer.h"

namespace kivo::phone {
namespace {

namespace fs = std::filesystem;

// A private folder in the working folder, removed with what it holds.
class UnpackFolder {
public:
    explicit UnpackFolder(const fs::path& working_folder) {
        std::string pattern = (working_folder / "greetingXXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~UnpackFolder() {
        std::error_code error;
        if (!path_.empty())
            fs::remove_all(path_, error);
    }
    UnpackFolder(const UnpackFolder&) = delete;
    UnpackFolder& operator=(const UnpackFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

bool IsCallFormat(const wavefile::PcmFormat& format) {
    const wavefile::PcmFormat call = telephony::CallAudioFormat();
    return format.channels == call.channels && format.sample_rate_hz == call.sample_rate_hz &&
           format.bits_per_sample == call.bits_per_sample;
}

// Writes the greeting beside the old one, then renames it over it.
bool ReplaceGreeting(const fs::path& working_folder, const std::vector<std::uint8_t>& samples) {
    const fs::path greeting = working_folder / recordstore::kGreetingName;
    const fs::path fresh = working_folder / (std::string(recordstore::kGreetingName) + ".new");
    if (!wavefile::WritePcmWave(fresh.string(), telephony::CallAudioFormat(), samples).ok())
        return false;
    std::error_code error;
    fs::rename(fresh, greeting, error);
    if (error) {
        fs::remove(fresh, error);
        return false;
    }
    return true;
}

}  // namespace

GreetingOutcome UseDictationAsGreeting(const fs::path& working_folder, const fs::path& store_path,
                                       const std::string& container_name) {
    GreetingOutcome outcome;
    const UnpackFolder unpack(working_folder);
    const auto files = recorder::RecordFiles::ForStoredRecord(unpack.path(), container_name);
    if (!files) {
        outcome.result = GreetingResult::kNotADictation;
        return outcome;
    }
    if (unpack.path().empty() ||
        recordstore::RecordingContainer(container_name, recordstore::MediaKind::kAudio)
                .OpenFromStore(unpack.path().string(), store_path.string(),
                               static_cast<int>(recordstore::MemberSelector::kMedia)) !=
            recordstore::ContainerResult::kDone) {
        outcome.result = GreetingResult::kUnpackFailed;
        return outcome;
    }

    wavefile::WaveData wave;
    if (!wavefile::ReadWaveFile(files->wave_path().string(), &wave).ok()) {
        outcome.result = GreetingResult::kConversionFailed;
        return outcome;
    }
    const auto format = wave.info.format.AsPlayablePcm();
    if (!format) {
        outcome.result = GreetingResult::kConversionFailed;
        return outcome;
    }
    std::vector<std::uint8_t> samples;
    if (IsCallFormat(*format)) {
        samples = std::move(wave.samples);
    } else {
        outcome.converted = true;
        if (!audio::ConvertPcm(*format, wave.samples, telephony::CallAudioFormat(), &samples)) {
            outcome.result = GreetingResult::kConversionFailed;
            return outcome;
        }
    }
    if (!ReplaceGreeting(working_folder, samples))
        outcome.result = GreetingResult::kWriteFailed;
    return outcome;
}

}  // namespace kivo::phone
