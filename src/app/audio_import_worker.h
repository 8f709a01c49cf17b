// AudioImportWorker: the audio import's worker thread. It runs the selection
// (exchange::AudioImportRun) when started and tells the progress dialog what
// happens only through signals, which Qt queues across the threads. The
// dialog asks it to stop through the run's stop request, which the decoder
// polls.
//
// While it runs, the worker alone touches the data store; the dialog is
// modal, so the window cannot use the store meanwhile.
#pragma once

#include <QObject>
#include <QString>
#include <filesystem>
#include <vector>

#include "kivo/exchange/import_audio_run.h"

namespace kivo::app {

class AudioImportWorker : public QObject {
    Q_OBJECT

public:
    AudioImportWorker(const recorder::RecorderTarget& target,
                      std::vector<std::filesystem::path> selection);

    // Thread-safe: asks the running import to stop after the current file.
    void RequestStop() { run_.stop_request().Request(); }
    std::size_t file_count() const { return run_.selection().size(); }
    // Each record's save runs on session_owner's thread (the thread of the
    // store's session), the worker waiting for it. Call before the run.
    void SaveOnThreadOf(QObject* session_owner);

public slots:
    // Imports the whole selection from its first file.
    void Run();

signals:
    // kind 0 the current file's bar, 1 the file's index, 2 the status (0-3).
    void progress(int kind, int value);
    void errorRow(const QString& file, const QString& error);
    // The run ended: complete, or stopped.
    void finished(bool complete, int imported);

private:
    exchange::AudioImportRun run_;
    QObject* session_owner_ = nullptr;
};

}  // namespace kivo::app
