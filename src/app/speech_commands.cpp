// Routing of the translator's command (see speech_commands.h).
#include "speech_commands.h"

#include "kivo/recorder/recorder_target.h"
#include "kivo/sound/audio_backend_factory.h"
#include "kivo/translator/translator_dialog.h"
#include "main_window.h"

namespace kivo::app {
namespace {

// Opens the translator on the open store; a saved translation shows in the
// list. Nothing opens without a store, or (message 850) without a
// translation installed.
void RunTranslator(MainWindow* window, core::MessageReporter& reporter) {
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
    translator::TranslatorDialog dialog(sound::SharedAudioBackend(), target, reporter, window);
    if (!dialog.Start())
        return;
    dialog.exec();
    if (dialog.saved()) {
        session.CommitStoreChanges();
        window->RefreshCurrentView();
    }
}

}  // namespace

void RouteSpeechCommands(MainWindow* window, core::MessageReporter* reporter) {
    window->commands().Route(Command::kTextToSpeech,
                             [window, reporter] { RunTranslator(window, *reporter); });
}

}  // namespace kivo::app
