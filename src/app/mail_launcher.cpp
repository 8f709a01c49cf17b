// xdg-email, started detached and watched through its status file.
#include "mail_launcher.h"

#include <QFile>
#include <QProcess>
#include <QStringList>

namespace kivo::app {
namespace {

constexpr int kPollIntervalMs = 100;
// The shell's status when xdg-email is not on PATH.
constexpr int kCommandNotFound = 127;
// Shell built-ins only: PATH may hold nothing but the mail tools.
constexpr const char* kWrapper =
    "status=$1; shift; xdg-email \"$@\" >/dev/null 2>&1; echo $? > \"$status\"";

}  // namespace

MailLauncher::MailLauncher(int wait_ms, QObject* parent) : QObject(parent) {
    polls_left_ = wait_ms / kPollIntervalMs;
    poll_.setInterval(kPollIntervalMs);
    connect(&poll_, &QTimer::timeout, this, &MailLauncher::Poll);
}

void MailLauncher::Send(const exchange::RecordingMail& mail, const QString& status_path) {
    status_path_ = status_path;
    QFile::remove(status_path_);
    QStringList arguments = {QStringLiteral("-c"), QString::fromLatin1(kWrapper),
                             QStringLiteral("sh"), status_path_};
    for (const std::string& argument : exchange::XdgEmailArguments(mail))
        arguments << QString::fromStdString(argument);
    if (!QProcess::startDetached(QStringLiteral("/bin/sh"), arguments)) {
        emit finished(exchange::kMailFailed);
        return;
    }
    poll_.start();
}

void MailLauncher::Poll() {
    QFile status(status_path_);
    if (!status.open(QIODevice::ReadOnly)) {
        if (--polls_left_ <= 0)
            poll_.stop();
        return;
    }
    // The shell makes the file before it writes the line: wait for the line.
    const QByteArray line = status.readAll();
    status.close();
    if (!line.endsWith('\n')) {
        if (--polls_left_ <= 0)
            poll_.stop();
        return;
    }
    poll_.stop();
    bool ok = false;
    const int exit_status = QString::fromLatin1(line).trimmed().toInt(&ok);
    QFile::remove(status_path_);
    if (!ok)
        emit finished(exchange::kMailFailed);
    else if (exit_status == kCommandNotFound)
        emit finished(exchange::kNoMailClient);
    else
        emit finished(exchange::MailResultOfXdgEmail(exit_status));
}

}  // namespace kivo::app
