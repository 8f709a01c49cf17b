// Times the import of long MP3 and WMA files next to ffmpeg converting the
// same files to the same wave (8 kHz mono 16-bit, the recording quality 0),
// in the same run, and measures the peak memory of decoding a file of
// MINUTES and one of LONG_MINUTES: flat memory means the two peaks are the
// same.
//
//   decode + wave   what the importer's conversion does: DecodeToRawPcm and
//                   the recorder's wave (the work ffmpeg's command also does)
//   whole import    AudioFileImport into a data store: the conversion, then
//                   the record's save (the store's codec and the repository)
//   ffmpeg          ffmpeg -i SOURCE -ac 1 -ar 8000 -c:a pcm_s16le OUT.wav
//
// The sources are made by ffmpeg: a gliding tone with pink noise, mono
// 22.05 kHz, MP3 at 64 kbit/s (libmp3lame) and WMA at 64 kbit/s (wmav2).
//
// Usage: audio_import_bench [FOLDER] [MINUTES] [LONG_MINUTES]
//        (defaults $TMPDIR, 60, 240)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kivo/core/data_store_session.h"
#include "kivo/core/profile_file.h"
#include "kivo/decoding/audio_decoder.h"
#include "kivo/exchange/import_audio_file.h"
#include "kivo/wavefile/wave_writer.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool Shell(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A source of `minutes` in the codec's container; its path.
fs::path MakeSource(const fs::path& folder, int minutes, const std::string& extension,
                    const std::string& codec) {
    const fs::path out = folder / ("source-" + std::to_string(minutes) + "." + extension);
    if (fs::exists(out))
        return out;
    const std::string seconds = std::to_string(minutes * 60);
    Shell("ffmpeg -y -nostdin -filter_complex \"sine=f=220:r=22050:d=" + seconds +
          ",vibrato=f=0.5:d=0.8,volume=0.4[a];anoisesrc=d=" + seconds +
          ":c=pink:r=22050:a=0.05[b];[a][b]amix=inputs=2\" -ac 1 -ar 22050 -c:a " + codec +
          " -b:a 64k " + out.string());
    return out;
}

double DecodeToWave(const fs::path& source, const fs::path& folder) {
    const auto start = Clock::now();
    kivo::decoding::DecodeRequest request;
    const fs::path raw = folder / "bench.pcm";
    const auto decoded = kivo::decoding::DecodeToRawPcm(source.string(), raw.string(), request);
    if (!decoded.status.ok()) {
        std::fprintf(stderr, "decode failed: %s\n", decoded.status.reason().c_str());
        std::exit(1);
    }
    kivo::wavefile::WriteRecorderWave((folder / "bench.wav").string(), {1, 8000, 16}, raw.string());
    fs::remove(raw);
    return Seconds(start);
}

double WholeImport(const fs::path& source, const fs::path& folder) {
    const fs::path home = folder / "store";
    fs::remove_all(home);
    fs::create_directories(home / "work");
    kivo::core::ProfileFile profile((home / "KIVO.ini").string());
    kivo::core::DataStoreSession session(home / "work", &profile, "bench");
    const kivo::core::StoreLocation location{home, "Bench"};
    session.BuildDataStore(location);
    session.set_location(location);
    session.LoadDataStore();
    const kivo::recorder::RecorderTarget target{
        home / "work", session.store_path(), &profile, "bench", 0, {}};
    const auto start = Clock::now();
    const auto result = kivo::exchange::AudioFileImport(target, nullptr).Import(source);
    const double seconds = Seconds(start);
    if (!result.ok())
        std::fprintf(stderr, "import failed: %s\n", result.reason.c_str());
    return seconds;
}

double Ffmpeg(const fs::path& source, const fs::path& folder) {
    const auto start = Clock::now();
    Shell("ffmpeg -y -nostdin -i " + source.string() + " -ac 1 -ar 8000 -c:a pcm_s16le " +
          (folder / "ffmpeg.wav").string());
    return Seconds(start);
}

// The peak resident memory (KiB) of a child process that decodes source.
long PeakKibOfDecode(const fs::path& source, const fs::path& folder) {
    const pid_t child = ::fork();
    if (child == 0) {
        kivo::decoding::DecodeRequest request;
        const auto decoded = kivo::decoding::DecodeToRawPcm(
            source.string(), (folder / "memory.pcm").string(), request);
        ::_exit(decoded.status.ok() ? 0 : 1);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(child, &status, 0, &usage);
    fs::remove(folder / "memory.pcm");
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = fs::path(argc > 1 ? argv[1] : fs::temp_directory_path().string()) /
                            "kivo-audio-import-bench";
    const int minutes = argc > 2 ? std::atoi(argv[2]) : 60;
    const int long_minutes = argc > 3 ? std::atoi(argv[3]) : 240;
    fs::create_directories(folder);
    std::printf("audio import, %d minutes, to 8 kHz mono 16-bit (seconds; speed vs ffmpeg)\n",
                minutes);
    for (const auto& [extension, codec] :
         {std::pair<std::string, std::string>{"mp3", "libmp3lame"}, {"wma", "wmav2"}}) {
        const fs::path source = MakeSource(folder, minutes, extension, codec);
        const double ffmpeg = Ffmpeg(source, folder);
        const double decode = DecodeToWave(source, folder);
        const double whole = WholeImport(source, folder);
        std::printf("%s  ffmpeg %.2f  decode+wave %.2f (%.2fx)  whole import %.2f (%.2fx)\n",
                    extension.c_str(), ffmpeg, decode, ffmpeg / decode, whole, ffmpeg / whole);
        const fs::path long_source = MakeSource(folder, long_minutes, extension, codec);
        std::printf("%s  peak memory of decoding: %d min %ld KiB, %d min %ld KiB\n",
                    extension.c_str(), minutes, PeakKibOfDecode(source, folder), long_minutes,
                    PeakKibOfDecode(long_source, folder));
    }
    fs::remove_all(folder / "store");
    return 0;
}
