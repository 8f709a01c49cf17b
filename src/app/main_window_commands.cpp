// The main window's menus and toolbar, and the commands routed so far.
//
// Commands whose work is built elsewhere later (recording, playback, the
// telephone, import and export of recordings, search, editing, printing,
// e-mail, templates, agendas, the phone book, the diary reminder, text to
// speech) are in the menus but not routed, so they stay gray. Routing one in
// RouteCommands() is all it takes to make it work.
#include <algorithm>

#include <functional>
#include <optional>

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QMenuBar>
#include <QTableView>
#include <QToolBar>
#include <QUrl>

#include "about_box.h"
#include "compaction_dialog.h"
#include "dictation_runner.h"
#include "help_topics.h"
#include "help_window.h"
#include "hot_keys_dialog.h"
#include "kivo/core/recording_priming.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/recorder/recorder_target.h"
#include "kivo/recorder/take_recovery.h"
#include "kivo/records/record_edit_dialog.h"
#include "kivo/recordstore/data_store_layout.h"
#include "kivo/sound/audio_backend_factory.h"
#include "main_window.h"
#include "meeting_tools_commands.h"
#include "meetings_commands.h"
#include "options_dialog.h"
#include "options_settings.h"
#include "phone_recorder_commands.h"
#include "speech_commands.h"
#include "store_file_dialogs.h"
#include "video_commands.h"

namespace kivo::app {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

void MainWindow::BuildMenus() {
    auto add = [this](QMenu* menu, Command command) {
        menu->addAction(commands_->action(command));
    };
    QMenu* file = menuBar()->addMenu(tr("&File"));
    add(file, Command::kNewRecording);
    file->addSeparator();
    add(file, Command::kNewDataStore);
    add(file, Command::kOpenDataStore);
    file->addSeparator();
    add(file, Command::kExit);

    QMenu* phone = menuBar()->addMenu(tr("&Phone"));
    add(phone, Command::kModemSelection);
    phone->addSeparator();
    add(phone, Command::kStartMonitoring);
    add(phone, Command::kStopMonitoring);
    phone->addSeparator();
    add(phone, Command::kAnswerMachineOn);
    add(phone, Command::kAnswerMachineOff);

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    QMenu* import = tools->addMenu(tr("&Import"));
    add(import, Command::kImportDataStore);
    add(import, Command::kImportMessageFile);
    add(import, Command::kImportVideoFile);
    import->addSeparator();
    for (Command command :
         {Command::kImportWavFile, Command::kImportMp3File, Command::kImportWmaFile,
          Command::kImportOggFile, Command::kImportWmvFile}) {
        add(import, command);
    }
    import->addSeparator();
    QMenu* phone_book = import->addMenu(tr("&Phone Book"));
    add(phone_book, Command::kImportPhoneBookFromStore);
    add(phone_book, Command::kImportPhoneBookFromFile);
    QMenu* templates = import->addMenu(tr("&Templates"));
    add(templates, Command::kImportTemplatesFromStore);
    add(templates, Command::kImportTemplatesFromFile);
    QMenu* agendas = import->addMenu(tr("A&gendas"));
    add(agendas, Command::kImportAgendasFromStore);
    add(agendas, Command::kImportAgendasFromFile);
    QMenu* export_menu = tools->addMenu(tr("&Export"));
    add(export_menu, Command::kExportPhoneBook);
    add(export_menu, Command::kExportTemplates);
    add(export_menu, Command::kExportAgendas);
    tools->addSeparator();
    add(tools, Command::kOptions);
    add(tools, Command::kHotKeys);
    tools->addSeparator();
    add(tools, Command::kPhoneBook);
    add(tools, Command::kTemplates);
    add(tools, Command::kMeetingAgendas);
    tools->addSeparator();
    add(tools, Command::kCompressDataStore);
    add(tools, Command::kDiaryMonitor);
    add(tools, Command::kOfflineMeeting);
    add(tools, Command::kTextToSpeech);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    add(help, Command::kHelpContents);
    add(help, Command::kAmazing);
    add(help, Command::kWebSite);
    help->addSeparator();
    add(help, Command::kAbout);
}

void MainWindow::BuildToolBar() {
    QToolBar* toolbar = addToolBar(tr("Toolbar"));
    toolbar->setObjectName(QStringLiteral("toolbar"));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(32, 32));
    toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    for (Command command : {Command::kNewRecording, Command::kPlay, Command::kSend,
                            Command::kSearch, Command::kAmazing}) {
        toolbar->addAction(commands_->action(command));
    }
}

void MainWindow::RouteCommands() {
    CommandRouter& router = *commands_;
    router.Route(Command::kNewDataStore, [this] { NewDataStore(); });
    router.Route(Command::kOpenDataStore, [this] { OpenDataStore(); });
    router.Route(Command::kExit, [this] { close(); });
    router.Route(Command::kOptions, [this] { ShowOptions(); });
    router.Route(Command::kHotKeys, [this] { ShowHotKeys(); });
    router.Route(Command::kCompressDataStore, [this] { CompressDataStore(); });
    router.Route(Command::kDelete, [this] { DeleteSelectedRecords(); });
    router.Route(Command::kEdit, [this] { EditSelectedRecords(); });
    router.Route(Command::kHelpContents,
                 [this] { ShowHelpTopic(QString::fromLatin1(kHelpContentsTopic)); });
    router.Route(Command::kAmazing, [this] { ShowHelpTopic(QString::fromLatin1(kAmazingTopic)); });
    // Until the project has a web page, "Kivo on the Web" is the help index.
    router.Route(Command::kWebSite,
                 [this] { ShowHelpTopic(QString::fromLatin1(kHelpContentsTopic)); });
    router.Route(Command::kAbout, [this] { ShowAboutBox(resources_, this); });
    // New Recording: the "Dictation Recorder", primed with the texts of the
    // last record listed when the profile's Prime is "Y".
    router.Route(Command::kNewRecording, [this] {
        if (!session_->started() || RunRecorderOfView(this, *reporter_) ||
            RunTranslatorOfView(this, *reporter_))
            return;
        std::optional<core::RecordingPrime> prime;
        if (core::PrimingWanted(session_->profile(), session_->section())) {
            RefreshCurrentView();
            prime = core::PrimeFromLastRow(
                records_->list(), session_->store().working_folder() / recordstore::kIndexName);
        }
        RunDictationRecorder(this, *reporter_, [&prime](dictation::DictationRecorderDialog& r) {
            if (!r.Start())
                return false;
            if (prime)
                r.SetPrimedTexts(Text(prime->subject), Text(prime->keywords));
            return true;
        });
    });
    // New Dictation (record menu): a new dictation with the record's subject.
    router.Route(Command::kNewDictation, [this] {
        const std::vector<int> rows = SelectedRows();
        if (!session_->started() || rows.size() != 1 || view() != core::ViewKind::kDictation)
            return;
        const auto chosen = core::PrimeFromRow(records_->list(), rows.front(), {});
        RunDictationRecorder(this, *reporter_, [&chosen](dictation::DictationRecorderDialog& r) {
            if (!r.Start())
                return false;
            if (chosen)
                r.SetPrimedTexts(Text(chosen->subject), QString());
            return true;
        });
    });
    RouteComponentCommands();
}

void MainWindow::RouteComponentCommands() {
    using core::ComponentKind;
    struct ComponentCommands {
        ComponentKind kind;
        Command from_store;
        Command from_file;
        Command export_to_file;
    };
    const ComponentCommands kinds[] = {
        {ComponentKind::kPhoneBook, Command::kImportPhoneBookFromStore,
         Command::kImportPhoneBookFromFile, Command::kExportPhoneBook},
        {ComponentKind::kTemplates, Command::kImportTemplatesFromStore,
         Command::kImportTemplatesFromFile, Command::kExportTemplates},
        {ComponentKind::kAgendas, Command::kImportAgendasFromStore, Command::kImportAgendasFromFile,
         Command::kExportAgendas},
    };
    for (const ComponentCommands& entry : kinds) {
        const ComponentKind kind = entry.kind;
        commands_->Route(entry.from_store, [this, kind] {
            if (auto store = ChooseStoreToImportFrom(this, StoreFolder())) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
                session_->ImportComponentFromStore(kind, *store);
                QApplication::restoreOverrideCursor();
            }
        });
        commands_->Route(entry.from_file, [this, kind] {
            if (auto file = ChooseComponentImportFile(this, kind, StoreFolder())) {
                QApplication::setOverrideCursor(Qt::WaitCursor);
                session_->ImportComponentFromFile(kind, *file);
                QApplication::restoreOverrideCursor();
            }
        });
        commands_->Route(entry.export_to_file, [this, kind] {
            if (auto file = ChooseComponentExportFile(this, kind, StoreFolder()))
                session_->ExportComponent(kind, *file);
        });
    }
}

void MainWindow::OpenDataStore() {
    // A dialog left open would go on writing into the store it was opened
    // on after the switch, or into the new one.
    if (!started_ || !CloseRecordDialogs())
        return;
    session_->OpenStore();
    SetLineStateText(QString::fromStdString(session_->LineStateText()));
    RefreshCurrentView();
}

void MainWindow::NewDataStore() {
    if (!started_ || !CloseRecordDialogs())
        return;
    session_->NewStore();
    SetLineStateText(QString::fromStdString(session_->LineStateText()));
    RefreshCurrentView();
}

void MainWindow::ShowOptions() {
    if (!started_)
        return;
    const OptionsSettings current = ReadOptions(session_->profile(), session_->section());
    auto* dialog = new OptionsDialog(current, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &OptionsDialog::helpRequested, this, &MainWindow::ShowHelpTopic);
    connect(dialog, &QDialog::accepted, this, [this, dialog, current] {
        const OptionsSettings chosen = dialog->settings();
        if (!WriteOptions(session_->profile(), session_->section(), chosen)) {
            reporter_->ReportText(
                "The options could not be saved in " + session_->profile().path() + ".",
                core::kStyleExclamation);
        }
        session_->set_recording_quality(chosen.recording_quality);
        session_->set_export_prompt(chosen.export_prompt);
        FollowDiaryStartSetting(*reporter_, current.diary_on_start, chosen.diary_on_start);
    });
    dialog->open();
}

void MainWindow::ShowHotKeys() {
    core::HotKeyTable table;
    table.Load();
    auto* dialog = new HotKeysDialog(table, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &HotKeysDialog::helpRequested, this, &MainWindow::ShowHelpTopic);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (!dialog->table().Save()) {
            reporter_->ReportText("The hot keys could not be saved.", core::kStyleExclamation);
        }
    });
    dialog->open();
}

void MainWindow::CompressDataStore() {
    if (!started_ || compacting_ || !session_->store().has_open_store())
        return;
    CompactionDialog dialog(session_->store(), resources_.Icon("record-error"), this);
    connect(&dialog, &CompactionDialog::helpRequested, this, &MainWindow::ShowHelpTopic);
    // A close asked for meanwhile (a signal, the session ending) waits for
    // the last step and then closes the dialog too.
    connect(&dialog, &CompactionDialog::compactionFinished, this, [this, &dialog] {
        if (close_after_compaction_)
            dialog.accept();
    });
    compacting_ = true;
    active_compaction_ = &dialog;
    dialog.Start();
    dialog.exec();
    active_compaction_ = nullptr;
    compacting_ = false;
    RefreshCurrentView();
    if (close_after_compaction_)
        close();
}

void MainWindow::EditSelectedRecords() {
    if (!started_ || view() == core::ViewKind::kNone || !session_->store().has_open_store())
        return;
    const auto selection = records_->CollectSelection(SelectedRows());
    if (selection.empty())
        return;
    std::vector<std::int32_t> numbers;
    for (const core::SelectedRecord& record : selection) {
        numbers.push_back(record.record_number);
        records::RecordEditDialog editor(session_->store(), *reporter_, this);
        connect(&editor, &records::RecordEditDialog::helpRequested, this,
                &MainWindow::ShowHelpTopic);
        if (editor.Start(record.recording_file)) {
            editor.exec();
            if (editor.saved())
                session_->CommitStoreChanges();
        }
    }
    RefreshCurrentView();
    ReselectRecords(numbers);
}

void MainWindow::ReselectRecords(const std::vector<std::int32_t>& numbers,
                                 std::int32_t focus_number) {
    QItemSelectionModel* selection = record_view_->selectionModel();
    selection->clearSelection();
    QModelIndex last, focus;
    for (int row = 0; row < records_->rowCount(); ++row) {
        // A row the instant search hides is not selected: Delete would
        // remove a record the user cannot see.
        if (record_view_->isRowHidden(row))
            continue;
        const std::int32_t number = records_->Id(row).toInt();
        if (focus_number != 0 && number == focus_number)
            focus = records_->index(row, 0);
        if (std::find(numbers.begin(), numbers.end(), number) == numbers.end())
            continue;
        last = records_->index(row, 0);
        selection->select(last, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    const QModelIndex current = focus.isValid() ? focus : last;
    if (current.isValid()) {
        selection->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
        record_view_->scrollTo(current);
    }
    TakeCurrentFromFocus();
    UpdateRecordCommands();
}

void MainWindow::ShowSavedRecord(std::int32_t number) {
    if (number > 0)
        ReselectRecords({number}, number);
}

void MainWindow::OfferTakeRecovery() {
    if (!started_ || !session_->started())
        return;
    const std::filesystem::path working = session_->store().working_folder();
    recorder::OfferLeftoverTakes(
        recorder::TakeRecovery(session_->places().folders.takes_folder, working.parent_path()),
        *reporter_, working,
        [this](const recorder::RecoveredTake& take, const std::function<void()>& release_take) {
            if (take.info.kind == recorder::RecorderKind::kPhone)
                return OpenRecoveredCall(this, take, release_take);
            if (take.info.kind == recorder::RecorderKind::kMeeting ||
                take.info.kind == recorder::RecorderKind::kDiary)
                return RunRecoveredSpanRecorder(this, *reporter_, take, release_take);
            // Video takes have their own offer (below).
            if (take.info.kind != recorder::RecorderKind::kDictation)
                return false;
            ShowKind(core::ViewKind::kDictation);
            return RunDictationRecorder(this, *reporter_,
                                        [&](dictation::DictationRecorderDialog& recorder) {
                                            if (!recorder.StartRecovered(take))
                                                return false;
                                            release_take();
                                            return true;
                                        });
        });
    OfferVideoTakeRecovery(this, *reporter_);
}

// The help window belongs to the window the user is in: one opened from
// a modal dialog must be its child, or the dialog would block it.
void MainWindow::ShowHelpTopic(const QString& topic) {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr)
        owner = this;
    auto* help = owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (help == nullptr) {
        help = new HelpWindow(
            QFileInfo(resources_.HelpPage(QString::fromLatin1(kHelpContentsTopic))).absolutePath(),
            owner);
    }
    help->ShowTopic(topic);
    help->show();
    help->raise();
    help->activateWindow();
}

}  // namespace kivo::app
