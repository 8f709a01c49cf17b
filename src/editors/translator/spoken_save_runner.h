// SpokenSaveRunner: saving a spoken record without freezing the window. The
// speech is written into the record's wave on a worker thread while a
// waiting box is shown; the record is then stored on the window's thread
// (the data store is the window's), and the outcome handed back. Both
// dialogs that save speech use it.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "background_call.h"

class QProgressDialog;
class QWidget;

namespace kivo::translator {

class SpokenSaveRunner : public QObject {
public:
    explicit SpokenSaveRunner(QWidget* owner);

    // speak runs on the worker (it may touch only working files) and gives
    // 0 or a message code; store runs on the owner's thread only after speak
    // gave 0. finished gets the first non-zero code, or 0, once the waiting
    // box is gone. False, starting nothing, while a save runs.
    bool Start(const QString& caption, const QString& text, std::function<int()> speak,
               std::function<int()> store, std::function<void(int)> finished);
    bool running() const { return call_.running(); }

private:
    QWidget* owner_;
    BackgroundCall call_;
    QProgressDialog* waiting_box_ = nullptr;
};

}  // namespace kivo::translator
