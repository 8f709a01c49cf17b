// Routing of the translator's command (see speech_commands.h).
#include "speech_commands.h"

#include "kivo/recorder/recorder_target.h"
#include "kivo/sound/audio_backend_factory.h"
#include "kivo/translator/text_to_speech_dialog.h"
#include "kivo/translator/translator_dialog.h"
#include "main_window.h"

namespace kivo::app {
namespace {

// Where a spoken or translated record goes: the open store, bound to its
// session as the recorders are (saved only into this store, under its writer
// lock).
recorder::RecorderTarget BoundTargetOf(core::ShellSession& session) {
    recorder::RecorderTarget target{
        {},
        {},
        &session.profile(),
        session.section(),
        recorder::ReadRecordingQuality(session.profile(), session.section()),
        {}};
    recorder::BindToSession(target, session.store());
    return target;
}

// A saved record is committed and shows in the list.
void TakeSaved(MainWindow* window, bool saved) {
    if (!saved)
        return;
    window->session().CommitStoreChanges();
    window->RefreshCurrentView();
}

// Opens "Kivo Text To Speech" on the open store (its Translate opens the
// translator).
void RunTextToSpeech(MainWindow* window, core::MessageReporter& reporter) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return;
    translator::TextToSpeechDialog dialog(sound::SharedAudioBackend(), BoundTargetOf(session),
                                          reporter, window);
    dialog.exec();
    TakeSaved(window, dialog.saved());
}

}  // namespace

bool RunTranslatorOfView(MainWindow* window, core::MessageReporter& reporter) {
    if (window->view() != core::ViewKind::kTranslation)
        return false;
    core::ShellSession& session = window->session();
    if (!session.started())
        return true;
    translator::TranslatorDialog dialog(sound::SharedAudioBackend(), BoundTargetOf(session),
                                        reporter, window);
    if (dialog.Start()) {
        dialog.exec();
        TakeSaved(window, dialog.saved());
    }
    return true;
}

void RouteSpeechCommands(MainWindow* window, core::MessageReporter* reporter) {
    window->commands().Route(Command::kTextToSpeech,
                             [window, reporter] { RunTextToSpeech(window, *reporter); });
}

}  // namespace kivo::app
