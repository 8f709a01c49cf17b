// AudioImportDialog: the progress dialog of an audio file import ("MP3 File
// Import Progress" ...): "Importing File" n "of" total, the "Current file
// progress" and "Overall progress" bars, a status line, the list of files
// that failed ("File", "Error"), and "Cancel", "Stop", "Re-Start". The work
// runs on a worker thread (AudioImportWorker). A complete run closes the
// dialog by itself unless a file failed (the list stays to be read); after a
// stop it stays open with "Re-Start" (which begins
// again with the first file) and "Cancel" enabled.
#pragma once

#include <QDialog>
#include <QThread>
#include <filesystem>
#include <vector>

#include "audio_import_worker.h"
#include "kivo/exchange/import_audio_types.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace kivo::app {

class AudioImportDialog : public QDialog {
    Q_OBJECT

public:
    AudioImportDialog(exchange::AudioFileType type, const recorder::RecorderTarget& target,
                      std::vector<std::filesystem::path> selection, QWidget* parent = nullptr);
    ~AudioImportDialog() override;

    // Starts (or, for "Re-Start", starts again) the worker on the selection.
    void Start();
    void Stop();

    bool running() const { return running_; }
    int imported() const { return imported_; }
    QString file_text() const;
    QString status_text() const;
    int file_progress() const;
    int overall_progress() const;
    // The error list's rows as "file: error".
    QStringList error_rows() const;

public slots:
    void reject() override;

signals:
    void runFinished(bool complete);

private:
    void ShowProgress(int kind, int value);
    void AddErrorRow(const QString& file, const QString& error);
    void Finish(bool complete, int imported);

    AudioImportWorker* worker_;
    QThread thread_;
    QLabel* file_;
    QLabel* status_;
    QProgressBar* file_bar_;
    QProgressBar* overall_bar_;
    QTreeWidget* errors_;
    QPushButton* cancel_;
    QPushButton* stop_;
    QPushButton* restart_;
    bool running_ = false;
    int imported_ = 0;
};

}  // namespace kivo::app
