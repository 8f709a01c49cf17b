// Export, Send and Print of the selected records.
#include "export_commands.h"

#include <stdlib.h>

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QPrinter>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

#include "export_options_dialog.h"
#include "kivo/core/startup_configuration.h"
#include "kivo/core/user_messages.h"
#include "kivo/encoding/audio_transcode.h"
#include "kivo/exchange/audio_export.h"
#include "kivo/exchange/record_reports.h"
#include "kivo/exchange/recording_export.h"
#include "kivo/exchange/recording_mail.h"
#include "kivo/recordstore/data_store_layout.h"
#include "mail_launcher.h"
#include "main_window.h"
#include "print_preview.h"
#include "recording_compressor_dialog.h"

namespace kivo::app {
namespace {

namespace fs = std::filesystem;
using encoding::AudioFormat;

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The records to take out, or none when the store cannot be read now.
std::vector<core::SelectedRecord> Selection(const RecordOutput& output) {
    // While a compaction rewrites the record logs and the index on its
    // worker thread, what they say about the selection is not settled.
    if (!output.window->session().started() || output.window->compacting())
        return {};
    return output.records;
}

bool AllVideo(const std::vector<core::SelectedRecord>& records) {
    return !records.empty() && std::all_of(records.begin(), records.end(), [](const auto& record) {
        return record.view == core::ViewKind::kVideo;
    });
}

bool AnyVideo(const std::vector<core::SelectedRecord>& records) {
    return std::any_of(records.begin(), records.end(),
                       [](const auto& record) { return record.view == core::ViewKind::kVideo; });
}

std::vector<std::string> RecordingFiles(const std::vector<core::SelectedRecord>& records) {
    std::vector<std::string> files;
    for (const core::SelectedRecord& record : records)
        files.push_back(record.recording_file);
    return files;
}

exchange::ExportSource SourceOf(MainWindow* window) {
    core::DataStoreSession& store = window->session().store();
    return {store.store_path(), store.WorkingPath(recordstore::kIndexName), store.working_folder(),
            store.store_access()};
}

// "ExpPrompt" as an integer; a missing value is written as "0".
int ExportPrompt(MainWindow* window) {
    core::ShellSession& session = window->session();
    const auto value = session.profile().Find(session.section(), core::profile_key::kExpPrompt);
    if (!value) {
        session.profile().Write(session.section(), core::profile_key::kExpPrompt, "0");
        return 0;
    }
    return std::atoi(value->c_str());
}

bool CompressByDefault(MainWindow* window) {
    core::ShellSession& session = window->session();
    return session.profile().Read(session.section(), core::profile_key::kCompress) == "Y";
}

void ReportFailures(const exchange::RecordingExport& exporter, core::MessageReporter* reporter) {
    for (const exchange::PreparedFile& file : exporter.files()) {
        if (file.code > 0)
            reporter->ReportMessage(file.code, core::kStyleExclamation);
        else if (file.code < 0)
            reporter->ReportText(file.recording_file + ": " + file.detail, core::kStyleStop);
    }
}

// Runs "Kivo Compressor" over the prepared copies when a choice asks for it.
void CompressCopies(QWidget* parent, exchange::RecordingExport& exporter,
                    const exchange::ExportOptions& options) {
    if (!options.compress && !options.convert_to_voice)
        return;
    std::vector<fs::path> copies;
    for (const exchange::PreparedFile& file : exporter.files()) {
        if (file.ok())
            copies.push_back(file.path);
    }
    if (copies.empty())
        return;
    RecordingCompressorDialog dialog(copies, options, exporter.MakeScratch(), parent);
    dialog.Start();
    dialog.exec();
}

// Where a file goes: asked per file (ExpPrompt non-zero) or in the folder.
struct Destination {
    fs::path folder;  // empty: ask for every file
};

std::optional<Destination> AskDestination(const RecordOutput& output) {
    if (ExportPrompt(output.window) != 0)
        return Destination{};
    const QString folder = QFileDialog::getExistingDirectory(
        output.parent, QString::fromLatin1(exchange::kExportFolderPrompt), QDir::homePath());
    if (folder.isEmpty())
        return std::nullopt;
    return Destination{folder.toStdString()};
}

// The target of one file and whether an existing file may be replaced;
// nothing when the user cancelled (which ends the command).
struct Target {
    fs::path path;
    exchange::Overwrite overwrite = exchange::Overwrite::kNever;
};

std::optional<Target> AskTarget(QWidget* parent, const Destination& destination,
                                const std::string& file_name, const QString& filter,
                                const QString& suffix, core::MessageReporter* reporter) {
    if (destination.folder.empty()) {
        QFileDialog dialog(parent, QObject::tr("Export"), QString::fromStdString(file_name),
                           filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        // The save box itself asked before naming an existing file.
        return Target{dialog.selectedFiles().front().toStdString(), exchange::Overwrite::kReplace};
    }
    Target target{destination.folder / file_name};
    std::error_code ec;
    if (fs::exists(fs::symlink_status(target.path, ec))) {
        const int answer = reporter->ReportText(
            target.path.string() + " already exists.\nDo you want to replace it?",
            core::kStyleQuestion);
        target.overwrite = answer == core::kAnswerYes ? exchange::Overwrite::kReplace
                                                      : exchange::Overwrite::kNever;
    }
    return target;
}

void ReportDelivery(const exchange::Delivery& delivery, const std::string& file,
                    core::MessageReporter* reporter) {
    if (delivery.outcome == exchange::DeliveryOutcome::kFailed)
        reporter->ReportText(file + " could not be exported: " + delivery.message,
                             core::kStyleExclamation);
}

void ExportRecordings(const RecordOutput& output, core::MessageReporter* reporter) {
    MainWindow* window = output.window;
    const auto records = Selection(output);
    if (records.empty())
        return;
    const bool video = AllVideo(records);
    ExportOptionsDialog options_dialog(ExportOptionsDialog::Purpose::kExport, video,
                                       CompressByDefault(window), output.parent);
    if (options_dialog.exec() != QDialog::Accepted)
        return;
    const exchange::ExportOptions options = options_dialog.options();
    const auto destination = AskDestination(output);
    if (!destination)
        return;
    exchange::RecordingExport exporter(SourceOf(window));
    {
        WaitCursor wait;
        if (exporter.Prepare(RecordingFiles(records), options) != exchange::kExportOk) {
            reporter->ReportMessage(exchange::kExportExtractFailed, core::kStyleExclamation);
            return;
        }
    }
    ReportFailures(exporter, reporter);
    CompressCopies(output.parent, exporter, options);
    const QString filter =
        QString::fromLatin1(video ? exchange::kVideoFilter : exchange::kRecordingFilter);
    for (const exchange::PreparedFile& file : exporter.files()) {
        if (!file.ok())
            continue;
        const auto target =
            AskTarget(output.parent, *destination, file.recording_file, filter,
                      video ? QStringLiteral("xrv") : QStringLiteral("xrz"), reporter);
        if (!target)
            return;
        ReportDelivery(exchange::DeliverFile(file.path, target->path, target->overwrite),
                       file.recording_file, reporter);
    }
}

}  // namespace

void ExportPreparedAs(const RecordOutput& output, core::MessageReporter* reporter,
                      const std::string& extension, const QString& filter,
                      const PreparedFileWriter& write) {
    MainWindow* window = output.window;
    const auto records = Selection(output);
    if (records.empty())
        return;
    const auto destination = AskDestination(output);
    if (!destination)
        return;
    exchange::RecordingExport exporter(SourceOf(window));
    if (exporter.Prepare(RecordingFiles(records), {}) != exchange::kExportOk) {
        reporter->ReportMessage(exchange::kExportExtractFailed, core::kStyleExclamation);
        return;
    }
    ReportFailures(exporter, reporter);
    for (const exchange::PreparedFile& file : exporter.files()) {
        if (!file.ok())
            continue;
        const std::string name = fs::path(file.recording_file).stem().string() + extension;
        const auto target = AskTarget(output.parent, *destination, name, filter,
                                      QString::fromStdString(extension.substr(1)), reporter);
        if (!target)
            return;
        WaitCursor wait;
        ReportDelivery(write(file.path, exporter.MakeScratch(), target->path, target->overwrite),
                       name, reporter);
    }
}

namespace {

void ExportAudioFiles(const RecordOutput& output, core::MessageReporter* reporter,
                      AudioFormat format) {
    if (AnyVideo(output.records))
        return;
    const QString extension = QString::fromLatin1(encoding::FileExtension(format));
    const QString filter =
        extension.mid(1).toUpper() + QObject::tr(" files (*") + extension + QStringLiteral(")");
    ExportPreparedAs(output, reporter, encoding::FileExtension(format), filter,
                     [format](const fs::path& copy, const fs::path& scratch, const fs::path& target,
                              exchange::Overwrite overwrite) {
                         return exchange::ExportAsAudio(copy, scratch, format, target, overwrite);
                     });
}

// The mail's files stay in a folder of their own inside the working folder
// until the program ends: the mail program reads them after Kivo has
// handed the message over.
std::optional<fs::path> KeepForMail(MainWindow* window, exchange::RecordingExport& exporter,
                                    std::vector<std::string>* paths) {
    std::string pattern = (window->session().store().working_folder() / "mail-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        return std::nullopt;
    const fs::path folder = pattern;
    for (const exchange::PreparedFile& file : exporter.files()) {
        if (!file.ok())
            continue;
        std::error_code ec;
        fs::rename(file.path, folder / file.recording_file, ec);
        if (!ec)
            paths->push_back((folder / file.recording_file).string());
    }
    return folder;
}

void OfferFolder(const fs::path& folder, core::MessageReporter* reporter) {
    const int answer = reporter->ReportText(
        std::string(exchange::kNoMailClientText) + folder.string() + exchange::kShowFolderQuestion,
        core::kStyleQuestion);
    if (answer == core::kAnswerYes)
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder.string())));
}

void SendRecordings(const RecordOutput& output, core::MessageReporter* reporter) {
    MainWindow* window = output.window;
    const auto records = Selection(output);
    if (records.empty())
        return;
    const bool video = AllVideo(records);
    ExportOptionsDialog options_dialog(ExportOptionsDialog::Purpose::kSend, video,
                                       CompressByDefault(window), output.parent);
    if (options_dialog.exec() != QDialog::Accepted)
        return;
    const exchange::ExportOptions options = options_dialog.options();
    exchange::RecordingExport exporter(SourceOf(window));
    {
        WaitCursor wait;
        if (exporter.Prepare(RecordingFiles(records), options) != exchange::kExportOk) {
            reporter->ReportMessage(exchange::kMailFailed, core::kStyleExclamation);
            return;
        }
    }
    ReportFailures(exporter, reporter);
    CompressCopies(output.parent, exporter, options);
    std::vector<std::string> paths;
    const auto folder = KeepForMail(window, exporter, &paths);
    if (!folder || paths.empty()) {
        reporter->ReportMessage(exchange::kMailFailed, core::kStyleExclamation);
        return;
    }
    auto* launcher = new MailLauncher(60000, window);
    QObject::connect(launcher, &MailLauncher::finished, window,
                     [launcher, reporter, folder = *folder](int result) {
                         launcher->deleteLater();
                         if (result == exchange::kNoMailClient)
                             OfferFolder(folder, reporter);
                         else if (result != exchange::kMailHandedOver)
                             reporter->ReportMessage(result, core::kStyleExclamation);
                     });
    launcher->Send(exchange::BuildRecordingMail(paths),
                   QString::fromStdString((*folder / ".xdg-email-status").string()));
}

void PrintRecords(const RecordOutput& output, core::MessageReporter* reporter) {
    MainWindow* window = output.window;
    const auto records = Selection(output);
    if (records.empty())
        return;
    QStringList texts;
    {
        WaitCursor wait;
        for (const exchange::RecordReport& report :
             exchange::CollectRecordReports(SourceOf(window), records)) {
            texts << QString::fromStdString(report.text);
        }
    }
    if (texts.isEmpty())
        return;
    QPrinter device(QPrinter::HighResolution);
    device.setDocName(QString::fromLatin1(kPrintJobName));
    PrintPreview preview(texts, &device, *reporter, output.parent);
    QObject::connect(&preview, &PrintPreview::helpRequested, window, &MainWindow::ShowHelpTopic);
    preview.exec();
}

}  // namespace

bool IsOutputCommand(Command command) {
    switch (command) {
        case Command::kExportKivoRecording:
        case Command::kExportWav:
        case Command::kExportMp3:
        case Command::kExportOgg:
        case Command::kExportWma:
        case Command::kSend:
        case Command::kPrint:
            return true;
        default:
            return false;
    }
}

bool RunOutputCommand(Command command, const RecordOutput& output,
                      core::MessageReporter* reporter) {
    switch (command) {
        case Command::kExportKivoRecording:
            ExportRecordings(output, reporter);
            return true;
        case Command::kExportWav:
            ExportAudioFiles(output, reporter, AudioFormat::kWav);
            return true;
        case Command::kExportMp3:
            ExportAudioFiles(output, reporter, AudioFormat::kMp3);
            return true;
        case Command::kExportOgg:
            ExportAudioFiles(output, reporter, AudioFormat::kOgg);
            return true;
        case Command::kExportWma:
            ExportAudioFiles(output, reporter, AudioFormat::kWma);
            return true;
        case Command::kSend:
            SendRecordings(output, reporter);
            return true;
        case Command::kPrint:
            PrintRecords(output, reporter);
            return true;
        default:
            return false;
    }
}

bool OutputCommandTakesVideo(Command command) {
    return command == Command::kExportKivoRecording || command == Command::kSend ||
           command == Command::kPrint;
}

RecordOutput MainListOutput(MainWindow* window) {
    RecordOutput output{window, window, {}};
    if (window->session().started())
        output.records = window->records().CollectSelection(window->SelectedRows());
    return output;
}

void RouteExportCommands(MainWindow* window, core::MessageReporter* reporter) {
    CommandRouter& router = window->commands();
    for (const Command command : kOutputCommands) {
        router.Route(command, [window, reporter, command] {
            RunOutputCommand(command, MainListOutput(window), reporter);
        });
    }
}

}  // namespace kivo::app
