// Opening and reading the pedal's hidraw node.
#include "kivo/pedal/pedal_watcher.h"

#include <fcntl.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "kivo/pedal/pedal_device_finder.h"

namespace kivo::pedal {
namespace {

// hidraw hands over one whole report per read; the pedal's is 2 bytes, and a
// larger buffer keeps an unexpected longer report in one piece.
constexpr std::size_t kReportBufferBytes = 64;

}  // namespace

PedalWatcher::PedalWatcher(QObject* parent) : QObject(parent) {
    rescan_timer_.setSingleShot(false);
    connect(&rescan_timer_, &QTimer::timeout, this, [this] {
        if (openFirstPedal()) {
            rescan_timer_.stop();
        }
    });
}

PedalWatcher::~PedalWatcher() {
    closeDevice();
}

void PedalWatcher::setSearchRoots(std::filesystem::path sysfs_root,
                                  std::filesystem::path dev_root) {
    sysfs_root_ = std::move(sysfs_root);
    dev_root_ = std::move(dev_root);
}

void PedalWatcher::setDevicePath(std::filesystem::path device) {
    wanted_device_ = std::move(device);
}

void PedalWatcher::setRescanInterval(int interval_ms) {
    rescan_interval_ms_ = interval_ms;
    if (rescan_timer_.isActive()) {
        rescan_timer_.stop();
        if (interval_ms > 0) {
            rescan_timer_.start(interval_ms);
        }
    }
}

bool PedalWatcher::start() {
    running_ = true;
    if (isOpen() || openFirstPedal()) {
        return true;
    }
    if (rescan_interval_ms_ > 0) {
        rescan_timer_.start(rescan_interval_ms_);
    }
    return false;
}

void PedalWatcher::stop() {
    running_ = false;
    rescan_timer_.stop();
    closeDevice();
}

bool PedalWatcher::openFirstPedal() {
    for (const std::filesystem::path& node : FindPedalDevices(sysfs_root_, dev_root_)) {
        if (!wanted_device_.empty() && node != wanted_device_)
            continue;
        const int fd = ::open(node.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        const QString path = QString::fromStdString(node.string());
        if (fd < 0) {
            const QString reason = QString::fromLocal8Bit(std::strerror(errno));
            if (last_unusable_ != path + reason) {
                last_unusable_ = path + reason;
                emit deviceUnusable(path, reason);
            }
            continue;
        }
        fd_ = fd;
        device_path_ = path;
        last_unusable_.clear();
        decoder_.reset();
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        connect(notifier_.get(), &QSocketNotifier::activated, this, &PedalWatcher::readReports);
        emit deviceOpened(path);
        return true;
    }
    return false;
}

void PedalWatcher::readReports() {
    std::uint8_t report[kReportBufferBytes];
    for (;;) {
        const ssize_t got = ::read(fd_, report, sizeof report);
        if (got > 0) {
            const std::span<const std::uint8_t> bytes(report, static_cast<std::size_t>(got));
            for (PedalEvent event : decoder_.decode(bytes)) {
                emit pedalEvent(event);
                if (!isOpen()) {
                    return;  // a receiver stopped the watcher
                }
            }
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        loseDevice();  // unplugged (ENODEV, EIO) or end of file
        return;
    }
}

void PedalWatcher::loseDevice() {
    const QString path = device_path_;
    // A pedal held while the cable is pulled never reports its release: say
    // it went up, so playback and winding stop.
    const std::uint8_t all_up[] = {0};
    const std::vector<PedalEvent> releases = decoder_.decode(all_up);
    closeDevice();
    for (PedalEvent event : releases) {
        emit pedalEvent(event);
    }
    emit deviceLost(path);
    if (running_ && rescan_interval_ms_ > 0) {
        rescan_timer_.start(rescan_interval_ms_);
    }
}

void PedalWatcher::closeDevice() {
    notifier_.reset();
    if (fd_ >= 0) {
        ::close(fd_);
    }
    fd_ = -1;
    device_path_.clear();
}

}  // namespace kivo::pedal
