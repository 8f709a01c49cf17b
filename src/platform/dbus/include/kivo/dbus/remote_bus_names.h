// Names under which a player is reachable on the session bus. kivo registers
// "org.mpris.MediaPlayer2.kivo", the message player "org.mpris.MediaPlayer2.kvmp".
#pragma once

#include <QString>

namespace kivo::dbus {

inline constexpr char kMprisServicePrefix[] = "org.mpris.MediaPlayer2.";
inline constexpr char kMprisObjectPath[] = "/org/mpris/MediaPlayer2";
inline constexpr char kMprisRootInterface[] = "org.mpris.MediaPlayer2";
inline constexpr char kMprisPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
// The six playback commands; replaces the window message "Zn2 Message from Word".
inline constexpr char kKivoRemoteInterface[] = "org.kivo.Remote";
inline constexpr char kKivoRemoteCommandMethod[] = "Command";

inline constexpr char kKivoPlayerName[] = "kivo";
inline constexpr char kMessagePlayerName[] = "kvmp";

// "org.mpris.MediaPlayer2." + player name.
inline QString MprisServiceName(const QString& player_name) {
    return QString::fromLatin1(kMprisServicePrefix) + player_name;
}

}  // namespace kivo::dbus
