// kvmp, the Kivo Message Player: plays one recording file given on the
// command line or chosen with File > Open, without the main program.
//
// The unpacked files live in a private temporary folder that the session
// removes when the program ends, also when it is ended by SIGINT, SIGTERM
// or SIGHUP (the handler only asks the event loop to quit).
//
// The file given on the command line is opened before the remote-control
// name is published, so a controller that calls Play as soon as the name
// appears finds the recording loaded. --help and --version are answered
// without opening a window (and without a display).
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "kivo/dbus/remote_control_service.h"
#include "kivo/sound/audio_backend_factory.h"
#include "player_session.h"
#include "player_texts.h"
#include "player_window.h"

namespace {

int g_quit_pipe[2] = {-1, -1};
bool g_quit_requested = false;

void OnTerminationSignal(int signal_number) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_quit_pipe[1], &byte, 1);
    // A second signal ends the process at once.
    std::signal(signal_number, SIG_DFL);
}

// Ends the program on a termination signal, so destructors run: also while
// a message box waits before the event loop has started (the box that a
// file given on the command line may raise), when QApplication::quit()
// alone would do nothing and the unread signal would wake the player again
// and again.
void QuitOnTerminationSignals(QApplication& app) {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_quit_pipe) != 0)
        return;
    ::fcntl(g_quit_pipe[0], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(g_quit_pipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        char byte = 0;
        while (::read(g_quit_pipe[0], &byte, 1) == 1) {
        }
        notifier->setEnabled(false);
        g_quit_requested = true;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible())
                dialog->reject();
        }
        // Delivered by the event loop that runs now or by the one to come.
        QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal_number, &action, nullptr);
}

// The command line is one path (a file manager may also pass a file URL);
// empty when it cannot be read as a local path.
QString PathFromCommandLine(const QStringList& arguments) {
    const QString text = arguments.mid(1).join(QLatin1Char(' ')).trimmed();
    if (text.isEmpty() || text.contains(QChar(0)))
        return {};
    if (text.startsWith(QLatin1String("file:"))) {
        const QUrl url(text);
        return url.isLocalFile() ? url.toLocalFile() : QString();
    }
    if (text.contains(QLatin1String("://")))
        return {};
    return QFileInfo(text).absoluteFilePath();
}

// True when the command line asks for help or the version: both are
// answered before the display is opened. (Qt's own options, -platform among
// them, go to the application as usual.)
bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// An option the player does not know, left after Qt took its own: a first
// argument that begins with "--" and names no file. Empty when there is none.
QString UnknownOption(const QStringList& arguments) {
    if (arguments.size() < 2 || !arguments[1].startsWith(QLatin1String("--")))
        return {};
    return QFileInfo::exists(arguments[1]) ? QString() : arguments[1];
}

// Answers --help and --version on standard output, then ends the program.
[[noreturn]] void AnswerOptions(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kvmp"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Kivo Message Player: plays a Kivo recording file (.xrz, .xrv)."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QStringLiteral("The recording to open (a path or a file: URL)."));
    parser.process(app);  // ends the program on --help, --version or an error
    parser.showHelp(0);
}

}  // namespace

int main(int argc, char** argv) {
    if (AsksForHelpOrVersion(argc, argv))
        AnswerOptions(argc, argv);
    QApplication app(argc, argv);
    if (const QString option = UnknownOption(QCoreApplication::arguments()); !option.isEmpty()) {
        std::fprintf(stderr, "kvmp: unknown option %s\nTry 'kvmp --help'.\n", qPrintable(option));
        return 2;
    }
    QApplication::setApplicationName(QStringLiteral("kvmp"));
    QApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));
    QApplication::setApplicationDisplayName(QString::fromLatin1(kivo::player::kWindowTitle));
    QApplication::setDesktopFileName(QStringLiteral("kvmp"));
    QuitOnTerminationSignals(app);

    kivo::player::PlayerSession session(kivo::sound::SharedAudioBackend());
    kivo::player::PlayerWindow window(session);
    window.show();
    if (argc > 1) {
        const QString path = PathFromCommandLine(QCoreApplication::arguments());
        if (path.isEmpty())
            window.ShowPathNotFound();
        else
            window.OpenFile(path);
    }
    if (g_quit_requested)
        return 0;

    kivo::dbus::RemoteControlService remote(
        {QStringLiteral("kvmp"), QStringLiteral("Kivo Message Player"), QStringLiteral("kvmp")});
    if (remote.start()) {
        remote.setTarget(&session, &session);
        QObject::connect(&session, &kivo::player::PlayerSession::stateChanged, &remote,
                         &kivo::dbus::RemoteControlService::notifyPlaybackStatusChanged);
        QObject::connect(&session, &kivo::player::PlayerSession::opened, &remote,
                         &kivo::dbus::RemoteControlService::notifyMetadataChanged);
        QObject::connect(&session, &kivo::player::PlayerSession::mediaReady, &remote,
                         &kivo::dbus::RemoteControlService::notifyMetadataChanged);
        QObject::connect(&session, &kivo::player::PlayerSession::closed, &remote,
                         &kivo::dbus::RemoteControlService::notifyMetadataChanged);
        QObject::connect(&session, &kivo::player::PlayerSession::positionJumped, &remote,
                         [&remote](qint64 ms) { remote.notifySeeked(ms * 1000); });
    }

    const int result = app.exec();
    remote.setTarget(nullptr);
    return result;
}
