// The audio import's worker thread (see audio_import_worker.h).
#include "audio_import_worker.h"

namespace kivo::app {

AudioImportWorker::AudioImportWorker(const recorder::RecorderTarget& target,
                                     std::vector<std::filesystem::path> selection)
    : run_(target, std::move(selection)) {}

void AudioImportWorker::SaveOnThreadOf(QObject* session_owner) {
    session_owner_ = session_owner;
}

void AudioImportWorker::Run() {
    exchange::AudioImportEvents events;
    events.progress = [this](int kind, int value) { emit progress(kind, value); };
    events.error_row = [this](const exchange::AudioImportError& row) {
        emit errorRow(QString::fromStdString(row.file), QString::fromStdString(row.error));
    };
    if (session_owner_ != nullptr) {
        // The store's session is not thread-safe: each save runs on its
        // owner's thread while this one waits.
        QObject* owner = session_owner_;
        events.run_save = [owner](const std::function<int()>& save) {
            int message = 0;
            QMetaObject::invokeMethod(
                owner, [&message, &save] { message = save(); }, Qt::BlockingQueuedConnection);
            return message;
        };
    }
    const bool complete = run_.Run(events);
    emit finished(complete, static_cast<int>(run_.imported().size()));
}

}  // namespace kivo::app
