// MailLauncher: hands a RecordingMail to the desktop's mail program through
// xdg-email (found on PATH) and reports what came of it once xdg-email has
// ended: 0 handed over, 503/504 an attachment missing or unreadable,
// exchange::kNoMailClient when no mail program is set up (or xdg-email
// itself is missing), 501 anything else.
//
// xdg-email runs detached, through a shell that writes its exit status to a
// file: a mail program it starts may stay open long after Kivo has closed,
// and must not end with it. While xdg-email still runs after the wait, the
// mail counts as handed over (the mail program is open) and nothing is
// reported.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "kivo/exchange/recording_mail.h"

namespace kivo::app {

class MailLauncher : public QObject {
    Q_OBJECT

public:
    // wait_ms: how long to watch for xdg-email's answer.
    explicit MailLauncher(int wait_ms = 60000, QObject* parent = nullptr);

    // Starts xdg-email; status_path: a file of the caller's private folder
    // for its exit status. finished() follows (not when still running at
    // the end of the wait).
    void Send(const exchange::RecordingMail& mail, const QString& status_path);

signals:
    void finished(int result);

private:
    void Poll();

    QTimer poll_;
    QString status_path_;
    int polls_left_ = 0;
};

}  // namespace kivo::app
