// The main window: layout, listing, selection, context menu and closing.
#include "main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QGridLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QTableView>
#include <QTimer>

#include "compaction_dialog.h"
#include "export_commands.h"
#include "help_key_filter.h"
#include "import_commands.h"
#include "kivo/core/application_folders.h"
#include "kivo/core/compaction_advice.h"
#include "kivo/core/hot_keys.h"
#include "kivo/dbus/remote_control_service.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/hotkeys/playback_hot_keys.h"
#include "kivo/pedal/pedal_assignment.h"
#include "kivo/pedal/pedal_remote_binding.h"
#include "kivo/pedal/pedal_watcher.h"
#include "kivo/playback/playback_dialog.h"
#include "kivo/recorder/span_recorder_dialog.h"
#include "kivo/records/record_edit_dialog.h"
#include "kivo/sound/audio_backend_factory.h"
#include "line_settings_commands.h"
#include "meeting_tools_commands.h"
#include "meetings_commands.h"
#include "message_box_reporter.h"
#include "options_settings.h"
#include "phone_commands.h"
#include "phone_machine_commands.h"
#include "phone_recorder_commands.h"
#include "record_kind_list.h"
#include "search_commands.h"
#include "speech_commands.h"
#include "store_file_dialogs.h"
#include "video_commands.h"

namespace kivo::app {
namespace {

using core::ViewKind;

QLabel* SunkenLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

// Closing the window closes the open player first, so changed marks and
// inserted audio it holds are saved or dropped only after asking; when its
// save fails, both stay open.
class PlayerCloseGuard : public QObject {
public:
    PlayerCloseGuard(playback::PlaybackDialog* player, QWidget* window)
        : QObject(player), player_(player) {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close && player_->isVisible()) {
            if (!player_->CloseAskingToSave()) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    playback::PlaybackDialog* player_;
};

// Play opens "Kivo Internal Message Player" with the selected recordings. The
// player is not modal: the user types in another program while it plays, and
// the remote-control service (running from start-up), media keys, kivo-remote
// and the hot keys drive it while it is open. A new Play replaces it.
void PlaySelection(MainWindow* window, dbus::RemoteControlService* remote_service,
                   core::MessageReporter* reporter) {
    if (!window->session().started() || PlayVideoOfView(window, *reporter))
        return;
    std::vector<playback::PlaybackItem> queue;
    for (const core::SelectedRecord& record :
         window->records().CollectSelection(window->SelectedRows())) {
        if (record.view != ViewKind::kVideo && !record.recording_file.empty())
            queue.push_back({record.record_number, record.recording_file});
    }
    if (queue.empty())
        return;
    for (auto* open_player : window->findChildren<playback::PlaybackDialog*>()) {
        if (!open_player->isVisible())
            continue;  // closed, waiting to be deleted
        // It stays open when it could not save what the user wants kept.
        if (!open_player->CloseAskingToSave())
            return;
    }
    auto player = std::make_unique<playback::PlaybackSession>(sound::SharedAudioBackend(),
                                                              window->session().store());
    if (!player->Begin(std::move(queue))) {
        auto* box = new QMessageBox(QMessageBox::Warning,
                                    QString::fromLatin1(playback::kPlaybackDialogTitle),
                                    player->error(), QMessageBox::Ok, window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    player->SetMessageReporter(reporter);
    auto* dialog = new playback::PlaybackDialog(*player, window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Saved marks or inserted audio change what the list shows (the length).
    QObject::connect(dialog, &QDialog::accepted, window, &MainWindow::RefreshCurrentView);
    // What the player saved (marks, inserted audio, their index entry) is
    // made durable as it closes; during a compaction its final save does it.
    QObject::connect(dialog, &QDialog::finished, window, [window] {
        if (!window->compacting())
            window->session().CommitStoreChanges();
    });
    // New: the recorder opens once the player has closed.
    QObject::connect(
        dialog, &playback::PlaybackDialog::newRecordingRequested, window,
        [window] { window->commands().Trigger(Command::kNewRecording); }, Qt::QueuedConnection);
    playback::PlaybackSession* session = player.release();
    session->setParent(dialog);
    remote_service->setTarget(session, session);
    QObject::connect(session, &playback::PlaybackSession::stateChanged, remote_service,
                     &dbus::RemoteControlService::notifyPlaybackStatusChanged);
    QObject::connect(session, &playback::PlaybackSession::recordingLoaded, remote_service,
                     &dbus::RemoteControlService::notifyMetadataChanged);
    QObject::connect(session, &playback::PlaybackSession::positionJumped, remote_service,
                     &dbus::RemoteControlService::notifySeeked);
    // The hot keys are the player's: taken as it opens, given back as it
    // closes (they go with the dialog).
    auto* hot_keys = new hotkeys::PlaybackHotKeys(window->MakeHotKeyGrabber(dialog), dialog);
    core::HotKeyTable table;
    table.Load();
    hotkeys::RegisterPlaybackHotKeys(*hot_keys, table.values());
    QObject::connect(hot_keys, &hotkeys::PlaybackHotKeys::activated, session,
                     &playback::PlaybackSession::RunCommand);
    // The foot pedal drives the player while it is open, each pedal as the
    // user assigned it in Options.
    OptionsSettings options;
    ReadPedalOptions(window->session().profile(), window->session().section(), options);
    auto* pedal_watcher = new pedal::PedalWatcher(dialog);
    pedal_watcher->setDevicePath(options.pedal_device);
    auto* pedal_binding = new pedal::PedalRemoteBinding(session, dialog);
    QObject::connect(pedal_watcher, &pedal::PedalWatcher::pedalEvent, pedal_binding,
                     [pedal_binding, assignment = options.pedal](pedal::PedalEvent event) {
                         if (const auto meant = pedal::AssignedEvent(event, assignment))
                             pedal_binding->handle(*meant);
                     });
    pedal_watcher->start();
    auto* help_key = new QShortcut(QKeySequence::HelpContents, dialog);
    QObject::connect(help_key, &QShortcut::activated, window,
                     [window] { window->ShowHelpTopic(QStringLiteral("playback.htm")); });
    new PlayerCloseGuard(dialog, window);
    session->Start();
    dialog->show();
}

void RoutePlayback(MainWindow* window, core::MessageReporter* reporter) {
    auto* remote_service = new dbus::RemoteControlService(
        {QStringLiteral("kivo"), QStringLiteral("Kivo"), QStringLiteral("kivo")}, window);
    remote_service->start();
    window->commands().Route(Command::kPlay, [window, remote_service, reporter] {
        PlaySelection(window, remote_service, reporter);
    });
}

}  // namespace

MainWindow::MainWindow(Resources resources, core::SessionPlaces places,
                       core::MessageReporter* reporter, core::StoreChooser* chooser,
                       QWidget* parent)
    : QMainWindow(parent), resources_(std::move(resources)), reporter_(reporter) {
    if (reporter_ == nullptr) {
        own_reporter_ = std::make_unique<MessageBoxReporter>(this);
        reporter_ = own_reporter_.get();
    }
    if (chooser == nullptr) {
        own_chooser_ =
            std::make_unique<FileDialogStoreChooser>(this, [this] { return StoreFolder(); });
        chooser = own_chooser_.get();
    }
    session_ = std::make_unique<core::ShellSession>(std::move(places), *reporter_, *chooser);
    commands_ = new CommandRouter(resources_, this);
    records_ = new RecordListModel(this);
    records_->SetRowImages(resources_.RecordImageIcons());

    setWindowTitle(QString::fromLatin1(kCaptionPrefix) +
                   QString::fromStdString(core::CurrentOwnerName()));
    setWindowIcon(resources_.Icon("kivo"));
    setMinimumSize(400, 300);

    BuildToolBar();
    BuildMenus();
    BuildCentre();
    RouteCommands();
    RoutePlayback(this, reporter_);
    RouteMeetingToolsCommands(this, reporter_);
    RouteVideoCommands(this, reporter_);
    RouteLineSettingsCommands(this);
    RouteMeetingCommands(this, reporter_);
    RouteSearchCommands(this, reporter_);
    RouteImportCommands(this, reporter_);
    RouteExportCommands(this, reporter_);
    RoutePhoneCommands(this, *reporter_);
    RoutePhoneRecorderCommands(this, reporter_);
    RoutePhoneMachineCommands(this, reporter_);
    RouteSpeechCommands(this, reporter_);
    auto* help_key = new HelpKeyFilter(this);
    connect(help_key, &HelpKeyFilter::helpRequested, this, &MainWindow::ShowHelpTopic);
    qApp->installEventFilter(help_key);
    // Shortcuts work wherever the focus is in the window.
    for (const CommandEntry& entry : CommandTable())
        addAction(commands_->action(entry.command));
    UpdateRecordCommands();
    resize(860, 600);

    auto* idle = new QTimer(this);
    idle->setInterval(kIdleSaveIntervalMs);
    connect(idle, &QTimer::timeout, this, &MainWindow::SaveWhenIdle);
    idle->start();
    auto* others = new QTimer(this);
    others->setInterval(kOtherProgramsCheckIntervalMs);
    connect(others, &QTimer::timeout, this, &MainWindow::ShowOtherProgramsChanges);
    others->start();
}

void MainWindow::SetHotKeyGrabberFactory(HotKeyGrabberFactory factory) {
    hot_key_grabber_factory_ = std::move(factory);
}

std::unique_ptr<hotkeys::HotKeyGrabber> MainWindow::MakeHotKeyGrabber(QObject* owner) const {
    if (hot_key_grabber_factory_)
        return hot_key_grabber_factory_(owner);
    return hotkeys::CreatePlatformHotKeyGrabber(owner);
}

void MainWindow::SaveWhenIdle() {
    // Not under a dialog (it may be in the middle of a save) nor while the
    // compaction worker uses the store.
    if (!started_ || closing_ || compacting_ || QApplication::activeModalWidget() != nullptr)
        return;
    session_->SaveStoreWhenIdle();
}

void MainWindow::ShowOtherProgramsChanges() {
    // Records saved or deleted by kivoctl, an import or a second Kivo appear
    // without a restart. Not under a dialog, which works on the listed
    // records, nor while the compaction worker uses the store.
    if (!started_ || closing_ || compacting_ || QApplication::activeModalWidget() != nullptr)
        return;
    core::DataStoreSession& store = session_->store();
    if (!store.ChangedByAnotherProgram() || !store.TakeOtherProgramsChanges())
        return;
    std::vector<std::int32_t> selected;
    for (int row : SelectedRows())
        selected.push_back(records_->Id(row).toInt());
    const QModelIndex focused = record_view_->currentIndex();
    const std::int32_t focus_number = focused.isValid() ? records_->Id(focused.row()).toInt() : 0;
    RefreshCurrentView();
    ReselectRecords(selected, focus_number);
}

bool MainWindow::CloseRecordDialogs() {
    // The player asks before changed marks or inserted audio are dropped.
    for (auto* player : findChildren<playback::PlaybackDialog*>()) {
        if (player->isVisible() && !player->CloseAskingToSave())
            return false;
    }
    std::vector<QDialog*> open;
    for (auto* recorder : findChildren<dictation::DictationRecorderDialog*>())
        open.push_back(recorder);
    for (auto* editor : findChildren<records::RecordEditDialog*>())
        open.push_back(editor);
    for (auto* phone_recorder : findChildren<PhoneRecorderDialog*>())
        open.push_back(phone_recorder);
    for (QDialog* dialog : open) {
        if (!dialog->isVisible())
            continue;  // closed, waiting to be deleted
        dialog->reject();
        if (dialog->isVisible())
            return false;
    }
    return true;
}

MainWindow::~MainWindow() {
    // A player closed a moment ago may still wait for its deletion; its
    // session refers to the open store's session, which goes before the
    // window's children would.
    for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly))
        delete dialog;
}

void MainWindow::BuildCentre() {
    auto* centre = new QWidget(this);
    kinds_ = new RecordKindList(resources_, centre);

    banner_ = new QLabel(QString::fromLatin1(kInitialBanner), centre);
    QFont banner_font = banner_->font();
    banner_font.setPixelSize(16);
    banner_font.setWeight(QFont::Black);
    banner_font.setStyleHint(QFont::SansSerif);
    banner_->setFont(banner_font);

    search_status_ = SunkenLabel(centre);
    search_status_->setMinimumWidth(200);
    line_state_ = SunkenLabel(centre);

    record_view_ = new QTableView(centre);
    record_view_->setModel(records_);
    record_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    record_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    record_view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    record_view_->setShowGrid(false);
    record_view_->setWordWrap(false);
    record_view_->setIconSize(QSize(16, 16));
    record_view_->setTabKeyNavigation(false);
    record_view_->verticalHeader()->hide();
    record_view_->verticalHeader()->setDefaultSectionSize(record_view_->fontMetrics().height() + 6);
    record_view_->horizontalHeader()->setSectionsClickable(true);
    record_view_->horizontalHeader()->setSortIndicatorShown(true);
    record_view_->horizontalHeader()->setHighlightSections(false);
    record_view_->horizontalHeader()->setStretchLastSection(false);
    record_view_->setContextMenuPolicy(Qt::CustomContextMenu);
    record_view_->setToolTip(QString::fromLatin1(kRecordListTip));
    record_view_->setAccessibleName(tr("Records"));
    QPalette palette = record_view_->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, QColor(200, 20, 10));
    record_view_->setPalette(palette);
    record_view_->installEventFilter(this);

    connect(kinds_, &RecordKindList::kindChosen, this, &MainWindow::ShowKind);
    connect(record_view_->horizontalHeader(), &QHeaderView::sectionClicked, records_,
            &RecordListModel::ClickHeader);
    connect(records_, &RecordListModel::sortChanged, this, [this](int column, Qt::SortOrder order) {
        record_view_->horizontalHeader()->setSortIndicator(column, order);
    });
    connect(record_view_, &QTableView::clicked, this, [this] {
        TakeCurrentFromFocus();
        UpdateRecordCommands();
    });
    connect(record_view_, &QTableView::doubleClicked, this, &MainWindow::PlayFocusedRecord);
    connect(record_view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const std::vector<int> rows = SelectedRows();
        if (rows.empty())
            current_ = {};
        else
            TakeCurrentFromRow(rows.back());
        UpdateRecordCommands();
    });
    connect(record_view_, &QWidget::customContextMenuRequested, this, &MainWindow::ShowContextMenu);

    // The kinds keep their width and grow in height; the record list grows
    // both ways; the banner and search status keep their place above it and
    // the line state stays below it, as wide as the list.
    auto* layout = new QGridLayout(centre);
    layout->addWidget(kinds_, 0, 0, 3, 1);
    auto* heading = new QHBoxLayout;
    heading->addWidget(banner_);
    heading->addStretch();
    heading->addWidget(search_status_);
    layout->addLayout(heading, 0, 1);
    layout->addWidget(record_view_, 1, 1);
    layout->addWidget(line_state_, 2, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(1, 1);
    setCentralWidget(centre);

    setTabOrder(kinds_, record_view_);
}

bool MainWindow::Start() {
    SetLineStateText(QString::fromLatin1(core::kLineMonitoringInactive));
    banner_->setText(QString::fromLatin1(kInitialBanner));
    if (!session_->Start()) {
        closing_ = true;
        return false;
    }
    started_ = true;
    // Without a telephone line the phone commands stay gray; the modem
    // selection enables them once a line device is chosen.
    const bool has_line_device = session_->startup_profile().line_device.has_value();
    commands_->SetAllowed(Command::kStopMonitoring, false);
    commands_->SetAllowed(Command::kStartMonitoring, has_line_device);
    commands_->SetAllowed(Command::kAnswerMachineOn, has_line_device);
    SetLineStateText(QString::fromStdString(session_->LineStateText()));
    ShowKind(ViewKind::kDictation);
    record_view_->setFocus();
    return true;
}

void MainWindow::OfferCompaction() {
    if (!started_ || !session_->CompactionAdvised())
        return;
    if (reporter_->ReportMessage(core::kCompactionQuestion, core::kStyleQuestion) ==
        core::kAnswerYes) {
        CompressDataStore();
    }
}

QString MainWindow::banner_text() const {
    return banner_->text();
}

QString MainWindow::search_status_text() const {
    return search_status_->text();
}

void MainWindow::ShowSearchStatus(const QString& text) {
    search_status_->setText(text);
}

QString MainWindow::line_state_text() const {
    return line_state_->text();
}

void MainWindow::SetLineStateText(const QString& text) {
    line_state_->setText(text);
}

std::filesystem::path MainWindow::StoreFolder() const {
    return session_->StoreFolder();
}

void MainWindow::ShowKind(ViewKind view) {
    if (!started_ || view == ViewKind::kNone)
        return;
    const core::ListKindInfo& kind = core::ListKind(view);
    search_status_->setText(QString::fromLatin1(kind.searching_status));
    banner_->setText(QString::fromLatin1(kind.banner));
    current_ = {};
    QApplication::setOverrideCursor(Qt::WaitCursor);
    records_->List(view, session_->store().working_folder());
    QApplication::restoreOverrideCursor();
    ApplyColumnLayout();
    search_status_->setText(records_->StatusText());
    kinds_->MarkKind(view);
    if (view == ViewKind::kPhone)
        emit phoneListed(records_->list().NewMessageCount());
    TakeCurrentFromFocus();
    UpdateRecordCommands();
}

void MainWindow::RefreshCurrentView() {
    ShowKind(view());
}

void MainWindow::ApplyColumnLayout() {
    const auto& columns = core::ListKind(view()).columns;
    for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
        const bool hidden = RecordListModel::IsHiddenColumn(view(), column);
        record_view_->setColumnHidden(column, hidden);
        if (!hidden)
            record_view_->setColumnWidth(column,
                                         columns[static_cast<std::size_t>(column)].width_px);
    }
    record_view_->horizontalHeader()->setSortIndicator(records_->sort_column(),
                                                       records_->sort_order());
}

std::vector<int> MainWindow::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : record_view_->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MainWindow::TakeCurrentFromRow(int row) {
    current_.id = records_->Id(row).left(9).toStdString();
    current_.recording_file = records_->RecordingFile(row);
    current_.status = records_->Status(row);
}

void MainWindow::TakeCurrentFromFocus() {
    const QModelIndex focused = record_view_->currentIndex();
    if (focused.isValid() && record_view_->selectionModel()->isRowSelected(focused.row()))
        TakeCurrentFromRow(focused.row());
    else
        current_ = {};
}

void MainWindow::UpdateRecordCommands() {
    const std::vector<int> rows = SelectedRows();
    const bool selected = !rows.empty();
    const bool one = rows.size() == 1;
    const QModelIndex focused = record_view_->currentIndex();
    const bool focused_selected =
        focused.isValid() && record_view_->selectionModel()->isRowSelected(focused.row());
    const ViewKind kind = view();
    const bool video = kind == ViewKind::kVideo;

    commands_->SetAllowed(Command::kPlay, focused_selected && !video);
    commands_->SetAllowed(Command::kSend, focused_selected && !video);
    for (Command command : {Command::kEdit, Command::kDelete, Command::kPrint})
        commands_->SetAllowed(command, selected);
    // A video record leaves as a Kivo video file (".xrv") or as WMV.
    commands_->SetAllowed(Command::kExportKivoRecording, selected);
    for (Command command :
         {Command::kExportWav, Command::kExportWma, Command::kExportMp3, Command::kExportOgg}) {
        commands_->SetAllowed(command, selected && !video);
    }
    commands_->SetAllowed(Command::kExportWmv, selected && video);
    // It also needs a connected call, which the command itself checks.
    commands_->SetAllowed(Command::kPlayOverPhone, one && !video);
    commands_->SetAllowed(Command::kAddToPhoneBook, selected && kind == ViewKind::kPhone);
    commands_->SetAllowed(Command::kRedial, one && kind == ViewKind::kPhone);
    commands_->SetAllowed(Command::kNewDictation, one && kind == ViewKind::kDictation);
    commands_->SetAllowed(Command::kUseAsGreeting, one && kind == ViewKind::kDictation);
}

std::unique_ptr<QMenu> MainWindow::BuildContextMenu() {
    if (current_.empty() && SelectedRows().empty())
        return nullptr;
    auto menu = std::make_unique<QMenu>(tr("Action"));
    auto add = [&](QMenu* to, Command command) { to->addAction(commands_->action(command)); };
    add(menu.get(), Command::kPlay);
    add(menu.get(), Command::kEdit);
    add(menu.get(), Command::kDelete);
    add(menu.get(), Command::kPrint);
    menu->addSeparator();
    QMenu* export_menu = menu->addMenu(tr("E&xport"));
    if (view() == ViewKind::kVideo) {
        add(export_menu, Command::kExportKivoRecording);
        add(export_menu, Command::kExportWmv);
    } else {
        for (Command command : {Command::kExportKivoRecording, Command::kExportWav,
                                Command::kExportWma, Command::kExportMp3, Command::kExportOgg}) {
            add(export_menu, command);
        }
    }
    add(menu.get(), Command::kSend);
    add(menu.get(), Command::kPlayOverPhone);
    if (view() == ViewKind::kPhone) {
        menu->addSeparator();
        add(menu.get(), Command::kAddToPhoneBook);
        add(menu.get(), Command::kRedial);
    }
    if (view() == ViewKind::kDictation) {
        menu->addSeparator();
        add(menu.get(), Command::kNewDictation);
        add(menu.get(), Command::kUseAsGreeting);
    }
    return menu;
}

void MainWindow::ShowContextMenu(const QPoint& position) {
    const std::vector<int> rows = SelectedRows();
    if (!rows.empty())
        TakeCurrentFromRow(rows.back());
    const QModelIndex at = record_view_->indexAt(position);
    if (at.isValid() && !record_view_->selectionModel()->isRowSelected(at.row()))
        current_ = {};
    UpdateRecordCommands();
    if (auto menu = BuildContextMenu())
        menu->exec(record_view_->viewport()->mapToGlobal(position));
}

void MainWindow::PlayFocusedRecord() {
    TakeCurrentFromFocus();
    if (current_.empty())
        return;
    // A double-click plays in every view, the video view included.
    commands_->SetAllowed(Command::kPlay, true);
    commands_->SetAllowed(Command::kSend, true);
    commands_->Trigger(Command::kPlay);
}

void MainWindow::DeleteSelectedRecords() {
    if (!started_ || view() == ViewKind::kNone)
        return;
    const std::vector<int> rows = SelectedRows();
    const auto selection = records_->CollectSelection(rows);
    if (selection.empty())
        return;
    if (!session_->ConfirmDelete(selection, current_.id)) {
        // Nothing changed: the same records stay chosen, and the keys go
        // back to the list from the question.
        record_view_->setFocus(Qt::OtherFocusReason);
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session_->EraseRecords(selection);
    QApplication::restoreOverrideCursor();
    RefreshCurrentView();
    ChooseRowAfterDelete(rows.front());
}

void MainWindow::ChooseRowAfterDelete(int first_deleted_row) {
    const int last_row = records_->rowCount() - 1;
    const int from = std::min(first_deleted_row, last_row);
    int row = ShownRowFrom(from, +1);
    if (row < 0)
        row = ShownRowFrom(from, -1);
    if (row >= 0)
        SelectOnlyRow(row);
    TakeCurrentFromFocus();
    UpdateRecordCommands();
    record_view_->setFocus(Qt::OtherFocusReason);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the record list plays the focused record; Home and End go
    // to the first and the last record (the list has no columns to walk).
    // The list shows its focused record with a frame; a keyboard user takes
    // it for chosen. Coming into the list by Tab, or pressing Enter or the
    // Menu key (or Shift+F10), chooses it when nothing is selected, so that Enter plays it
    // and the Action menu opens on it even when the arrows cannot move (one
    // record listed, or the last one focused).
    if (watched == record_view_ && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            SelectFocusedRowIfNoneSelected();
    }
    if (watched == record_view_ && event->type() == QEvent::KeyPress) {
        const auto* key_event = static_cast<QKeyEvent*>(event);
        const int key = key_event->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Menu)
            SelectFocusedRowIfNoneSelected();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            PlayFocusedRecord();
            return true;
        }
        // Shift+F10 is the Menu key of keyboards without one.
        if (key == Qt::Key_F10 && key_event->modifiers() == Qt::ShiftModifier) {
            SelectFocusedRowIfNoneSelected();
            const QModelIndex focused = record_view_->currentIndex();
            ShowContextMenu(focused.isValid() ? record_view_->visualRect(focused).center()
                                              : QPoint(0, 0));
            return true;
        }
        // Home and End go to the first and last record shown: the instant
        // search hides the others, and a hidden record must not be chosen.
        if ((key == Qt::Key_Home || key == Qt::Key_End) &&
            key_event->modifiers() == Qt::NoModifier) {
            const int row = key == Qt::Key_Home ? ShownRowFrom(0, +1)
                                                : ShownRowFrom(records_->rowCount() - 1, -1);
            if (row >= 0)
                SelectOnlyRow(row);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::SelectFocusedRowIfNoneSelected() {
    if (!SelectedRows().empty())
        return;
    const QModelIndex focused = record_view_->currentIndex();
    const int row = focused.isValid() && !record_view_->isRowHidden(focused.row())
                        ? focused.row()
                        : ShownRowFrom(0, +1);
    if (row >= 0)
        SelectOnlyRow(row);
}

int MainWindow::ShownRowFrom(int row, int step) const {
    for (; row >= 0 && row < records_->rowCount(); row += step) {
        if (!record_view_->isRowHidden(row))
            return row;
    }
    return -1;
}

void MainWindow::SelectOnlyRow(int row) {
    const QModelIndex index = records_->index(row, 0);
    record_view_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    record_view_->scrollTo(index);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The compaction worker is using the store; the window closes after it.
    if (compacting_) {
        close_after_compaction_ = true;
        if (active_compaction_ != nullptr && !active_compaction_->running())
            active_compaction_->accept();
        event->ignore();
        return;
    }
    if (started_ && !closing_) {
        closing_ = true;
        // Only a termination signal closes the window under an open
        // recorder: its unsaved take stays in the takes folder for the
        // next start.
        for (auto* recorder : findChildren<dictation::DictationRecorderDialog*>())
            recorder->CloseKeepingTake();
        for (auto* recorder : findChildren<recorder::SpanRecorderDialog*>())
            recorder->CloseKeepingTake();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        SetLineStateText(QString::fromLatin1(core::kSavingStoreText));
        line_state_->repaint();
        const int code = session_->Close();
        QApplication::restoreOverrideCursor();
        if (code > 0)
            reporter_->ReportMessage(code, core::kStyleExclamation);
        // Another program held or changed the store: it says which.
        const std::string& refusal = session_->store().last_refusal();
        if (code > 0 && !refusal.empty())
            reporter_->ReportText(refusal, core::kStyleExclamation);
    }
    event->accept();
}

}  // namespace kivo::app
