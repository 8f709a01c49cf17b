// Running the compaction steps off the window's thread.
#include "compaction_worker.h"

#include "kivo/exchange/store_compaction.h"

namespace kivo::app {

CompactionWorker::CompactionWorker(core::DataStoreSession& session) : session_(session) {
    qRegisterMetaType<kivo::app::CompactionProgress>();
}

void CompactionWorker::Run() {
    exchange::StoreCompaction compaction(session_);
    for (int step = exchange::kStepStart;; step = exchange::StoreCompaction::NextStep(step)) {
        const exchange::CompactionStepReport report = compaction.RunStep(step);
        CompactionProgress progress;
        progress.step = report.step;
        progress.components_label = QString::fromStdString(report.components_label);
        progress.components_state = report.components_state;
        progress.store_label = QString::fromStdString(report.store_label);
        progress.store_state = report.store_state;
        progress.error_row = QString::fromStdString(report.error_row);
        emit stepFinished(progress);
        if (step == exchange::kStepFinished)
            break;
    }
    emit finished(static_cast<int>(compaction.errors().size()));
}

}  // namespace kivo::app
