// The video commands of the main window (see video_commands.h).
#include "video_commands.h"

#include <QFileDialog>

#include "command_router.h"
#include "command_table.h"
#include "export_commands.h"
#include "import_commands.h"
#include "kivo/core/shell_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/exchange/import_video_file.h"
#include "kivo/exchange/video_export.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/sound/audio_backend_factory.h"
#include "kivo/video/system_cameras.h"
#include "kivo/video/video_player_dialog.h"
#include "kivo/video/video_record_opening.h"
#include "kivo/video/video_recorder_dialog.h"
#include "kivo/video/video_take_recovery.h"
#include "main_window.h"

namespace kivo::app {

bool RunVideoRecorderOfView(MainWindow* window, core::MessageReporter& reporter) {
    if (window->view() != core::ViewKind::kVideo)
        return false;
    core::ShellSession& session = window->session();
    if (!session.started())
        return true;
    // Bound to the store open now: the save goes into this store only.
    recorder::RecorderTarget target{
        {},
        {},
        &session.profile(),
        session.section(),
        recorder::ReadRecordingQuality(session.profile(), session.section()),
        session.places().folders.takes_folder};
    recorder::BindToSession(target, session.store());
    static const video::SystemCameras cameras;
    video::VideoRecorderDialog recorder(sound::SharedAudioBackend(), cameras, std::move(target),
                                        reporter, window);
    if (!recorder.Start())
        return true;
    QObject::connect(&recorder, &video::VideoRecorderDialog::helpRequested, window,
                     &MainWindow::ShowHelpTopic);
    recorder.exec();
    if (recorder.saved()) {
        window->session().CommitStoreChanges();
        window->RefreshCurrentView();
    }
    return true;
}

bool PlayVideoOfView(MainWindow* window, core::MessageReporter& reporter) {
    if (window->view() != core::ViewKind::kVideo)
        return false;
    if (!window->session().started())
        return true;
    const std::vector<core::SelectedRecord> selected =
        window->records().CollectSelection(window->SelectedRows());
    if (selected.empty() || selected.front().recording_file.empty())
        return true;
    core::DataStoreSession& store = window->session().store();
    int message = 0;
    std::optional<video::OpenedVideo> opened = video::OpenVideoRecord(
        store.working_folder(), store.store_path(), selected.front().recording_file, &message);
    if (!opened) {
        reporter.ReportMessage(message, core::kStyleExclamation);
        return true;
    }
    const bool with_sound = qEnvironmentVariable("KIVO_AUDIO") != QLatin1String("virtual");
    video::VideoPlayerDialog player(std::move(*opened), with_sound, window);
    // Bound to the store open now: the marks go into this store only.
    player.AllowSaving(video::VideoMarksSaver(store), reporter);
    QObject::connect(&player, &video::VideoPlayerDialog::helpRequested, window,
                     &MainWindow::ShowHelpTopic);
    if (player.exec() == QDialog::Accepted) {
        window->session().CommitStoreChanges();
        window->RefreshCurrentView();
    }
    return true;
}

void OfferVideoTakeRecovery(MainWindow* window, core::MessageReporter& reporter) {
    core::ShellSession& session = window->session();
    if (!session.started())
        return;
    recorder::RecorderTarget target{
        {},
        {},
        &session.profile(),
        session.section(),
        recorder::ReadRecordingQuality(session.profile(), session.section()),
        session.places().folders.takes_folder};
    recorder::BindToSession(target, session.store());
    if (video::OfferLeftoverVideoTakes(target.takes_folder, target, reporter) > 0) {
        session.CommitStoreChanges();
        window->RefreshCurrentView();
    }
}

void RouteVideoCommands(MainWindow* window, core::MessageReporter* reporter) {
    CommandRouter& router = window->commands();
    router.Route(Command::kImportWmvFile, [window] {
        if (!window->session().started())
            return;
        const QStringList chosen = QFileDialog::getOpenFileNames(
            window, QString(), QString::fromStdString(window->session().StoreFolder().string()),
            QString::fromLatin1(exchange::kVideoFileFilter));
        std::vector<std::filesystem::path> files;
        for (const QString& file : chosen)
            files.emplace_back(file.toStdString());
        if (!files.empty())
            RunAudioImport(window, exchange::AudioFileType::kWmv, std::move(files));
    });
    router.Route(Command::kExportWmv, [window, reporter] {
        if (window->view() != core::ViewKind::kVideo)
            return;
        ExportPreparedAs(MainListOutput(window), reporter,
                         std::string(recordstore::kVideoMediaExtension),
                         QString::fromLatin1(exchange::kWmvFilter), exchange::ExportAsVideo);
    });
}

}  // namespace kivo::app
