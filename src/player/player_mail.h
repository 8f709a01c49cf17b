// E-mailing the opened recording file through the desktop's mail program
// (xdg-email), with the subject and body the main program uses for one
// recording.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace kivo::player {

// "%5.2f" and a unit: "GB" from 2^30 bytes, "MB" from 2^20, "KB" from 2^10,
// otherwise "bytes".
QString FormatFileSize(std::uint64_t size_bytes);

struct PlayerMail {
    QString subject;
    QString body;
    QString attachment;  // absolute path of the recording file
};

// The mail for one recording file (video wording for ".xrv").
PlayerMail BuildPlayerMail(const QString& recording_path);

// The xdg-email arguments: --subject S --body B --attach PATH.
QStringList XdgEmailArguments(const PlayerMail& mail);

// Starts xdg-email (found on PATH) detached; false when it cannot start.
bool SendPlayerMail(const PlayerMail& mail);

}  // namespace kivo::player
