// Signals reach the event loop through a pipe: the handler only writes one
// byte, which is all a signal handler may safely do.
#include "termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QPointer>
#include <QSocketNotifier>
#include <QWidget>

#include <csignal>

namespace kivo::app {
namespace {

int g_pipe[2] = {-1, -1};

void OnSignal(int signal_number) {
    const char byte = static_cast<char>(signal_number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    // A second signal ends the process at once.
    std::signal(signal_number, SIG_DFL);
}

}  // namespace

void CloseOnTerminationSignals(QWidget* window) {
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, window);
    QPointer<QWidget> target(window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [notifier, target] {
        char byte = 0;
        while (::read(g_pipe[0], &byte, 1) == 1) {
        }
        notifier->setEnabled(false);
        if (target)
            target->close();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal_number : {SIGTERM, SIGHUP, SIGINT})
        sigaction(signal_number, &action, nullptr);
}

}  // namespace kivo::app
