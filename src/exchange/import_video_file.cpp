// Importing one video file as a video record (see import_video_file.h).
#include "kivo/exchange/import_video_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>
#include <system_error>

#include "import_record_times.h"
#include "import_source.h"
#include "kivo/encoding/video_conversion.h"
#include "kivo/recorder/record_files.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/record_line.h"
#include "store_imported_record.h"

namespace kivo::exchange {
namespace {

namespace fs = std::filesystem;
using Outcome = AudioImportResult::Outcome;

constexpr int kProgressKindFile = 0;
constexpr int kProgressKindStatus = 2;
// No imported video may run longer than a day: a small hostile file can
// claim far more.
constexpr std::int64_t kMaxImportedVideoMs = 24LL * 3600 * 1000;

constexpr std::array<std::string_view, 8> kVideoExtensions = {"wmv", "asf",  "mp4", "m4v",
                                                              "mov", "webm", "mkv", "avi"};

AudioImportResult Ended(Outcome outcome, std::string reason, int message = 0) {
    AudioImportResult result;
    result.outcome = outcome;
    result.reason = std::move(reason);
    result.message = message;
    return result;
}

// The converted video, the container and the kit's files of the record.
void RemoveRecordFiles(const recorder::RecordFiles& files) {
    files.RemoveAll();
    std::error_code ignored;
    fs::remove(files.Path(recordstore::kVideoMediaExtension), ignored);
    fs::remove(files.Path(recordstore::kVideoContainerExtension), ignored);
}

recordstore::RecordFields FieldsOf(const fs::path& source, std::int64_t length_ms,
                                   const recorder::RecordFiles& files) {
    recordstore::RecordFields fields;
    fields.kind_code = recordstore::kind_code::kVideo;
    fields.text_a = "0";
    fields.subject = source.filename().string();
    fields.container_name = files.Name(recordstore::kVideoContainerExtension);
    const std::time_t start = StartOfImportedFile(source, {});
    std::tie(fields.start_date, fields.start_time) = DateAndTime(start);
    std::tie(fields.end_date, fields.end_time) =
        DateAndTime(start + static_cast<std::time_t>(length_ms / 1000));
    fields.duration = recordstore::DurationText(length_ms);
    fields.recording_quality = "0";  // as the video recorder's records
    return fields;
}

}  // namespace

bool IsVideoFileName(std::string_view file_name) {
    const std::size_t dot = file_name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    std::string extension(file_name.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(kVideoExtensions.begin(), kVideoExtensions.end(), extension) !=
           kVideoExtensions.end();
}

AudioImportResult VideoFileImport::Import(const fs::path& source,
                                          const AudioImportProgress& progress) const {
    const auto report = [&progress](int kind, int value) {
        if (progress)
            progress(kind, value);
    };
    report(kProgressKindStatus, 0);
    if (const std::optional<std::string> refusal = ImportSourceRefusal(source))
        return Ended(Outcome::kUndecodable, *refusal);
    const recorder::RecordFiles files = recorder::RecordFiles::ForNewRecord(target_.working_folder);

    // The run's stop request ends the conversion and keeps nothing of it.
    encoding::ConversionControl control;
    const auto converting = [&](int percent) {
        if (stop_ != nullptr && stop_->requested())
            control.RequestAbort();
        report(kProgressKindFile, percent);
    };
    encoding::VideoConversionSettings settings;
    settings.max_duration_ms = kMaxImportedVideoMs;
    const encoding::VideoConversionResult converted = encoding::ConvertToRecordVideo(
        source.string(), files.Path(recordstore::kVideoMediaExtension).string(), settings, &control,
        converting);
    if (converted.outcome == encoding::ConversionOutcome::kAborted ||
        (stop_ != nullptr && stop_->requested())) {
        RemoveRecordFiles(files);
        return Ended(Outcome::kStopped, "stopped");
    }
    // A video that breaks off part way is still not what the user chose.
    if (converted.outcome != encoding::ConversionOutcome::kDone || converted.video_frames == 0) {
        RemoveRecordFiles(files);
        return Ended(Outcome::kUndecodable,
                     converted.message.empty() ? "the video breaks off" : converted.message);
    }

    report(kProgressKindStatus, 2);
    ImportedRecord imported{
        files, {}, converted.duration_ms, [&files] { RemoveRecordFiles(files); }};
    imported.record.fields = FieldsOf(source, converted.duration_ms, files);
    imported.record.log = recordstore::RecordLogKind::kMessages;
    imported.record.media_kind = recordstore::MediaKind::kVideo;
    imported.record.marks_style = recordstore::IndexMarkStyle::kWithoutType;
    return StoreImportedRecord(target_, run_save_, imported, progress);
}

}  // namespace kivo::exchange
