// Media codec benchmark: the FLAC round trip of one hour of 8 kHz mono and
// one hour of 44.1 kHz stereo 16-bit PCM. Prints the wave size, the stored
// size, the time to encode and to decode (in place, as the record store does)
// and checks that the decoded file is the original byte for byte.
//
// The sound is speech from espeak-ng (resampled with sox) repeated to one
// hour when both programs are on PATH, else a synthetic speech-like signal.
// Usage: media_codec_bench [FOLDER] [--minutes N] [--level 0-8]
#include <unistd.h>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kivo/recordstore/media_codec.h"

namespace {

namespace fs = std::filesystem;
using kivo::recordstore::CodecOutcome;
using kivo::recordstore::MediaCodec;

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "media_codec_bench: %s\n", message.c_str());
    std::exit(1);
}

void PutLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> WaveHeader(std::uint32_t rate_hz, std::uint16_t channels,
                                     std::uint64_t sample_bytes) {
    std::vector<std::uint8_t> h;
    const char* riff = "RIFF";
    h.insert(h.end(), riff, riff + 4);
    PutLe(h, 36 + sample_bytes, 4);
    const char* wave_fmt = "WAVEfmt ";
    h.insert(h.end(), wave_fmt, wave_fmt + 8);
    PutLe(h, 16, 4);
    PutLe(h, 1, 2);
    PutLe(h, channels, 2);
    PutLe(h, rate_hz, 4);
    PutLe(h, static_cast<std::uint64_t>(rate_hz) * channels * 2, 4);
    PutLe(h, channels * 2u, 2);
    PutLe(h, 16, 2);
    const char* data = "data";
    h.insert(h.end(), data, data + 4);
    PutLe(h, sample_bytes, 4);
    return h;
}

// One channel of speech: espeak-ng resampled by sox when available.
std::vector<std::int16_t> SpeechSamples(std::uint32_t rate_hz, const fs::path& folder,
                                        std::string* source) {
    const fs::path raw = folder / "speech.raw";
    const std::string text =
        "Good morning. This is a dictation for the minutes of the project meeting held on Tuesday. "
        "We agreed to move the delivery to the end of March, and Anna will call the supplier "
        "about the price of the new recorders before Friday. Please file this under meetings.";
    const std::string command =
        "espeak-ng --stdout \"" + text + "\" 2>/dev/null | sox -q -t wav - -t raw -r " +
        std::to_string(rate_hz) + " -e signed -b 16 -c 1 " + raw.string() + " 2>/dev/null";
    std::vector<std::int16_t> samples;
    if (std::system(command.c_str()) == 0 && fs::exists(raw) && fs::file_size(raw) > 1000) {
        samples.resize(fs::file_size(raw) / 2);
        std::ifstream(raw, std::ios::binary)
            .read(reinterpret_cast<char*>(samples.data()), samples.size() * 2);
        *source = "espeak-ng speech";
        fs::remove(raw);
        return samples;
    }
    *source = "synthetic speech-like signal";
    std::uint32_t noise = 1;
    for (std::uint32_t i = 0; i < rate_hz * 20; ++i) {
        const double t = static_cast<double>(i) / rate_hz;
        noise = noise * 1664525u + 1013904223u;
        const double envelope = std::max(0.0, std::sin(2 * M_PI * 2.5 * t));
        const double v =
            envelope * (0.4 * std::sin(2 * M_PI * 180 * t) + 0.2 * std::sin(2 * M_PI * 720 * t) +
                        0.1 * std::sin(2 * M_PI * 2100 * t)) +
            0.02 * (static_cast<double>(noise >> 8) / (1 << 24) - 0.5);
        samples.push_back(static_cast<std::int16_t>(std::lround(v * 32767)));
    }
    return samples;
}

// Writes minutes of speech (both channels get it, the second delayed) as a wave.
std::uint64_t WriteWave(const fs::path& path, std::uint32_t rate_hz, std::uint16_t channels,
                        int minutes, std::string* source) {
    const std::vector<std::int16_t> speech = SpeechSamples(rate_hz, path.parent_path(), source);
    const std::uint64_t frames = static_cast<std::uint64_t>(rate_hz) * 60 * minutes;
    const std::uint64_t sample_bytes = frames * channels * 2;
    std::ofstream out(path, std::ios::binary);
    const auto header = WaveHeader(rate_hz, channels, sample_bytes);
    out.write(reinterpret_cast<const char*>(header.data()), header.size());
    std::vector<std::int16_t> block;
    const std::uint64_t delay = rate_hz / 7;
    for (std::uint64_t done = 0; done < frames;) {
        block.clear();
        for (std::uint64_t i = 0; i < 65536 && done < frames; ++i, ++done) {
            block.push_back(speech[done % speech.size()]);
            if (channels == 2)
                block.push_back(speech[(done + delay) % speech.size()]);
        }
        out.write(reinterpret_cast<const char*>(block.data()), block.size() * 2);
    }
    if (!out)
        Fail("cannot write " + path.string());
    return header.size() + sample_bytes;
}

std::uint64_t Fnv1a(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(1 << 20);
    std::uint64_t hash = 1469598103934665603ull;
    while (in.read(buffer.data(), buffer.size()) || in.gcount() > 0) {
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 1099511628211ull;
        }
    }
    return hash;
}

double Seconds(const std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void RoundTrip(const fs::path& folder, const char* label, std::uint32_t rate_hz,
               std::uint16_t channels, int minutes, const MediaCodec& codec) {
    const fs::path path = folder / (std::string(label) + ".xrw");
    std::string source;
    const std::uint64_t wave_bytes = WriteWave(path, rate_hz, channels, minutes, &source);
    const std::uint64_t original = Fnv1a(path);

    auto start = std::chrono::steady_clock::now();
    const auto encoded = codec.Encode(path.string());
    const double encode_s = Seconds(start);
    if (encoded.outcome != CodecOutcome::kEncoded)
        Fail("encode: " + encoded.message);
    const std::uint64_t stored_bytes = fs::file_size(path);

    start = std::chrono::steady_clock::now();
    const auto decoded = codec.Decode(path.string());
    const double decode_s = Seconds(start);
    if (decoded.outcome != CodecOutcome::kDecoded)
        Fail("decode: " + decoded.message);
    const bool identical = fs::file_size(path) == wave_bytes && Fnv1a(path) == original;
    fs::remove(path);

    const double audio_s = minutes * 60.0;
    std::printf("%-26s %9.1f MiB %9.1f MiB %6.1f %% %8.2f s %7.0fx %8.2f s %7.0fx  %s\n", label,
                wave_bytes / 1048576.0, stored_bytes / 1048576.0, 100.0 * stored_bytes / wave_bytes,
                encode_s, audio_s / encode_s, decode_s, audio_s / decode_s,
                identical ? "identical" : "DIFFERENT");
    std::printf("%-26s (%s, %d min)\n", "", source.c_str(), minutes);
    if (!identical)
        Fail("decoded file differs from the original");
}

}  // namespace

int main(int argc, char** argv) {
    fs::path folder = fs::temp_directory_path();
    int minutes = 60;
    kivo::recordstore::MediaCodecOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--minutes") == 0 && i + 1 < argc) {
            minutes = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--level") == 0 && i + 1 < argc) {
            options.compression_level = static_cast<unsigned>(std::atoi(argv[++i]));
        } else {
            folder = argv[i];
        }
    }
    if (minutes < 1)
        Fail("--minutes must be at least 1");
    const fs::path work = folder / ("kivo-codec-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    std::printf("Media codec round trip (FLAC level %u, verified while encoding), in place on %s\n",
                options.compression_level, work.c_str());
    const MediaCodec codec(options);
    std::printf("%-26s %13s %13s %8s %10s %8s %10s %8s\n", "recording", "wave", "stored", "ratio",
                "encode", "speed", "decode", "speed");
    RoundTrip(work, "8 kHz mono 16-bit", 8000, 1, minutes, codec);
    RoundTrip(work, "44.1 kHz stereo 16-bit", 44100, 2, minutes, codec);
    fs::remove_all(work);
    return 0;
}
