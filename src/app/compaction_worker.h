// CompactionWorker: runs the steps of a data store compaction on a thread of
// its own and reports each finished step with a signal. The compaction dialog
// lives on the window's thread and hears of the steps only through these
// signals, which Qt queues across the threads.
//
// While it runs, the worker alone touches the data store session; the dialog
// is modal, so the window cannot use the store meanwhile.
#pragma once

#include <QMetaType>
#include <QObject>
#include <QString>

namespace kivo::core {
class DataStoreSession;
}

namespace kivo::app {

// What one step changed, in the dialog's terms. An empty label text leaves
// that label as it was.
struct CompactionProgress {
    int step = 0;
    QString components_label;
    int components_state = 0;
    QString store_label;
    int store_state = 0;
    QString error_row;  // empty: the step succeeded
};

class CompactionWorker : public QObject {
    Q_OBJECT

public:
    explicit CompactionWorker(core::DataStoreSession& session);

public slots:
    // Runs every step in order (0 to 5, 99, 100), one at a time.
    void Run();

signals:
    void stepFinished(const kivo::app::CompactionProgress& progress);
    // After step 100; error_count rows were reported.
    void finished(int error_count);

private:
    core::DataStoreSession& session_;
};

}  // namespace kivo::app

Q_DECLARE_METATYPE(kivo::app::CompactionProgress)
