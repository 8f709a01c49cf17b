// Routing of the import commands and of dropped files (see import_commands.h).
#include "import_commands.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMimeData>
#include <QUrl>

#include "audio_import_dialog.h"
#include "command_router.h"
#include "command_table.h"
#include "kivo/core/shell_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/exchange/export_options.h"
#include "kivo/exchange/import_audio_types.h"
#include "kivo/exchange/import_message_files.h"
#include "kivo/exchange/import_messages.h"
#include "kivo/exchange/import_video_file.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recordstore/data_store_layout.h"
#include "main_window.h"
#include "store_file_dialogs.h"
#include "store_import_dialog.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;
using exchange::AudioFileType;

// Where imported records go: the open store, bound to its session as the
// recorders are: a save goes into this store only, under the writer lock,
// with the log and index journaled. (The audio import's worker has its saves
// run on the window's thread, which owns the session.)
recorder::RecorderTarget UnboundTargetOf(core::ShellSession& session) {
    const core::DataStoreSession& store = session.store();
    return recorder::RecorderTarget{
        store.working_folder(),
        store.store_path(),
        &session.profile(),
        session.section(),
        recorder::ReadRecordingQuality(session.profile(), session.section()),
        {}};
}

recorder::RecorderTarget BoundTargetOf(core::ShellSession& session) {
    recorder::RecorderTarget target = UnboundTargetOf(session);
    recorder::BindToSession(target, session.store());
    return target;
}

// "MP3 Files (*.mp3)|*.mp3||" as a Qt file dialog filter: "MP3 Files (*.mp3)".
QString QtFilter(const char* filter) {
    const QString text = QString::fromLatin1(filter);
    return text.left(text.indexOf(QLatin1Char('|')));
}

std::vector<fs::path> ChooseFiles(MainWindow* window, const QString& filter) {
    const QStringList chosen = QFileDialog::getOpenFileNames(
        window, QString(), QString::fromStdString(window->session().StoreFolder().string()),
        filter);
    std::vector<fs::path> files;
    for (const QString& file : chosen)
        files.emplace_back(file.toStdString());
    return files;
}

// A Kivo recording file: ".xrz" (a message) or ".xrv" (a video), any case.
bool IsRecordingFileName(const std::string& name) {
    const QString text = QString::fromStdString(name);
    return text.endsWith(".xrz", Qt::CaseInsensitive) || text.endsWith(".xrv", Qt::CaseInsensitive);
}

}  // namespace

void RunAudioImport(MainWindow* window, AudioFileType type, std::vector<fs::path> files) {
    core::ShellSession& session = window->session();
    const recorder::RecorderTarget target = BoundTargetOf(session);
    AudioImportDialog dialog(type, target, std::move(files), window);
    dialog.Start();
    dialog.exec();
    if (dialog.imported() > 0)
        session.CommitStoreChanges();
    window->RefreshCurrentView();
}

namespace {

void RunMessageFileImport(MainWindow* window, core::MessageReporter& reporter,
                          const std::vector<fs::path>& files) {
    core::ShellSession& session = window->session();
    const recorder::RecorderTarget target = BoundTargetOf(session);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const exchange::MessageFilesImport import = exchange::ImportMessageFiles(target, files);
    QApplication::restoreOverrideCursor();
    for (const exchange::MessageFileOutcome& outcome : import.outcomes) {
        if (!outcome.result.ok() &&
            exchange::ShowsImportMessage(outcome.result.message, exchange::ImportSource::kFile))
            reporter.ReportMessage(outcome.result.message, core::kStyleExclamation);
    }
    if (import.imported() > 0)
        session.CommitStoreChanges();
    reporter.ReportText(import.SummaryText(), core::kStyleInformation);
    window->RefreshCurrentView();
}

void RunStoreImport(MainWindow* window, core::MessageReporter& reporter) {
    core::ShellSession& session = window->session();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<fs::path> source = ChooseStoreToImportFrom(window, session.StoreFolder());
    QApplication::restoreOverrideCursor();
    if (!source)
        return;
    const recorder::RecorderTarget target = BoundTargetOf(session);
    StoreImportDialog dialog(session, target, reporter, window);
    if (!dialog.Choose(*source))
        return;
    dialog.exec();
    if (dialog.imported())
        window->RefreshCurrentView();
}

// Accepts drags of local files and imports what is dropped.
class ImportDropFilter : public QObject {
public:
    ImportDropFilter(MainWindow* window, core::MessageReporter* reporter)
        : QObject(window), window_(window), reporter_(reporter) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_)
            return false;
        if (event->type() == QEvent::DragEnter) {
            auto* drag = static_cast<QDragEnterEvent*>(event);
            offered_ = drag->mimeData()->hasUrls() ? Importable(drag->mimeData())
                                                   : std::vector<fs::path>();
            if (!offered_.empty())
                drag->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::DragLeave) {
            offered_.clear();
            return false;
        }
        if (event->type() == QEvent::Drop) {
            auto* drop = static_cast<QDropEvent*>(event);
            std::vector<fs::path> files = Importable(drop->mimeData());
            // Under X11 the drop's own data is read from the source once
            // more, and that read can come back empty (seen with a Qt drag
            // source); the files offered when the drag entered are the ones
            // dropped.
            if (files.empty())
                files = std::move(offered_);
            offered_.clear();
            if (files.empty())
                return true;
            drop->acceptProposedAction();
            // After the drag has ended: the import opens dialogs of its own.
            QMetaObject::invokeMethod(
                window_, [this, files] { ImportDroppedFiles(window_, *reporter_, files); },
                Qt::QueuedConnection);
            return true;
        }
        return false;
    }

private:
    static std::vector<fs::path> Importable(const QMimeData* data) {
        std::vector<fs::path> files;
        for (const QUrl& url : data->urls()) {
            if (!url.isLocalFile())
                continue;
            const fs::path file = url.toLocalFile().toStdString();
            const std::string name = file.filename().string();
            if (exchange::AudioFileTypeOfName(name) || exchange::IsVideoFileName(name) ||
                IsRecordingFileName(name))
                files.push_back(file);
        }
        return files;
    }

    MainWindow* window_;
    core::MessageReporter* reporter_;
    std::vector<fs::path> offered_;  // the importable files of the drag under way
};

}  // namespace

bool ImportDroppedFiles(MainWindow* window, core::MessageReporter& reporter,
                        const std::vector<fs::path>& files) {
    if (!window->session().started())
        return false;
    std::vector<fs::path> audio, recordings;
    std::optional<AudioFileType> first_type;
    for (const fs::path& file : files) {
        const std::string name = file.filename().string();
        if (const auto type = exchange::AudioFileTypeOfName(name)) {
            first_type = first_type.value_or(*type);
            audio.push_back(file);
        } else if (exchange::IsVideoFileName(name)) {
            first_type = first_type.value_or(AudioFileType::kWmv);
            audio.push_back(file);
        } else if (IsRecordingFileName(name)) {
            recordings.push_back(file);
        }
    }
    const bool importable = !audio.empty() || !recordings.empty();
    if (!recordings.empty())
        RunMessageFileImport(window, reporter, recordings);
    if (!audio.empty())
        RunAudioImport(window, *first_type, std::move(audio));
    return importable;
}

void RouteImportCommands(MainWindow* window, core::MessageReporter* reporter) {
    CommandRouter& router = window->commands();
    router.Route(Command::kImportDataStore, [window, reporter] {
        if (window->session().started())
            RunStoreImport(window, *reporter);
    });
    router.Route(Command::kImportMessageFile, [window, reporter] {
        if (!window->session().started())
            return;
        const std::vector<fs::path> files =
            ChooseFiles(window, QtFilter("Kivo Recording Files (*.xrz)|*.xrz||"));
        if (!files.empty())
            RunMessageFileImport(window, *reporter, files);
    });
    router.Route(Command::kImportVideoFile, [window, reporter] {
        if (!window->session().started())
            return;
        const std::vector<fs::path> files =
            ChooseFiles(window, QString::fromLatin1(exchange::kVideoFilter));
        if (!files.empty())
            RunMessageFileImport(window, *reporter, files);
    });
    for (AudioFileType type :
         {AudioFileType::kWav, AudioFileType::kMp3, AudioFileType::kWma, AudioFileType::kOgg}) {
        const Command command = type == AudioFileType::kWav   ? Command::kImportWavFile
                                : type == AudioFileType::kMp3 ? Command::kImportMp3File
                                : type == AudioFileType::kWma ? Command::kImportWmaFile
                                                              : Command::kImportOggFile;
        router.Route(command, [window, type] {
            if (!window->session().started())
                return;
            std::vector<fs::path> files =
                ChooseFiles(window, QtFilter(exchange::AudioFileFilter(type)));
            if (!files.empty())
                RunAudioImport(window, type, std::move(files));
        });
    }
    window->setAcceptDrops(true);
    window->installEventFilter(new ImportDropFilter(window, reporter));
}

}  // namespace kivo::app
