// The compressor's work on its own thread.
#include "compressor_worker.h"

#include "kivo/exchange/recording_compressor.h"

namespace kivo::app {

void CompressorWorker::Compress(const QString& container_path, bool convert, bool compress,
                                const QString& scratch) {
    exchange::ExportOptions options;
    options.convert_to_voice = convert;
    options.compress = compress;
    emit statusChanged(
        QString::fromLatin1(convert ? exchange::kConvertingStatus : exchange::kCompressingStatus));
    int last_percent = -1;
    const exchange::CompressorResult result = exchange::CompressRecordingFile(
        container_path.toStdString(), options, scratch.toStdString(), [&](double done) {
            const int percent = static_cast<int>(done * 100);
            if (percent != last_percent) {
                last_percent = percent;
                emit fileProgress(percent);
            }
            return run_flag_->load();
        });
    emit fileDone(result.error, QString::fromStdString(result.detail));
}

}  // namespace kivo::app
