// kvmp showing a recording, measured as a whole process: from starting
// `kvmp FILE` to the moment its remote-control name appears on the session
// bus. kvmp opens the file given on its command line before it publishes
// that name (see src/player/main.cpp), so the name means: window shown,
// recording unpacked, decoded and loaded. A one-hour recording (8 kHz mono
// speech-like audio, stored as the recorder stores it) is timed next to a
// one-second one, in turns; the difference is what the hour itself costs.
//
// Needs a session bus and a display (or QT_QPA_PLATFORM=offscreen), e.g.
// under scripts/with-test-services.sh, and `gdbus` (libglib2.0-bin).
//
// Usage: player_open_bench [FOLDER] [--rounds N] [--kvmp PATH]
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "../audio/speech_like_signal.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "kivo/wavefile/wave_writer.h"
#include "xrsave.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kSampleRateHz = 8000;
constexpr char kBusName[] = "org.mpris.MediaPlayer2.kvmp";

[[noreturn]] void Die(const std::string& what) {
    std::fprintf(stderr, "player_open_bench: %s\n", what.c_str());
    std::exit(1);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

std::string LoadAverage() {
    double load[3] = {0, 0, 0};
    if (getloadavg(load, 3) != 3)
        return "unknown";
    char text[48];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

pid_t Start(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        Die("cannot start " + arguments[0]);
    return child;
}

int WaitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A stand-alone recording of `seconds` made as the recorder saves one:
// wave, marks and record line packed (the wave encoded) by XRsaveXRZX.
fs::path MakeRecording(const fs::path& folder, int seconds) {
    const fs::path target = folder / ("Seconds" + std::to_string(seconds) + ".xrz");
    if (fs::exists(target))
        return target;
    const fs::path working = folder / "working";
    fs::remove_all(working);
    fs::create_directories(working);
    const auto samples = kivo::bench::MakeSpeechLike16BitMono(
        kSampleRateHz, static_cast<std::int64_t>(seconds) * kSampleRateHz);
    if (!kivo::wavefile::WritePcmWave((working / "D7.xrw").string(),
                                      kivo::wavefile::PcmFormat{1, kSampleRateHz, 16}, samples)
             .ok())
        Die("writing the wave");
    if (!kivo::recordstore::WriteIndexMarkFile((working / "D7.xrs").string(), {}).ok())
        Die("writing the marks");
    kivo::recordstore::RecordFields fields;
    fields.record_number = 7;
    fields.kind_code = kivo::recordstore::kind_code::kMessage;
    fields.text_a = "0";
    fields.subject = "Timing the player";
    fields.container_name = "D7.xrz";
    fields.start_date = fields.end_date = "01/02/2024";
    fields.start_time = "10:00:00";
    char duration[16];
    std::snprintf(duration, sizeof duration, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    fields.duration = duration;
    const auto line = kivo::recordstore::RecordLine::Build(fields);
    if (!line.status.ok())
        Die("record line");
    std::FILE* file = std::fopen((working / "D7.xrl").c_str(), "wb");
    if (file == nullptr ||
        std::fwrite(line.bytes.data(), 1, line.bytes.size(), file) != line.bytes.size())
        Die("writing the record line");
    std::fclose(file);
    if (XRsaveXRZX("D7.xrz", folder.c_str(), working.c_str()) != XR_OK)
        Die("packing the recording");
    fs::rename(folder / "D7.xrz", target);
    fs::remove_all(working);
    return target;
}

// Seconds from starting kvmp to its name on the bus; kvmp is then ended.
double TimeShowing(const std::string& kvmp, const fs::path& recording) {
    const auto start = Clock::now();
    const pid_t player = Start({kvmp, recording.string()});
    const pid_t waiter = Start({"gdbus", "wait", "--session", "--timeout", "30", kBusName});
    const int waited = WaitFor(waiter);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    kill(player, SIGTERM);
    WaitFor(player);
    if (waited != 0)
        Die("kvmp did not publish its name within 30 s");
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    fs::path root = "/tmp";
    int rounds = 9;
    std::string kvmp = KIVO_KVMP_PATH;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (argument == "--kvmp" && i + 1 < argc)
            kvmp = argv[++i];
        else
            root = argument;
    }
    const fs::path folder = root / "kivo-player-open-bench";
    fs::create_directories(folder);
    const fs::path hour = MakeRecording(folder, 3600);
    const fs::path second = MakeRecording(folder, 1);
    std::printf("load average at start: %s\n", LoadAverage().c_str());
    std::vector<double> hour_times;
    std::vector<double> second_times;
    for (int round = 0; round < rounds; ++round) {
        if (round % 2 == 0) {
            hour_times.push_back(TimeShowing(kvmp, hour));
            second_times.push_back(TimeShowing(kvmp, second));
        } else {
            second_times.push_back(TimeShowing(kvmp, second));
            hour_times.push_back(TimeShowing(kvmp, hour));
        }
    }
    std::printf("%d rounds, medians; load average at end: %s\n", rounds, LoadAverage().c_str());
    std::printf("kvmp showing a one-hour recording     %.3f s\n", Median(hour_times));
    std::printf("kvmp showing a one-second recording   %.3f s\n", Median(second_times));
    return 0;
}
