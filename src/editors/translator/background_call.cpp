// Running slow work off the window's thread (see background_call.h).
#include "background_call.h"

#include <QThread>

namespace kivo::translator {

BackgroundCall::~BackgroundCall() {
    if (thread_ == nullptr)
        return;
    thread_->wait();
    delete thread_;
}

bool BackgroundCall::Start(std::function<void()> work, std::function<void()> done) {
    if (thread_ != nullptr)
        return false;
    done_ = std::move(done);
    thread_ = QThread::create(std::move(work));
    // Queued to this object's thread; the connection ends with this object.
    connect(thread_, &QThread::finished, this, &BackgroundCall::Finished, Qt::QueuedConnection);
    thread_->start();
    return true;
}

void BackgroundCall::Finished() {
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    const std::function<void()> done = std::move(done_);
    done_ = nullptr;
    if (done)
        done();
}

}  // namespace kivo::translator
