// The translator's command: Tools > Text to speech opens the "Kivo Text and
// Speech Translator (Experimental Technology)" on the open store.
#pragma once

namespace kivo::core {
class MessageReporter;
}

namespace kivo::app {

class MainWindow;

void RouteSpeechCommands(MainWindow* window, core::MessageReporter* reporter);

}  // namespace kivo::app
