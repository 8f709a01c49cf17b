// Importing one audio file as a record (see import_audio_file.h).
#include "kivo/exchange/import_audio_file.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>
#include <system_error>

#include "import_record_times.h"
#include "import_source.h"
#include "kivo/decoding/audio_decoder.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/wavefile/pcm_format.h"
#include "kivo/wavefile/wave_writer.h"
#include "private_folder.h"
#include "store_imported_record.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using Outcome = AudioImportResult::Outcome;

constexpr int kProgressKindFile = 0;
constexpr int kProgressKindStatus = 2;

AudioImportResult Ended(Outcome outcome, std::string reason, int message = 0) {
    AudioImportResult result;
    result.outcome = outcome;
    result.reason = std::move(reason);
    result.message = message;
    return result;
}

recordstore::RecordFields FieldsOf(const fs::path& source, const decoding::AudioTags& tags,
                                   std::int64_t length_ms, int quality,
                                   const recorder::RecordFiles& files) {
    recordstore::RecordFields fields;
    fields.kind_code = recordstore::kind_code::kWaveMessage;
    fields.text_a = "0";
    fields.subject = tags.title.empty() ? source.filename().string() : tags.title;
    fields.container_name = files.container_name();
    const std::time_t start = StartOfImportedFile(source, tags.date);
    std::tie(fields.start_date, fields.start_time) = DateAndTime(start);
    std::tie(fields.end_date, fields.end_time) =
        DateAndTime(start + static_cast<std::time_t>(length_ms / 1000));
    fields.duration = recordstore::DurationText(length_ms);
    fields.recording_quality = std::to_string(quality);
    return fields;
}

}  // namespace

AudioImportResult AudioFileImport::Import(const fs::path& source,
                                          const AudioImportProgress& progress) const {
    const auto report = [&progress](int kind, int value) {
        if (progress)
            progress(kind, value);
    };
    report(kProgressKindStatus, 0);
    if (const std::optional<std::string> refusal = ImportSourceRefusal(source))
        return Ended(Outcome::kUndecodable, *refusal);
    PrivateFolder scratch(target_.working_folder, "audio-import-");
    if (!scratch.ok())
        return Ended(Outcome::kNotSaved, "no room in the working folder", 108);

    const wavefile::PcmFormat format = wavefile::FormatForQuality(target_.recording_quality);
    decoding::DecodeRequest request;
    request.target = {format.channels, format.sample_rate_hz, format.bits_per_sample};
    request.stop = stop_;
    request.progress = [&report](int percent) { report(kProgressKindFile, percent); };
    const fs::path raw = scratch.path() / "decoded.pcm";
    const decoding::DecodeResult decoded =
        decoding::DecodeToRawPcm(source.string(), raw.string(), request);
    if (decoded.status.code() == decoding::DecodeStatus::Code::kStopped)
        return Ended(Outcome::kStopped, decoded.status.reason());
    if (!decoded.status.ok())
        return Ended(Outcome::kUndecodable, decoded.status.reason());

    report(kProgressKindStatus, 1);
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(target_.working_folder);
    if (!wavefile::WriteRecorderWave(files.wave_path().string(), format, raw.string()).ok()) {
        files.RemoveAll();
        return Ended(Outcome::kNotSaved, "the wave could not be written", 108);
    }
    fs::remove(raw);
    report(kProgressKindFile, 100);

    report(kProgressKindStatus, 2);
    report(kProgressKindFile, 50);
    const std::int64_t length_ms = wavefile::FramesToMs(decoded.frames, format);
    ImportedRecord imported{files, {}, length_ms, [&files] { files.RemoveAll(); }};
    imported.record.fields =
        FieldsOf(source, decoded.tags, length_ms, target_.recording_quality, files);
    imported.record.log = recordstore::RecordLogKind::kMessages;
    imported.record.keywords = decoded.tags.comment;
    return StoreImportedRecord(target_, run_save_, imported, progress);
}

}  // namespace kivo::exchange
