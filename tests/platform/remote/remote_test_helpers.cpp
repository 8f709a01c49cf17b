// Running a child program while the event loop serves the bus.
#include "remote_test_helpers.h"

#include <QEventLoop>
#include <QTimer>

namespace kivo::test {

ProcessOutcome RunServingEvents(const QString& program, const QStringList& arguments,
                                int timeout_ms) {
    QProcess process;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart) {
            loop.quit();
        }
    });
    QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
    process.start(program, arguments);
    if (process.state() != QProcess::NotRunning || process.error() != QProcess::FailedToStart) {
        loop.exec();
    }
    ProcessOutcome outcome;
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(2000);
        return outcome;
    }
    outcome.finished =
        process.exitStatus() == QProcess::NormalExit && process.error() != QProcess::FailedToStart;
    outcome.exit_code = process.exitCode();
    outcome.standard_output = QString::fromLocal8Bit(process.readAllStandardOutput());
    outcome.standard_error = QString::fromLocal8Bit(process.readAllStandardError());
    return outcome;
}

}  // namespace kivo::test
