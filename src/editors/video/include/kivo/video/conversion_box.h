// ConversionBox: "Kivo Video - Conversion & Compression". Runs a conversion
// on a worker thread while it shows "Please wait whilst your video is being
// converted and compressed" and one progress bar. "Stop" ends the conversion
// and keeps nothing (the record is not saved); "Keep Converted Part" ends it
// and keeps what is converted so far as a shorter video. Closing the box is
// "Stop". The box closes itself when the worker is done.
#pragma once

#include <QDialog>
#include <functional>
#include <thread>

#include "kivo/encoding/video_conversion.h"

class QProgressBar;
class QPushButton;

namespace kivo::video {

using ConversionWork = std::function<encoding::VideoConversionResult(
    encoding::ConversionControl*, const encoding::ConversionProgress&)>;

class ConversionBox : public QDialog {
    Q_OBJECT
public:
    ConversionBox(ConversionWork work, QWidget* parent = nullptr);
    ~ConversionBox() override;  // aborts and waits for a worker still running

    // Starts the worker (from showEvent when shown modally).
    void StartWork();
    const encoding::VideoConversionResult& result() const { return result_; }
    QProgressBar* progress_bar() const { return bar_; }
    QPushButton* stop_button() const { return stop_; }
    QPushButton* keep_button() const { return keep_; }

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void OnFinished(const encoding::VideoConversionResult& result);

    ConversionWork work_;
    encoding::ConversionControl control_;
    encoding::VideoConversionResult result_;
    std::thread worker_;
    QProgressBar* bar_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* keep_ = nullptr;
};

}  // namespace kivo::video
