// Saving a spoken record in the background (see spoken_save_runner.h).
#include "spoken_save_runner.h"

#include <QProgressDialog>
#include <QWidget>
#include <memory>

namespace kivo::translator {

SpokenSaveRunner::SpokenSaveRunner(QWidget* owner) : QObject(owner), owner_(owner) {}

bool SpokenSaveRunner::Start(const QString& caption, const QString& text,
                             std::function<int()> speak, std::function<int()> store,
                             std::function<void(int)> finished) {
    if (call_.running())
        return false;
    waiting_box_ = new QProgressDialog(text, QString(), 0, 0, owner_);
    waiting_box_->setWindowTitle(caption);
    waiting_box_->setWindowModality(Qt::WindowModal);
    waiting_box_->setMinimumDuration(0);
    waiting_box_->show();
    auto spoken = std::make_shared<int>(0);
    return call_.Start([speak = std::move(speak), spoken] { *spoken = speak(); },
                       [this, spoken, store = std::move(store), finished = std::move(finished)] {
                           const int result = *spoken != 0 ? *spoken : store();
                           delete waiting_box_;
                           waiting_box_ = nullptr;
                           finished(result);
                       });
}

}  // namespace kivo::translator
