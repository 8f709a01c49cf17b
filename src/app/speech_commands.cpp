// Routing of the translator's command (see speech_commands.h).
#include "speech_commands.h"

#include "kivo/recorder/recorder_target.h"
#include "kivo/sound/audio_backend_factory.h"
#include "kivo/translator/text_to_speech_dialog.h"
#include "main_window.h"

namespace kivo::app {
namespace {

// Opens "Kivo Text To Speech" on the open store (its Translate opens the
// translator); a saved record shows in the list.
void RunTextToSpeech(MainWindow* window, core::MessageReporter& reporter) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return;
    const core::DataStoreSession& store = session.store();
    const recorder::RecorderTarget target{
        store.working_folder(),
        store.store_path(),
        &session.profile(),
        session.section(),
        recorder::ReadRecordingQuality(session.profile(), session.section()),
        {}};
    translator::TextToSpeechDialog dialog(sound::SharedAudioBackend(), target, reporter, window);
    dialog.exec();
    if (dialog.saved()) {
        session.CommitStoreChanges();
        window->RefreshCurrentView();
    }
}

}  // namespace

void RouteSpeechCommands(MainWindow* window, core::MessageReporter* reporter) {
    window->commands().Route(Command::kTextToSpeech,
                             [window, reporter] { RunTextToSpeech(window, *reporter); });
}

}  // namespace kivo::app
