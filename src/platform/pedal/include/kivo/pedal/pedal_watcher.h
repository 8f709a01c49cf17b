// Watches for a foot pedal and reports its pedal events. It opens the first
// pedal FindPedalDevices lists, reads its reports as they come (the UI thread
// is woken by a socket notifier; nothing blocks) and, while no pedal is open,
// looks again every rescan interval, so a pedal plugged in later is found.
//
// Opening /dev/hidrawN needs the udev rule share/udev/70-kivo-pedal.rules,
// which gives the logged-in user access; without it deviceUnusable() says so.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "kivo/pedal/pedal_report_decoder.h"

class QSocketNotifier;

namespace kivo::pedal {

class PedalWatcher : public QObject {
    Q_OBJECT

public:
    explicit PedalWatcher(QObject* parent = nullptr);
    ~PedalWatcher() override;

    // Where to look: normally "/sys" and "/dev".
    void setSearchRoots(std::filesystem::path sysfs_root, std::filesystem::path dev_root);
    // Only the pedal at this device node ("/dev/hidraw2") is opened; empty
    // (the default) opens the first pedal found.
    void setDevicePath(std::filesystem::path device);
    // 0 turns looking again off. Default kDefaultRescanInterval_ms.
    void setRescanInterval(int interval_ms);

    // Opens a pedal if one is present and keeps looking otherwise. True when
    // a pedal is open on return.
    bool start();
    void stop();
    bool isOpen() const { return fd_ >= 0; }
    QString devicePath() const { return device_path_; }

    static constexpr int kDefaultRescanInterval_ms = 3000;

signals:
    void deviceOpened(const QString& path);
    void deviceLost(const QString& path);
    // The pedal is there but cannot be opened (usually: no permission).
    // Reported once per device and reason, not at every rescan.
    void deviceUnusable(const QString& path, const QString& reason);
    void pedalEvent(kivo::pedal::PedalEvent event);

private:
    bool openFirstPedal();
    void readReports();
    void closeDevice();
    void loseDevice();

    std::filesystem::path sysfs_root_ = "/sys";
    std::filesystem::path dev_root_ = "/dev";
    std::filesystem::path wanted_device_;
    int rescan_interval_ms_ = kDefaultRescanInterval_ms;
    bool running_ = false;

    int fd_ = -1;
    QString device_path_;
    QString last_unusable_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer rescan_timer_;
    PedalReportDecoder decoder_;
};

}  // namespace kivo::pedal
