// The kvmp program as a user and a desktop start it: --help and --version
// answer on the terminal without a window, and a remote controller that
// calls Play the moment the player's bus name appears finds the recording
// given on the command line loaded and playing, and the end of the session
// (SIGTERM) ends the player even while its start-up error box waits.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <fstream>

#include "player_test_recording.h"

namespace kivo::test {
namespace {

const QString kProgram = QStringLiteral(KVMP_PROGRAM);
const QString kMprisPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

struct Finished {
    int exit_code = -1;
    QString out;
    QString err;
};

// Runs kvmp to its end, without any display unless `offscreen`.
Finished RunToEnd(const QStringList& arguments, bool offscreen = false) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    if (offscreen)
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(kProgram, arguments);
    EXPECT_TRUE(process.waitForFinished(10000)) << "kvmp did not end";
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(KvmpCommandLine, HelpAndVersionAnswerWithoutADisplay) {
    const Finished help = RunToEnd({QStringLiteral("--help")});
    EXPECT_EQ(help.exit_code, 0) << help.err.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("Usage:"))) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("--version")));
    EXPECT_FALSE(help.out.contains(QStringLiteral("corrupt")));

    const Finished version = RunToEnd({QStringLiteral("--version")});
    EXPECT_EQ(version.exit_code, 0) << version.err.toStdString();
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("kvmp "))) << version.out.toStdString();

    // Qt's own options stay Qt's; an option nobody knows is refused by name.
    const Finished unknown = RunToEnd({QStringLiteral("-platform"), QStringLiteral("offscreen"),
                                       QStringLiteral("--no-such-option")},
                                      true);
    EXPECT_EQ(unknown.exit_code, 2);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("unknown option --no-such-option")))
        << unknown.err.toStdString();
}

// The MPRIS name the process `pid` owns on the session bus; empty while it
// owns none.
QString MprisNameOf(QDBusConnection& bus, qint64 pid) {
    const QStringList names = bus.interface()->registeredServiceNames().value();
    for (const QString& name : names) {
        if (!name.startsWith(QStringLiteral("org.mpris.MediaPlayer2.kvmp")))
            continue;
        if (bus.interface()->servicePid(name).value() == static_cast<uint>(pid))
            return name;
    }
    return {};
}

QVariant PlayerProperty(QDBusConnection& bus, const QString& service, const char* property) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, kMprisPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kPlayerInterface << QString::fromLatin1(property);
    const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, 5000);
    return reply.isValid() ? reply.value().variant() : QVariant();
}

TEST(KvmpCommandLine, PlayCalledAsSoonAsTheBusNameAppearsPlaysTheRecording) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "no session bus (run under scripts/with-test-services.sh)";
    PlayerTestFiles files;
    RecordingRecipe recipe;
    recipe.duration_ms = 4000;
    recipe.duration_text = "00:00:04";
    const std::string recording = files.MakeRecording("Message.xrz", recipe);

    QProcess player;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KIVO_AUDIO"), QStringLiteral("virtual"));
    environment.remove(QStringLiteral("KIVO_AUDIO_CLOCK"));  // real time: 4 s of playing
    player.setProcessEnvironment(environment);
    player.start(kProgram, {QString::fromStdString(recording)});
    ASSERT_TRUE(player.waitForStarted(5000));

    // Like a controller watching for the name: the moment it is there, Play.
    QString service;
    QElapsedTimer waited;
    waited.start();
    while (service.isEmpty() && waited.elapsed() < 15000 && player.state() == QProcess::Running) {
        service = MprisNameOf(bus, player.processId());
        if (service.isEmpty())
            QThread::msleep(5);
    }
    ASSERT_FALSE(service.isEmpty()) << "kvmp published no MPRIS name";
    EXPECT_EQ(PlayerProperty(bus, service, "CanPlay").toBool(), true);
    const QDBusMessage reply =
        bus.call(QDBusMessage::createMethodCall(service, kMprisPath, kPlayerInterface,
                                                QStringLiteral("Play")),
                 QDBus::Block, 5000);
    EXPECT_NE(reply.type(), QDBusMessage::ErrorMessage) << reply.errorMessage().toStdString();
    EXPECT_EQ(PlayerProperty(bus, service, "PlaybackStatus").toString(), QStringLiteral("Playing"));

    player.terminate();
    EXPECT_TRUE(player.waitForFinished(10000));
}

TEST(KvmpCommandLine, ATerminationSignalEndsThePlayerWhileItsStartUpErrorBoxWaits) {
    PlayerTestFiles files;
    const std::string damaged = files.out_file("Damaged.xrz");
    {
        std::ofstream out(damaged);
        out << "not a recording";
    }
    QProcess player;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KIVO_AUDIO"), QStringLiteral("virtual"));
    player.setProcessEnvironment(environment);
    player.start(kProgram, {QString::fromStdString(damaged)});
    ASSERT_TRUE(player.waitForStarted(5000));
    // The box saying the file is damaged waits for OK; the session ends.
    QThread::msleep(1000);
    player.terminate();
    const bool ended = player.waitForFinished(5000);
    if (!ended)
        player.kill();
    EXPECT_TRUE(ended) << "kvmp went on running after SIGTERM";
    EXPECT_EQ(player.exitStatus(), QProcess::NormalExit);
}

}  // namespace
}  // namespace kivo::test
