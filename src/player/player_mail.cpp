// Subject, body and the xdg-email call of the player's e-mail button.
#include "player_mail.h"

#include <QFileInfo>
#include <QProcess>
#include <algorithm>

#include "kivo/format/file_size_text.h"
#include "kivo/format/recording_mail_text.h"

namespace kivo::player {

QString FormatFileSize(std::uint64_t size_bytes) {
    return QString::fromStdString(format::FileSizeText(size_bytes));
}

PlayerMail BuildPlayerMail(const QString& recording_path) {
    const QFileInfo file(recording_path);
    const bool video = format::IsVideoRecordingName(file.fileName().toStdString());
    PlayerMail mail;
    mail.attachment = file.absoluteFilePath();
    mail.subject = QString::fromStdString(
        format::RecordingMailSubject(static_cast<std::uint64_t>(std::max<qint64>(0, file.size()))));
    mail.body = QString::fromStdString(format::RecordingMailBody(1, video));
    return mail;
}

QStringList XdgEmailArguments(const PlayerMail& mail) {
    return {QStringLiteral("--subject"), mail.subject,   QStringLiteral("--body"), mail.body,
            QStringLiteral("--attach"),  mail.attachment};
}

bool SendPlayerMail(const PlayerMail& mail) {
    return QProcess::startDetached(QStringLiteral("xdg-email"), XdgEmailArguments(mail));
}

}  // namespace kivo::player
