// Speech and translation benchmark: speaking 10,000 words with the speech
// library next to the espeak-ng command on the same text, and translating
// 1,000 words English to Spanish with the language library next to the
// apertium command, in the same run. Prints both times and the ratio
// (command time / library time: 1.0 is as fast as the command).
// Usage: speech_translation_bench [FOLDER]
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

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

double RunCommand(const std::string& command) {
    const Clock::time_point started = Clock::now();
    if (std::system(command.c_str()) != 0)
        Fail("command failed: " + command);
    return Seconds(started);
}

void Report(const char* what, double library_s, double command_s) {
    std::printf("%-34s library %7.3f s   command %7.3f s   ratio %.2fx\n", what, library_s,
                command_s, command_s / library_s);
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path text_path = folder / "bench-words.txt";

    const std::string speech_text = Words(10000);
    std::ofstream(text_path) << speech_text;
    Clock::time_point started = Clock::now();
    kivo::speech::SpokenSpeech spoken;
    if (!kivo::speech::Synthesize({speech_text, "", kivo::speech::kNormalRateWpm}, &spoken).ok())
        Fail("synthesis failed");
    const double library_speech_s = Seconds(started);
    const double command_speech_s =
        RunCommand("espeak-ng -s 175 -w '" + (folder / "bench-speech.wav").string() + "' -f '" +
                   text_path.string() + "'");
    Report("speech, 10,000 words", library_speech_s, command_speech_s);

    kivo::translation::LangTrans library;
    if (library.InitLangTrans(kivo::translation::kDefaultDataFolder) < 0)
        Fail("no translation pair installed");
    const std::string translation_text = Words(1000);
    std::ofstream(text_path) << translation_text;
    started = Clock::now();
    std::string translated;
    if (!library.LangTransForm({translation_text, "eng-spa"}, &translated).ok())
        Fail("translation failed (apertium-eng-spa installed?)");
    const double library_translation_s = Seconds(started);
    const double command_translation_s = RunCommand(
        std::string("apertium -u -d ") + kivo::translation::kDefaultDataFolder + " eng-spa < '" +
        text_path.string() + "' > '" + (folder / "bench-translated.txt").string() + "'");
    Report("translation, 1,000 words", library_translation_s, command_translation_s);
    fs::remove(text_path);
    fs::remove(folder / "bench-speech.wav");
    fs::remove(folder / "bench-translated.txt");
    return 0;
}
