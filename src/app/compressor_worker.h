// CompressorWorker: the recording compressor's worker thread. It converts
// and compresses one recording copy at a time (exchange::CompressRecordingFile)
// and talks to its dialog only through queued signals; the dialog's Stop
// and Cancel clear the run flag, which the work polls between packets.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <filesystem>

#include "kivo/exchange/export_options.h"

namespace kivo::app {

class CompressorWorker : public QObject {
    Q_OBJECT

public:
    explicit CompressorWorker(std::atomic<bool>* run_flag) : run_flag_(run_flag) {}

public slots:
    // Compresses the copy at container_path (scratch: an empty private folder).
    void Compress(const QString& container_path, bool convert, bool compress,
                  const QString& scratch);

signals:
    void statusChanged(const QString& text);
    // Percent of the current file's sound done.
    void fileProgress(int percent);
    // error: 0 done, 5 stopped, else the compressor's error code.
    void fileDone(int error, const QString& detail);

private:
    std::atomic<bool>* run_flag_;
};

}  // namespace kivo::app
