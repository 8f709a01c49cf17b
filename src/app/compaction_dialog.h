// CompactionDialog: "Please wait - Compressing your Data Store". Shows the two
// steps of a compaction (the record logs, then the data store's unused
// space) as the worker thread reports them, and a list of the steps that
// failed.
//
// The dialog cannot be cancelled while the work runs. When every step
// succeeded it closes by itself; when a step failed it stays open with the
// error list shown until the user closes it.
#pragma once

#include <QDialog>
#include <QThread>

#include "compaction_worker.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace kivo::app {

inline constexpr const char* kCompactionHelpTopic = "compress.htm";

class CompactionDialog : public QDialog {
    Q_OBJECT

public:
    CompactionDialog(core::DataStoreSession& session, const QIcon& error_icon,
                     QWidget* parent = nullptr);
    ~CompactionDialog() override;

    // Starts the worker; exec() or show() the dialog afterwards.
    void Start();

    bool running() const { return running_; }
    int error_count() const;
    QString components_label() const;
    QString store_label() const;

    // Label colours by state: 0 black, 2 green, 3 blue, 4 red.
    static QColor StateColour(int state);

public slots:
    void done(int result) override;

signals:
    void helpRequested(const QString& topic);
    // The last step ran; error_count steps failed (the dialog stays open
    // when there are any).
    void compactionFinished(int error_count);

private:
    void ShowStep(const kivo::app::CompactionProgress& progress);
    void Finish(int error_count);
    static void SetLabel(QLabel* label, const QString& text, int state);

    core::DataStoreSession& session_;
    QIcon error_icon_;
    QLabel* components_;
    QLabel* store_;
    QTreeWidget* errors_;
    QPushButton* error_log_;
    QPushButton* close_;
    QThread thread_;
    bool running_ = false;
};

}  // namespace kivo::app
