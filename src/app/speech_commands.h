// The speech commands: Tools > Text to speech opens "Kivo Text To Speech" on
// the open store, whose Translate opens the "Kivo Text and Speech Translator
// (Experimental Technology)".
#pragma once

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteSpeechCommands(MainWindow* window, core::MessageReporter* reporter);

}  // namespace kivo::app
