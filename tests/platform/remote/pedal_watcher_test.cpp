// The pedal watcher on a made-up tree whose device nodes are FIFOs: reports
// written into a node arrive as pedal events; a pedal plugged in later is
// found; a pedal pulled out while held lets go of its pedals.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "kivo/pedal/pedal_watcher.h"
#include "pedal_test_tree.h"
#include "remote_test_helpers.h"
#include "temp_dir.h"

namespace kivo::pedal {
namespace {

using kivo::test::WaitUntil;

class PedalWatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        sysfs_ = dir_.path() / "sys";
        dev_ = dir_.path() / "dev";
        std::filesystem::create_directories(sysfs_ / "class" / "hidraw");
        std::filesystem::create_directories(dev_);
        watcher_.setSearchRoots(sysfs_, dev_);
        QObject::connect(&watcher_, &PedalWatcher::pedalEvent,
                         [this](PedalEvent event) { events_.push_back(event); });
    }

    void TearDown() override {
        watcher_.stop();
        for (int fd : writers_) {
            ::close(fd);
        }
    }

    // Makes a pedal appear as `name` and returns the write end of its node.
    // The end is opened read-write so the watcher never sees end of file
    // while the test holds it.
    int PlugIn(const std::string& name) {
        kivo::test::AddHidraw(sysfs_, name, kivo::test::kPedalUevent);
        const std::filesystem::path node = dev_ / name;
        EXPECT_EQ(::mkfifo(node.c_str(), 0600), 0);
        const int fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(fd, 0);
        writers_.push_back(fd);
        return fd;
    }

    void Send(int fd, std::vector<std::uint8_t> report) {
        ASSERT_EQ(::write(fd, report.data(), report.size()), static_cast<ssize_t>(report.size()));
    }

    bool WaitForEvents(std::size_t count) {
        return WaitUntil([&] { return events_.size() >= count; });
    }

    kivo::test::TempDir dir_;
    std::filesystem::path sysfs_;
    std::filesystem::path dev_;
    PedalWatcher watcher_;
    std::vector<PedalEvent> events_;
    std::vector<int> writers_;
};

TEST_F(PedalWatcherTest, ReportsArriveAsPedalEvents) {
    const int pedal = PlugIn("hidraw1");
    QSignalSpy opened(&watcher_, &PedalWatcher::deviceOpened);
    ASSERT_TRUE(watcher_.start());
    EXPECT_EQ(opened.count(), 1);
    EXPECT_EQ(watcher_.devicePath(), QString::fromStdString((dev_ / "hidraw1").string()));

    Send(pedal, {0x02, 0x00});
    ASSERT_TRUE(WaitForEvents(1));
    Send(pedal, {0x00, 0x00});
    ASSERT_TRUE(WaitForEvents(2));
    EXPECT_EQ(events_,
              (std::vector<PedalEvent>{PedalEvent::PlayPressed, PedalEvent::PlayReleased}));
}

TEST_F(PedalWatcherTest, PedalPluggedInLaterIsFound) {
    watcher_.setRescanInterval(20);
    EXPECT_FALSE(watcher_.start());
    PlugIn("hidraw4");
    EXPECT_TRUE(WaitUntil([&] { return watcher_.isOpen(); }));
}

TEST_F(PedalWatcherTest, PedalPulledOutWhileHeldLetsGo) {
    watcher_.setRescanInterval(0);
    const int pedal = PlugIn("hidraw2");
    ASSERT_TRUE(watcher_.start());
    QSignalSpy lost(&watcher_, &PedalWatcher::deviceLost);
    Send(pedal, {0x03, 0x00});
    ASSERT_TRUE(WaitForEvents(2));

    ::close(pedal);  // the last writer goes: the reader sees end of file
    writers_.clear();
    ASSERT_TRUE(WaitUntil([&] { return lost.count() == 1; }));
    EXPECT_FALSE(watcher_.isOpen());
    EXPECT_EQ(events_,
              (std::vector<PedalEvent>{PedalEvent::RewindPressed, PedalEvent::PlayPressed,
                                       PedalEvent::RewindReleased, PedalEvent::PlayReleased}));
}

TEST_F(PedalWatcherTest, OnlyTheChosenPedalIsOpened) {
    watcher_.setRescanInterval(0);
    PlugIn("hidraw1");
    const int chosen = PlugIn("hidraw3");
    watcher_.setDevicePath(dev_ / "hidraw3");
    ASSERT_TRUE(watcher_.start());
    EXPECT_EQ(watcher_.devicePath(), QString::fromStdString((dev_ / "hidraw3").string()));
    Send(chosen, {0x04, 0x00});
    ASSERT_TRUE(WaitForEvents(1));
    EXPECT_EQ(events_.front(), PedalEvent::FastForwardPressed);

    watcher_.stop();
    watcher_.setDevicePath(dev_ / "hidraw9");  // not there
    EXPECT_FALSE(watcher_.start());
}

TEST_F(PedalWatcherTest, PedalThatCannotBeOpenedIsReportedOnce) {
    kivo::test::AddHidraw(sysfs_, "hidraw7", kivo::test::kPedalUevent);  // no device node
    QSignalSpy unusable(&watcher_, &PedalWatcher::deviceUnusable);
    watcher_.setRescanInterval(10);
    EXPECT_FALSE(watcher_.start());
    QTest::qWait(100);  // several rescans
    ASSERT_EQ(unusable.count(), 1);
    EXPECT_TRUE(unusable[0][0].toString().endsWith("hidraw7"));
}

}  // namespace
}  // namespace kivo::pedal
