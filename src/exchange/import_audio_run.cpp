// The audio import worker's run over the selection (see import_audio_run.h).
#include "kivo/exchange/import_audio_run.h"

#include "kivo/exchange/import_audio_types.h"
#include "kivo/exchange/import_video_file.h"

namespace kivo::exchange {
namespace {

constexpr int kProgressKindFileNumber = 1;

std::string ErrorTextOf(const AudioImportResult& result) {
    if (result.outcome == AudioImportResult::Outcome::kUndecodable)
        return std::string(kCheckFormatText) + ": " + result.reason;
    return result.reason.empty() ? std::string(kCheckFormatText) : result.reason;
}

}  // namespace

bool AudioImportRun::Run(const AudioImportEvents& events) {
    stop_.Clear();
    imported_.clear();
    const AudioFileImport audio_importer(target_, &stop_, events.run_save);
    // Video files become video records: a WMV import's selection, or videos
    // among dropped files.
    const VideoFileImport video_importer(target_, &stop_, events.run_save);
    for (std::size_t index = 0; index < selection_.size(); ++index) {
        if (events.progress)
            events.progress(kProgressKindFileNumber, static_cast<int>(index));
        const std::string name = selection_[index].filename().string();
        const AudioImportResult result =
            IsVideoFileName(name) ? video_importer.Import(selection_[index], events.progress)
                                  : audio_importer.Import(selection_[index], events.progress);
        if (result.outcome == AudioImportResult::Outcome::kStopped) {
            if (events.error_row)
                events.error_row({name, kFileStoppedText});
            return false;
        }
        if (result.record_number != 0 && result.ok()) {
            imported_.push_back(result.record_number);
            if (events.stored)
                events.stored(result.record_number);
        } else if (events.error_row) {
            events.error_row({name, ErrorTextOf(result)});
        }
        if (stop_.requested()) {
            // Asked between the decode and the save: this file is done, the
            // run ends here.
            return false;
        }
    }
    return true;
}

}  // namespace kivo::exchange
