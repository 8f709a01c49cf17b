// Speech and translation benchmark: speaking 10,000 words with the speech
// library next to the espeak-ng command on the same text, and translating
// 1,000 words English to Spanish with the language library next to the
// apertium command, in the same run. Prints wall and CPU times (the CPU time
// of the process and of the children it waited for, which on a loaded
// machine is the steadier figure) and their ratios (command / library: 1.0
// is as fast as the command).
// Usage: speech_translation_bench [FOLDER]
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "kivo/speech/speech_synthesizer.h"
#include "kivo/translation/lang_trans.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "speech_translation_bench: %s\n", message.c_str());
    std::exit(1);
}

// A letter of ten words, repeated to `words` words.
std::string Words(int words) {
    const std::string sentence = "The meeting with the new customer is on Tuesday morning. ";
    std::string text;
    for (int written = 0; written < words; written += 10)
        text += sentence;
    return text;
}

// Wall time and CPU time (this process and its waited-for children).
struct Cost {
    double wall_s = 0;
    double cpu_s = 0;
};

double CpuSeconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

class Meter {
public:
    Cost Read() const {
        return {std::chrono::duration<double>(Clock::now() - wall_).count(), CpuSeconds() - cpu_};
    }

private:
    Clock::time_point wall_ = Clock::now();
    double cpu_ = CpuSeconds();
};

Cost RunCommand(const std::string& command) {
    const Meter meter;
    if (std::system(command.c_str()) != 0)
        Fail("command failed: " + command);
    return meter.Read();
}

void Report(const char* what, Cost library, Cost command) {
    std::printf(
        "%-26s library %7.3f s (CPU %7.3f s)   command %7.3f s (CPU %7.3f s)   "
        "ratio %.2fx (CPU %.2fx)\n",
        what, library.wall_s, library.cpu_s, command.wall_s, command.cpu_s,
        command.wall_s / library.wall_s, command.cpu_s / library.cpu_s);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path text_path = folder / "bench-words.txt";

    const std::string speech_text = Words(10000);
    std::ofstream(text_path) << speech_text;
    const Meter speech_meter;
    kivo::speech::SpokenSpeech spoken;
    if (!kivo::speech::Synthesize({speech_text, "", kivo::speech::kNormalRateWpm}, &spoken).ok())
        Fail("synthesis failed");
    const Cost library_speech = speech_meter.Read();
    const Cost command_speech =
        RunCommand("espeak-ng -s 175 -w '" + (folder / "bench-speech.wav").string() + "' -f '" +
                   text_path.string() + "'");
    Report("speech, 10,000 words", library_speech, command_speech);

    kivo::translation::LangTrans library;
    if (library.InitLangTrans(kivo::translation::kDefaultDataFolder) < 0)
        Fail("no translation pair installed");
    const std::string translation_text = Words(1000);
    std::ofstream(text_path) << translation_text;
    const Meter translation_meter;
    std::string translated;
    if (!library.LangTransForm({translation_text, "eng-spa"}, &translated).ok())
        Fail("translation failed (apertium-eng-spa installed?)");
    const Cost library_translation = translation_meter.Read();
    const Cost command_translation = RunCommand(
        std::string("apertium -u -d ") + kivo::translation::kDefaultDataFolder + " eng-spa < '" +
        text_path.string() + "' > '" + (folder / "bench-translated.txt").string() + "'");
    Report("translation, 1,000 words", library_translation, command_translation);
    fs::remove(text_path);
    fs::remove(folder / "bench-speech.wav");
    fs::remove(folder / "bench-translated.txt");
    return 0;
}
