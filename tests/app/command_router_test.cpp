// The command table and router: commands are gray until routed, and routed
// commands follow the window's state.
#include <gtest/gtest.h>

#include <QAction>
#include <QSet>

#include "app_fixture.h"
#include "command_router.h"

namespace kivo::app {
namespace {

TEST(CommandRouter, CommandsAreDisabledUntilRouted) {
    test::AppHome home;
    const Resources resources = home.resources();
    QObject owner;
    CommandRouter router(resources, &owner);
    for (const CommandEntry& entry : CommandTable()) {
        EXPECT_FALSE(router.action(entry.command)->isEnabled()) << entry.text;
        EXPECT_FALSE(router.Trigger(entry.command)) << entry.text;
    }
}

TEST(CommandRouter, RoutedCommandRunsOnlyWhileAllowed) {
    test::AppHome home;
    const Resources resources = home.resources();
    QObject owner;
    CommandRouter router(resources, &owner);
    int runs = 0;
    router.Route(Command::kDelete, [&] { ++runs; });
    QAction* del = router.action(Command::kDelete);
    EXPECT_TRUE(del->isEnabled());
    del->trigger();
    EXPECT_EQ(runs, 1);

    router.SetAllowed(Command::kDelete, false);
    EXPECT_FALSE(del->isEnabled());
    EXPECT_FALSE(router.Trigger(Command::kDelete));
    EXPECT_EQ(runs, 1);

    router.SetAllowed(Command::kPlay, true);
    EXPECT_FALSE(router.action(Command::kPlay)->isEnabled());
}

TEST(CommandRouter, ActionsCarryTheTextsAndShortcutsOfTheTable) {
    test::AppHome home;
    const Resources resources = home.resources();
    QObject owner;
    CommandRouter router(resources, &owner);
    EXPECT_EQ(router.action(Command::kNewRecording)->text(), "&New Recording or Translation");
    EXPECT_EQ(router.action(Command::kStopMonitoring)->text(), "S&top Monitoring Phone Line");
    EXPECT_EQ(router.action(Command::kAmazing)->text(), "A&zaming!");
    EXPECT_EQ(router.action(Command::kExportWmv)->text(), "WM&V Format");
    EXPECT_TRUE(router.action(Command::kDiaryMonitor)->isCheckable());
    EXPECT_EQ(router.action(Command::kHelpContents)->shortcut(), QKeySequence(Qt::Key_F1));

    QSet<QKeySequence> shortcuts;
    for (const CommandEntry& entry : CommandTable()) {
        const QKeySequence shortcut = router.action(entry.command)->shortcut();
        if (shortcut.isEmpty())
            continue;
        EXPECT_FALSE(shortcuts.contains(shortcut)) << "shortcut used twice: " << entry.text;
        shortcuts.insert(shortcut);
    }
}

}  // namespace
}  // namespace kivo::app
