// kivo-remote: sends one of the six playback commands to a running Kivo (or,
// with --player kvmp, to the message player) over the session bus, as other
// programs did with the window message "Zn2 Message from Word".
//
//   kivo-remote 2                 back two seconds in Kivo's playback window
//   kivo-remote --player kvmp next
//
// Exit status: 0 sent, 1 the player is not running or refused the call,
// 2 bad command line.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <cstdio>

#include "kivo/dbus/remote_bus_names.h"
#include "kivo/remote/playback_command.h"

namespace {

constexpr int kExitSent = 0;
constexpr int kExitNotDelivered = 1;
constexpr int kExitUsage = 2;
constexpr int kCallTimeout_ms = 5000;

constexpr char kCommandHelp[] =
    "Commands: 1 or rewind, 2 or back (two seconds), 3 or previous (mark),\n"
    "4 or play, 5 or stop, 6 or next (mark).";

int Fail(int status, const QString& text) {
    std::fprintf(stderr, "kivo-remote: %s\n", qPrintable(text));
    return status;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kivo-remote"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Sends a playback command to a running Kivo player.\n") +
        QString::fromLatin1(kCommandHelp));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption player_option(
        QStringLiteral("player"), QStringLiteral("Player to drive: kivo (default) or kvmp."),
        QStringLiteral("name"), QString::fromLatin1(kivo::dbus::kKivoPlayerName));
    parser.addOption(player_option);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("1-6 or its name."));
    if (!parser.parse(QCoreApplication::arguments())) {
        return Fail(kExitUsage, parser.errorText());
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(kExitSent);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 1) {
        return Fail(kExitUsage, QStringLiteral("expected one command\n") + kCommandHelp);
    }
    const auto command = kivo::remote::ParsePlaybackCommand(arguments.front().toStdString());
    if (!command) {
        return Fail(kExitUsage, QStringLiteral("unknown command \"%1\"\n").arg(arguments.front()) +
                                    kCommandHelp);
    }

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return Fail(kExitNotDelivered, QStringLiteral("no session bus"));
    }
    const QString service = kivo::dbus::MprisServiceName(parser.value(player_option));
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, QString::fromLatin1(kivo::dbus::kMprisObjectPath),
                                       QString::fromLatin1(kivo::dbus::kKivoRemoteInterface),
                                       QString::fromLatin1(kivo::dbus::kKivoRemoteCommandMethod));
    call << static_cast<int>(*command);
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeout_ms);
    if (reply.type() == QDBusMessage::ErrorMessage &&
        reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown")) {
        return Fail(kExitNotDelivered, QStringLiteral("%1 is not running").arg(service));
    }
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return Fail(
            kExitNotDelivered,
            QStringLiteral("%1 did not take the command: %2").arg(service, reply.errorMessage()));
    }
    return kExitSent;
}
