#include "dictation_runner.h"

#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/sound/audio_backend_factory.h"
#include "main_window.h"

namespace kivo::app {

bool RunDictationRecorder(MainWindow* window, core::MessageReporter& reporter,
                          const std::function<bool(dictation::DictationRecorderDialog&)>& start) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return false;
    // Bound to the store open now: the save goes into this store only,
    // under its writer lock, and is refused after Open or New.
    dictation::DictationTarget target{
        {},
        {},
        &session.profile(),
        session.section(),
        recorder::ReadRecordingQuality(session.profile(), session.section()),
        session.places().folders.takes_folder};
    recorder::BindToSession(target, session.store());
    dictation::DictationRecorderDialog recorder(sound::SharedAudioBackend(), target, reporter,
                                                window);
    QObject::connect(&recorder, &dictation::DictationRecorderDialog::helpRequested, window,
                     &MainWindow::ShowHelpTopic);
    if (!start(recorder))
        return false;
    recorder.exec();
    if (recorder.saved()) {
        session.CommitStoreChanges();
        window->RefreshCurrentView();
        window->ShowSavedRecord(recorder.session().record_number());
    }
    return true;
}

}  // namespace kivo::app
