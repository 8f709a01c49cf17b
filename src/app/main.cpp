// kivo: the Kivo voice-record organiser.
//
// Shows the splash screen for three seconds, then runs the start-up sequence
// (profile, data store) and shows the main window on the data store used
// last. The program ends when the main window closes. --help and --version
// are answered before the display is opened, so they work without one.
#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSplashScreen>
#include <QTimer>
#include <cstring>

#include "kivo/core/application_folders.h"
#include "main_window.h"
#include "splash_screen.h"
#include "termination_signals.h"

namespace {

kivo::core::SessionPlaces PlacesOfThisUser() {
    kivo::core::SessionPlaces places;
    places.folders = kivo::core::LocateApplicationFolders(kivo::core::ProcessEnvironment(),
                                                          kivo::core::CurrentExecutablePath());
    places.section = kivo::core::CurrentProfileSection();
    return places;
}

const QCommandLineOption kNoSplash(QStringLiteral("no-splash"),
                                   QStringLiteral("Start without the splash screen."));

void DescribeCommandLine(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral("Kivo voice-record organiser"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(kNoSplash);
}

// True when the command line asks for help or the version: both are
// answered without a window. (Other arguments, Qt's own -platform among
// them, go to the application as usual.)
bool AsksForHelpOrVersion(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AsksForHelpOrVersion(argc, argv)) {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("kivo"));
        QCoreApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));
        QCommandLineParser parser;
        DescribeCommandLine(parser);
        parser.process(application);  // ends the program on help, version or an error
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kivo"));
    QApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("kivo"));

    QCommandLineParser parser;
    DescribeCommandLine(parser);
    parser.process(application);

    const kivo::core::SessionPlaces places = PlacesOfThisUser();
    const kivo::app::Resources resources(places.folders.resources);
    QApplication::setWindowIcon(resources.Icon("kivo"));

    if (!parser.isSet(kNoSplash)) {
        std::unique_ptr<QSplashScreen> splash = kivo::app::MakeSplashScreen(resources);
        splash->show();
        QTimer::singleShot(kivo::app::kSplashDuration_ms, &application, &QApplication::quit);
        QApplication::exec();
        splash->close();
    }

    kivo::app::MainWindow window(resources, places);
    if (!window.Start())
        return 1;
    window.show();
    kivo::app::CloseOnTerminationSignals(&window);
    // Takes left by a recorder that could not close come first; the
    // compaction question waits until they are dealt with.
    QTimer::singleShot(0, &window, [&window] {
        window.OfferTakeRecovery();
        window.OfferCompaction();
    });
    return QApplication::exec();
}
