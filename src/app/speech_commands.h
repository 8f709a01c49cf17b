// The speech commands: Tools > Text to speech opens "Kivo Text To Speech" on
// the open store, whose Translate opens the "Kivo Text and Speech Translator
// (Experimental Technology)"; New Recording in the translation view opens the
// translator.
#pragma once

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteSpeechCommands(MainWindow* window, core::MessageReporter* reporter);

// New Recording in the translation view opens the translator on the open
// store; false in any other view (the caller opens that view's recorder).
bool RunTranslatorOfView(MainWindow* window, core::MessageReporter& reporter);

}  // namespace kivo::app
