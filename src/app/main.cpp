// kivo: the Kivo voice-record organiser.
//
// Shows the splash screen for three seconds, then runs the start-up sequence
// (profile, data store) and shows the main window on the data store used
// last. The program ends when the main window closes.
#include <QApplication>
#include <QCommandLineParser>
#include <QSplashScreen>
#include <QTimer>

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

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kivo"));
    QApplication::setApplicationVersion(QStringLiteral(KIVO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("kivo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Kivo voice-record organiser"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption no_splash(QStringLiteral("no-splash"),
                                       QStringLiteral("Start without the splash screen."));
    parser.addOption(no_splash);
    parser.process(application);

    const kivo::core::SessionPlaces places = PlacesOfThisUser();
    const kivo::app::Resources resources(places.folders.resources);
    QApplication::setWindowIcon(resources.Icon("kivo"));

    if (!parser.isSet(no_splash)) {
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
