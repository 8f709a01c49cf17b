// BackgroundCall: one piece of slow work (a translation, speech written into
// a file) run on its own thread so the window keeps answering, with a
// completion called back on the thread that started it. The work must not
// touch widgets or the data store; the completion may. Destroying the
// BackgroundCall waits for running work and drops its completion, so a
// dialog closed while work runs never hears from it.
#pragma once

#include <QObject>
#include <functional>

class QThread;

namespace kivo::translator {

class BackgroundCall : public QObject {
public:
    explicit BackgroundCall(QObject* parent = nullptr) : QObject(parent) {}
    ~BackgroundCall() override;

    // Starts work; done runs on this object's thread once it has ended.
    // False, starting nothing, while earlier work still runs.
    bool Start(std::function<void()> work, std::function<void()> done);
    bool running() const { return thread_ != nullptr; }

private:
    void Finished();

    QThread* thread_ = nullptr;
    std::function<void()> done_;
};

}  // namespace kivo::translator
