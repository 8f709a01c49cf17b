// Subject, body and the xdg-email call of the player's e-mail button.
#include "player_mail.h"

#include <QFileInfo>
#include <QProcess>
#include <cstdio>

#include "kivo/format/file_size_text.h"

namespace kivo::player {
namespace {

constexpr const char* kSubjectStart = "[Enter your subject heading here] (Kivo Recording :-";
constexpr const char* kVoiceMail = " voice mail attached";
constexpr const char* kVideoMail = " video mail attached";
constexpr const char* kMessageCount = "Number of Messages : ";
constexpr const char* kDownloadNotice =
    "To play the attached recording you need Kivo or the free Kivo Message Player (kvmp), "
    "which opens \".xrz\" and \".xrv\" files.\n";
constexpr const char* kMoreInformation =
    "For more information on Kivo products and services visit the above website";

}  // namespace

QString FormatFileSize(std::uint64_t size_bytes) {
    return QString::fromStdString(format::FileSizeText(size_bytes));
}

PlayerMail BuildPlayerMail(const QString& recording_path) {
    const QFileInfo file(recording_path);
    const bool video = file.suffix().compare(QLatin1String("xrv"), Qt::CaseInsensitive) == 0;
    PlayerMail mail;
    mail.attachment = file.absoluteFilePath();
    mail.subject = QString::fromLatin1(kSubjectStart) + QLatin1Char(' ') +
                   FormatFileSize(static_cast<std::uint64_t>(std::max<qint64>(0, file.size()))) +
                   QLatin1Char(')');
    mail.body = QStringLiteral("Kivo\u2122") +
                QString::fromLatin1(video ? kVideoMail : kVoiceMail) + QStringLiteral("\n\n") +
                QString::fromLatin1(kMessageCount) + QStringLiteral("1\n") +
                QString::fromLatin1(kDownloadNotice) + QString::fromLatin1(kMoreInformation);
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
