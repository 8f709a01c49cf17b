// One hour of speech through TranscodeAudio and through the ffmpeg program:
// compressing an 8 kHz recording (Ogg Vorbis, quality 2), converting a
// 22 kHz stereo recording to voice quality and compressing it, and MP3
// export (48 kbit/s). Prints wall-clock seconds, the speed relative to
// ffmpeg and the sizes.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "kivo/encoding/audio_transcode.h"
#include "speech_like_signal.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void PutLe(FILE* file, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        std::fputc(static_cast<int>((value >> (8 * i)) & 0xff), file);
}

// A 16-bit wave of speech-like sound; stereo copies the one channel.
void WriteSpeech(const fs::path& path, int rate_hz, int channels, int seconds) {
    const auto mono =
        kivo::bench::MakeSpeechLike16BitMono(rate_hz, std::int64_t{rate_hz} * seconds);
    FILE* file = std::fopen(path.c_str(), "wb");
    const auto data_bytes = static_cast<std::uint32_t>(mono.size() * channels);
    std::fputs("RIFF", file);
    PutLe(file, 36 + data_bytes, 4);
    std::fputs("WAVEfmt ", file);
    PutLe(file, 16, 4);
    PutLe(file, 1, 2);
    PutLe(file, channels, 2);
    PutLe(file, rate_hz, 4);
    PutLe(file, rate_hz * channels * 2, 4);
    PutLe(file, channels * 2, 2);
    PutLe(file, 16, 2);
    std::fputs("data", file);
    PutLe(file, data_bytes, 4);
    for (std::size_t i = 0; i < mono.size(); i += 2) {
        for (int c = 0; c < channels; ++c)
            std::fwrite(&mono[i], 1, 2, file);
    }
    std::fclose(file);
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Compare(const char* what, const fs::path& source, const fs::path& ours,
             const kivo::encoding::EncodeSettings& settings, const std::string& ffmpeg_options,
             const fs::path& theirs) {
    auto start = Clock::now();
    const auto result = kivo::encoding::TranscodeAudio(source.string(), ours.string(), settings);
    const double our_s = Seconds(start);
    if (!result.ok) {
        std::printf("%s: failed: %s\n", what, result.message.c_str());
        return;
    }
    const std::string command = "ffmpeg -v error -y -i '" + source.string() + "' " +
                                ffmpeg_options + " '" + theirs.string() + "'";
    start = Clock::now();
    const int status = std::system(command.c_str());
    const double their_s = Seconds(start);
    std::printf("%-44s Kivo %6.2f s (%7.0f KiB)  ffmpeg %6.2f s (%7.0f KiB)%s  speed %.2fx\n", what,
                our_s, fs::file_size(ours) / 1024.0, their_s,
                status == 0 ? fs::file_size(theirs) / 1024.0 : 0.0, status == 0 ? "" : " FAILED",
                their_s / our_s);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 3600;
    const fs::path dir = fs::temp_directory_path() / "kivo-transcode-bench";
    fs::create_directories(dir);
    WriteSpeech(dir / "voice.wav", 8000, 1, seconds);
    WriteSpeech(dir / "stereo.wav", 22050, 2, seconds);
    std::printf("%d s of speech-like sound\n", seconds);

    kivo::encoding::EncodeSettings compress;
    compress.format = kivo::encoding::AudioFormat::kOgg;
    compress.vorbis_quality = 2;
    Compare("compress 8 kHz mono (Vorbis q2)", dir / "voice.wav", dir / "ours.ogg", compress,
            "-c:a libvorbis -q:a 2 -f ogg", dir / "theirs.ogg");

    kivo::encoding::EncodeSettings convert = compress;
    convert.sample_rate_hz = 8000;
    convert.channels = 1;
    Compare("convert 22 kHz stereo to 8 kHz mono + compress", dir / "stereo.wav",
            dir / "ours-voice.ogg", convert, "-ar 8000 -ac 1 -c:a libvorbis -q:a 2 -f ogg",
            dir / "theirs-voice.ogg");

    kivo::encoding::EncodeSettings mp3;
    mp3.format = kivo::encoding::AudioFormat::kMp3;
    Compare("MP3 export 8 kHz mono (48 kbit/s)", dir / "voice.wav", dir / "ours.mp3", mp3,
            "-c:a libmp3lame -b:a 48k -f mp3", dir / "theirs.mp3");
    fs::remove_all(dir);
    return 0;
}
