// MainWindow: the Kivo main window ("Kivo for user : <owner>").
//
// Left, the six record kinds; right, the bold banner naming the listed kind,
// the search status, the record list and the line state with the open data
// store. A toolbar (new recording, play, e-mail, search, help), the menu bar
// and the record context menu ("Action") are built from the command table;
// CommandRouter connects each command to its work in RouteCommands().
//
// The window holds no logic of its own beyond showing things: the session
// (ShellSession) owns the store and the start-up sequence, the model
// (RecordListModel) owns the rows and their order.
#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "command_router.h"
#include "kivo/core/shell_session.h"
#include "record_list_model.h"
#include "resources.h"

class QLabel;
class QMenu;
class QTableView;

namespace kivo::hotkeys {
class HotKeyGrabber;
}

namespace kivo::app {

class MessageBoxReporter;
class CompactionDialog;
class FileDialogStoreChooser;
class RecordKindList;

inline constexpr const char* kCaptionPrefix = "Kivo for user : ";
inline constexpr const char* kInitialBanner = "Kivo";
// How often the window looks for an idle moment to save the store.
inline constexpr int kIdleSaveIntervalMs = 60000;
// How often the window looks whether another program changed its store.
inline constexpr int kOtherProgramsCheckIntervalMs = 2000;

// The focused record and the selection of the record list.
struct CurrentRecord {
    std::string id;              // up to 9 characters
    std::string recording_file;  // the record's container
    int status = 0;
    bool empty() const { return id.empty() && recording_file.empty(); }
};

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // reporter and chooser: where messages and store choices go; null for the
    // program's message boxes and file dialogs.
    MainWindow(Resources resources, core::SessionPlaces places,
               core::MessageReporter* reporter = nullptr, core::StoreChooser* chooser = nullptr,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up sequence and the first listing (dictations). False when the
    // program must end; the reason has been reported.
    bool Start();
    // Asks message 24 when the store needs compacting; Yes compacts it.
    void OfferCompaction();
    // Offers each take that a dictation recorder left behind when the
    // program ended while it was open: Yes reopens it as a new dictation.
    void OfferTakeRecovery();

    CommandRouter& commands() { return *commands_; }
    core::ShellSession& session() { return *session_; }
    RecordListModel& records() { return *records_; }
    QTableView* record_view() const { return record_view_; }
    RecordKindList* kind_list() const { return kinds_; }
    const Resources& resources() const { return resources_; }

    // Makes the grabber through which an open player takes its hot keys;
    // owner is the player. The player takes the keys when it opens and gives
    // them back when it closes, so other programs have them the rest of the
    // time. By default the platform's (global grabs on X11).
    using HotKeyGrabberFactory =
        std::function<std::unique_ptr<hotkeys::HotKeyGrabber>(QObject* owner)>;
    void SetHotKeyGrabberFactory(HotKeyGrabberFactory factory);
    std::unique_ptr<hotkeys::HotKeyGrabber> MakeHotKeyGrabber(QObject* owner) const;

    core::ViewKind view() const { return records_->view(); }
    // A compaction is running on its worker thread and owns the store.
    bool compacting() const { return compacting_; }
    QString banner_text() const;
    QString search_status_text() const;
    // Replaces the count above the list (e.g. while instant search narrows it).
    void ShowSearchStatus(const QString& text);
    QString line_state_text() const;
    const CurrentRecord& current_record() const { return current_; }
    // Selected rows in list order.
    std::vector<int> SelectedRows() const;

    // Lists a kind (clicking its icon does the same).
    void ShowKind(core::ViewKind view);
    void RefreshCurrentView();
    // The record context menu for the current selection; null when there is
    // no current record and no selection (no menu is shown then).
    std::unique_ptr<QMenu> BuildContextMenu();

    // Commands, public so that tests and later commands can call them.
    void DeleteSelectedRecords();
    // Opens the edit dialog of each selected record's kind in turn, then
    // lists the kind again with the same records selected.
    void EditSelectedRecords();
    void OpenDataStore();
    void NewDataStore();
    void ShowOptions();
    void ShowHotKeys();
    void CompressDataStore();
    void ShowHelpTopic(const QString& topic);
    // The text under the record list: the line state and the open store.
    void SetLineStateText(const QString& text);
    // Lists the kind again when another program (kivoctl, an import, a
    // second Kivo) changed the store, keeping every selected record that is
    // still listed and the focused one. A timer calls it every
    // kOtherProgramsCheckIntervalMs.
    void ShowOtherProgramsChanges();

    // Chooses the record just saved and scrolls the list to it, so that in a
    // long list the user sees where it went (nothing when it is not listed
    // here or the instant search hides it).
    void ShowSavedRecord(std::int32_t number);

signals:
    // The phone calls were listed; new_messages of them are new messages.
    void phoneListed(int new_messages);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildCentre();
    void BuildMenus();
    void BuildToolBar();
    void RouteCommands();
    void RouteComponentCommands();
    void ApplyColumnLayout();
    void TakeCurrentFromFocus();
    void TakeCurrentFromRow(int row);
    // The first row from `row` on, walking by `step` (+1 or -1), that the
    // instant search does not hide; -1 when there is none.
    int ShownRowFrom(int row, int step) const;
    // Makes row the current and only selected record and shows it.
    void SelectOnlyRow(int row);
    // After a delete, as file managers do: chooses the record that now
    // stands where the first deleted one stood (the last shown one when the
    // deleted block ended the list), never a row the instant search hides,
    // and gives the list the keys, so that Delete again offers that record.
    void ChooseRowAfterDelete(int first_deleted_row);
    // With no record selected, selects the focused one (else the first
    // shown one), if any.
    void SelectFocusedRowIfNoneSelected();
    void UpdateRecordCommands();
    void ShowContextMenu(const QPoint& position);
    void PlayFocusedRecord();
    // Selects the shown rows of the numbered records; the focus goes to
    // focus_number's row when it is shown, else to the last selected row.
    void ReselectRecords(const std::vector<std::int32_t>& numbers, std::int32_t focus_number = 0);
    std::filesystem::path StoreFolder() const;
    // Closes every open record dialog, player and recorder, each asking
    // through its own question whether to save what it holds. False when
    // one stays open (its save failed): the store must not change under it.
    bool CloseRecordDialogs();
    // Every idle minute or so the store may take the journaled changes.
    void SaveWhenIdle();

    Resources resources_;
    core::MessageReporter* reporter_ = nullptr;
    std::unique_ptr<MessageBoxReporter> own_reporter_;
    std::unique_ptr<FileDialogStoreChooser> own_chooser_;
    std::unique_ptr<core::ShellSession> session_;
    CommandRouter* commands_;
    RecordListModel* records_;
    RecordKindList* kinds_ = nullptr;
    QTableView* record_view_ = nullptr;
    QLabel* banner_ = nullptr;
    QLabel* search_status_ = nullptr;
    QLabel* line_state_ = nullptr;
    CurrentRecord current_;
    HotKeyGrabberFactory hot_key_grabber_factory_;
    bool started_ = false;
    bool closing_ = false;
    // A compaction is running on its worker thread: closing waits for it.
    bool compacting_ = false;
    bool close_after_compaction_ = false;
    CompactionDialog* active_compaction_ = nullptr;
};

}  // namespace kivo::app
