// Draws the progress bar: "[#####.....]  47%  label", redrawn in place at most
// ten times a second and finished with a line feed.
#include "progress_bar.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "entry_line.h"

namespace kivo::xrrps {
namespace {

ProgressBar* g_active_bar = nullptr;

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr int kBarCells = 30;

int TerminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) {
        return size.ws_col;
    }
    return 80;
}

std::string FormatBytes(std::uint64_t bytes) {
    char text[32];
    if (bytes >= (std::uint64_t{1} << 30)) {
        std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1 << 30));
    } else if (bytes >= (std::uint64_t{1} << 20)) {
        std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1 << 20));
    } else {
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    }
    return text;
}

}  // namespace

ProgressBar::ProgressBar(std::uint64_t total_bytes)
    : visible_(Wanted()), total_bytes_(total_bytes) {
    if (visible_) {
        g_active_bar = this;
    }
}

ProgressBar::~ProgressBar() {
    if (!visible_) {
        return;
    }
    g_active_bar = nullptr;
    if (drawn_) {
        if (total_bytes_ != 0) {
            done_bytes_ = std::max(done_bytes_, total_bytes_);
        }
        Draw();
        std::fputc('\n', stderr);
        std::fflush(stderr);
    }
}

bool ProgressBar::Wanted() {
    return isatty(STDERR_FILENO) == 1;
}

RPS_CALLBACK ProgressBar::callback() const {
    return visible_ ? &ProgressBar::OnBlock : nullptr;
}

void ProgressBar::OnBlock(std::int32_t phase, std::uint32_t byte_count, const char* label) {
    // Every block is reported twice, once read and once written: count it once.
    if (g_active_bar != nullptr && phase == 1) {
        g_active_bar->Advance(byte_count, label);
    }
}

void ProgressBar::Advance(std::uint32_t byte_count, const char* label) {
    done_bytes_ += byte_count;
    if (label != nullptr && label_ != label) {
        label_ = label;
        last_draw_ = {};  // a new file: show it at once
    }
    auto now = std::chrono::steady_clock::now();
    if (now - last_draw_ >= kRedrawInterval) {
        last_draw_ = now;
        Draw();
    }
}

void ProgressBar::Draw() {
    std::string line = "\r[";
    if (total_bytes_ != 0) {
        std::uint64_t shown = std::min(done_bytes_, total_bytes_);
        int cells = static_cast<int>(shown * kBarCells / total_bytes_);
        line.append(cells, '#');
        line.append(kBarCells - cells, '.');
        char percent[16];
        std::snprintf(percent, sizeof percent, "] %3d%%  ",
                      static_cast<int>(shown * 100 / total_bytes_));
        line += percent;
    } else {
        line += FormatBytes(done_bytes_) + "]  ";
    }
    // Keep the line inside the terminal so "\r" can overwrite it.
    std::size_t room = static_cast<std::size_t>(TerminalColumns() - 1);
    std::string label = EscapeName(label_.c_str());
    if (line.size() - 1 + label.size() > room && room > line.size() + 3) {
        std::size_t keep = room - (line.size() - 1) - 3;
        label = "..." + label.substr(label.size() - keep);
    }
    line += label;
    if (line.size() - 1 < room) {
        line.append(room - (line.size() - 1), ' ');
    }
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
    drawn_ = true;
}

}  // namespace kivo::xrrps
