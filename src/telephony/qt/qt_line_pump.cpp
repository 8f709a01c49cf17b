#include "kivo/telephony/qt_line_pump.h"

#include <QCoreApplication>
#include <QPointer>

namespace kivo::telephony {

void QtEventNotifier::Post(void* window, int message) {
    auto* target = static_cast<QObject*>(window);
    if (target == nullptr || QCoreApplication::instance() == nullptr) {
        return;
    }
    QCoreApplication::postEvent(target, new QEvent(static_cast<QEvent::Type>(message)));
}

QtLinePump::QtLinePump(TapiLibrary& library, QObject* parent) : QObject(parent) {
    timer_.setInterval(20);
    QObject::connect(&timer_, &QTimer::timeout, this, [&library] { library.Iterate(); });
}

}  // namespace kivo::telephony
