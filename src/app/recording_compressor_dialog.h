// RecordingCompressorDialog: "Kivo Compressor". Converts and compresses the
// prepared recording copies one after another on a worker thread, showing
// "Compressing file n of total", the current file's and the overall
// progress, and a status line.
//
// "Stop" stops after the packet being worked on: the current copy is left
// as it was (copies already done stay done), "Cancel" and "Re-Start" become
// usable. "Re-Start" goes on with the next copy; "Cancel" ends the dialog,
// leaving the copies not yet done as they are. An error shows its text in a
// box with the stop icon and stops as "Stop" does. The dialog closes by
// itself after the last copy.
#pragma once

#include <QDialog>
#include <QThread>
#include <atomic>
#include <filesystem>
#include <vector>

#include "kivo/exchange/export_options.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace kivo::app {

class CompressorWorker;

class RecordingCompressorDialog : public QDialog {
    Q_OBJECT

public:
    // scratch_parent: a private folder in which each copy's work is done.
    RecordingCompressorDialog(std::vector<std::filesystem::path> copies,
                              exchange::ExportOptions options, std::filesystem::path scratch_parent,
                              QWidget* parent = nullptr);
    ~RecordingCompressorDialog() override;

    // Starts with the first copy; exec() afterwards.
    void Start();

    // Copies compressed so far.
    int done_count() const { return done_; }
    QString file_label() const;
    QString status_text() const;
    int overall_percent() const;
    QPushButton* stop_button() const { return stop_; }
    QPushButton* restart_button() const { return restart_; }
    QPushButton* cancel_button() const { return cancel_; }

    void StopWork();
    void RestartWork();
    void CancelWork();

signals:
    void compressRequested(const QString& container_path, bool convert, bool compress,
                           const QString& scratch);

private:
    void StartNext();
    void FileDone(int error, const QString& detail);
    void Finish();
    void SetButtons(bool running);

    std::vector<std::filesystem::path> copies_;
    exchange::ExportOptions options_;
    std::filesystem::path scratch_parent_;
    std::atomic<bool> run_flag_{false};
    QThread thread_;
    CompressorWorker* worker_ = nullptr;
    std::size_t next_ = 0;
    int done_ = 0;
    bool working_ = false;
    bool stopped_ = false;
    bool cancelled_ = false;
    QLabel* file_label_;
    QLabel* status_;
    QProgressBar* file_bar_;
    QProgressBar* overall_bar_;
    QPushButton* cancel_;
    QPushButton* stop_;
    QPushButton* restart_;
};

}  // namespace kivo::app
