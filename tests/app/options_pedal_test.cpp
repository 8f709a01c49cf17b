// The foot pedal in Options: the pedals found are offered, what each pedal
// does is kept in the profile, and the test names the pedal pressed with
// what it will do in the player.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app_fixture.h"
#include "kivo/core/profile_file.h"
#include "options_dialog.h"
#include "options_settings.h"
#include "pedal_test_tree.h"
#include "temp_dir.h"

namespace kivo::app {
namespace {

TEST(OptionsPedal, TheDeviceAndWhatEachPedalDoesAreKeptInTheProfile) {
    kivo::test::TempDir dir;
    core::ProfileFile profile(dir.file("KIVO.ini"));
    ASSERT_TRUE(WriteOptions(profile, "tester", OptionsSettings{}));
    const OptionsSettings untouched = ReadOptions(profile, "tester");
    EXPECT_EQ(untouched.pedal_device, "");
    EXPECT_EQ(untouched.pedal, pedal::PedalAssignment{});

    OptionsSettings chosen = untouched;
    chosen.pedal_device = "/dev/hidraw3";
    chosen.pedal.left = pedal::PedalAction::kPlay;
    chosen.pedal.middle = pedal::PedalAction::kNothing;
    ASSERT_TRUE(WriteOptions(profile, "tester", chosen));
    core::ProfileFile reread(dir.file("KIVO.ini"));
    EXPECT_EQ(ReadOptions(reread, "tester"), chosen);
    EXPECT_EQ(reread.Read("tester", "PedalLeft"), "1");

    ASSERT_TRUE(reread.Write("tester", "PedalRight", "banana"));
    OptionsSettings damaged;
    ReadPedalOptions(reread, "tester", damaged);
    EXPECT_EQ(damaged.pedal.right, pedal::PedalAction::kRewind);  // "banana" reads as 0
    ASSERT_TRUE(reread.Write("tester", "PedalRight", "9"));
    ReadPedalOptions(reread, "tester", damaged);
    EXPECT_EQ(damaged.pedal.right, pedal::PedalAction::kNothing);
}

TEST(OptionsPedal, TheDialogOffersThePedalsFoundAndItsTestNamesThePedalPressed) {
    kivo::test::TempDir dir;
    const std::filesystem::path sysfs = dir.path() / "sys";
    const std::filesystem::path dev = dir.path() / "dev";
    std::filesystem::create_directories(dev);
    kivo::test::AddHidraw(sysfs, "hidraw0", kivo::test::kKeyboardUevent);
    kivo::test::AddHidraw(sysfs, "hidraw2", kivo::test::kPedalUevent);
    const std::filesystem::path node = dev / "hidraw2";
    ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
    const int pedal = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(pedal, 0);

    OptionsSettings settings;
    settings.pedal.left = pedal::PedalAction::kFastForward;
    OptionsDialog dialog(settings);
    dialog.SetPedalSearchRoots(sysfs, dev);
    QComboBox* devices = dialog.pedal_device_box();
    ASSERT_EQ(devices->count(), 2);  // the first found, and the pedal (not the keyboard)
    EXPECT_EQ(devices->itemData(1).toString().toStdString(), node.string());
    devices->setCurrentIndex(1);

    dialog.pedal_test_button()->click();
    EXPECT_EQ(dialog.pedal_test_label()->text(), "Press a pedal.");
    const std::uint8_t left_down[] = {0x01, 0x00};
    ASSERT_EQ(::write(pedal, left_down, sizeof left_down), 2);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return dialog.pedal_test_label()->text() != "Press a pedal."; }));
    EXPECT_EQ(dialog.pedal_test_label()->text(),
              "Pedal 1 (left) is down: Fast forward while held.");
    dialog.pedal_test_button()->click();
    EXPECT_EQ(dialog.pedal_test_label()->text(), "");

    EXPECT_EQ(dialog.settings().pedal_device, node.string());
    EXPECT_EQ(dialog.settings().pedal.left, pedal::PedalAction::kFastForward);
    ::close(pedal);

    // Without a pedal the test says so.
    std::filesystem::remove(sysfs / "class" / "hidraw" / "hidraw2" / "device" / "uevent");
    dialog.SetPedalSearchRoots(sysfs, dev);
    dialog.pedal_device_box()->setCurrentIndex(0);
    dialog.pedal_test_button()->click();
    EXPECT_EQ(dialog.pedal_test_label()->text(), "No foot pedal is connected.");
}

}  // namespace
}  // namespace kivo::app
