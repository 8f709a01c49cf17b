// The audio import's worker thread (see audio_import_worker.h).
#include "audio_import_worker.h"

namespace kivo::app {

AudioImportWorker::AudioImportWorker(const recorder::RecorderTarget& target,
                                     std::vector<std::filesystem::path> selection)
    : run_(target, std::move(selection)) {}

void AudioImportWorker::Run() {
    exchange::AudioImportEvents events;
    events.progress = [this](int kind, int value) { emit progress(kind, value); };
    events.error_row = [this](const exchange::AudioImportError& row) {
        emit errorRow(QString::fromStdString(row.file), QString::fromStdString(row.error));
    };
    const bool complete = run_.Run(events);
    emit finished(complete, static_cast<int>(run_.imported().size()));
}

}  // namespace kivo::app
