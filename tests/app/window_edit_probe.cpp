// A Kivo window that edits one record's keywords through the Edit command
// and its dialog's OK, then waits to be killed: window_edit_kill_test.cpp
// runs it. It starts as Kivo does (the store last used in the given home),
// shows the meetings, selects the first, edits, prints "saved" once the
// command has returned, and sleeps without closing anything.
//
// Usage: window_edit_probe KIVO_HOME TEMP_ROOT KEYWORDS
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

#include "kivo/core/application_folders.h"
#include "kivo/core/store_chooser.h"
#include "kivo/core/user_messages.h"
#include "main_window.h"

namespace {

// Store choices are never asked for: the last store opens at start.
class NoChoice : public kivo::core::StoreChooser {
public:
    std::optional<std::filesystem::path> ChooseStoreToOpen() override { return std::nullopt; }
    std::optional<std::filesystem::path> ChooseNewStore() override { return std::nullopt; }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: window_edit_probe KIVO_HOME TEMP_ROOT KEYWORDS\n");
        return 2;
    }
    using namespace kivo;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.path().toLocal8Bit());
    qputenv("KIVO_AUDIO", "virtual");
    QApplication application(argc, argv);

    core::SessionPlaces places;
    const std::string home = argv[1];
    places.folders = core::LocateApplicationFolders(
        [home](const char* name) { return std::string(name) == "KIVO_HOME" ? home : ""; },
        std::filesystem::path(KIVO_SOURCE_SHARE_DIR) / ".." / ".." / "bin" / "kivo");
    places.folders.resources = KIVO_SOURCE_SHARE_DIR;
    places.section = "tester";
    places.temp_root = argv[2];
    core::StderrMessageReporter reporter;
    NoChoice chooser;
    app::MainWindow window(app::Resources(KIVO_SOURCE_SHARE_DIR), places, &reporter, &chooser);
    if (!window.Start())
        return 3;
    window.ShowKind(core::ViewKind::kMeeting);
    if (window.records().rowCount() < 1)
        return 4;
    window.record_view()->selectRow(0);
    QAction* edit = window.commands().action(app::Command::kEdit);
    if (!edit->isEnabled())
        return 5;
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        QWidget* editor = QApplication::activeModalWidget();
        if (editor == nullptr)
            return;
        editor->findChild<QPlainTextEdit*>(QStringLiteral("keywords"))
            ->setPlainText(QString::fromLocal8Bit(argv[3]));
        for (QPushButton* button : editor->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("&OK")) {
                QTest::mouseClick(button, Qt::LeftButton);
                clicked = true;
            }
        }
    });
    edit->trigger();
    if (!clicked)
        return 6;
    std::printf("saved\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
