#include "search_commands.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QShortcut>
#include <QTableView>
#include <QToolBar>

#include "dictation_runner.h"
#include "export_commands.h"
#include "instant_search_field.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/searching/search_dialog.h"
#include "kivo/thesaurus/qlwn.h"
#include "main_window.h"

namespace kivo::app {
namespace {

// Lists the kind of the first chosen record and selects the chosen records
// of that kind, so that the list commands act on them.
bool SelectInMainList(MainWindow* window, const std::vector<core::SelectedRecord>& records) {
    if (records.empty() || records.front().view == core::ViewKind::kNone)
        return false;
    const core::ViewKind view = records.front().view;
    window->ShowKind(view);
    QTableView* list = window->record_view();
    QItemSelectionModel* selection = list->selectionModel();
    selection->clearSelection();
    QModelIndex last;
    for (int row = 0; row < window->records().rowCount(); ++row) {
        const int number = window->records().Id(row).toInt();
        for (const auto& record : records) {
            if (record.view == view && record.record_number == number) {
                list->setRowHidden(row, false);
                last = window->records().index(row, 0);
                selection->select(last, QItemSelectionModel::Select | QItemSelectionModel::Rows);
            }
        }
    }
    if (!last.isValid())
        return false;
    selection->setCurrentIndex(last, QItemSelectionModel::NoUpdate);
    list->scrollTo(last);
    return true;
}

// The smart search's dictionaries, opened on the first smart search and kept
// for the window's life (opening them takes tens of milliseconds).
class SearchDictionaries : public QObject {
public:
    explicit SearchDictionaries(QObject* owner) : QObject(owner) {}
    const thesaurus::QlwnOpening& Opening() {
        if (!opened_) {
            opening_ = thesaurus::OpenQlwn();
            opened_ = true;
        }
        return opening_;
    }

private:
    thesaurus::QlwnOpening opening_;
    bool opened_ = false;
};

constexpr const char* kStoreChangedText =
    "The search results belong to a Kivo data store that is no longer open.";

// The window's Print, Send and Export commands on the search results, for
// as long as the store the dialog searches is the open one.
searching::ResultOutputCommands OutputCommandsFor(MainWindow* window,
                                                  core::MessageReporter* reporter) {
    const std::uint64_t generation = window->session().store().store_generation();
    const auto command = [window, reporter, generation](Command id) {
        searching::ResultCommand result;
        result.text = window->commands().action(id)->text();
        result.takes_video = OutputCommandTakesVideo(id);
        if (!IsOutputCommand(id) || !window->commands().IsRouted(id))
            return result;  // gray, as in the window's menus
        result.run = [window, reporter, generation, id](
                         QWidget* parent, const std::vector<core::SelectedRecord>& records) {
            if (window->session().store().store_generation() != generation) {
                reporter->ReportText(kStoreChangedText, core::kStyleExclamation);
                return;
            }
            RunOutputCommand(id, RecordOutput{window, parent, records}, reporter);
        };
        return result;
    };
    searching::ResultOutputCommands commands;
    commands.print = command(Command::kPrint);
    commands.send = command(Command::kSend);
    for (const Command id :
         {Command::kExportKivoRecording, Command::kExportWav, Command::kExportWma,
          Command::kExportMp3, Command::kExportOgg, Command::kExportWmv}) {
        commands.export_as.push_back(command(id));
    }
    return commands;
}

void OpenSearchDialog(MainWindow* window, core::MessageReporter* reporter,
                      SearchDictionaries* dictionaries) {
    if (!window->session().started())
        return;
    const auto icons = window->resources().RecordImageIcons();
    searching::SearchDialog dialog(window->session(), *reporter,
                                   QList<QIcon>(icons.begin(), icons.end()), window);
    dialog.SetDictionaries(
        [dictionaries]() -> const thesaurus::QlwnOpening& { return dictionaries->Opening(); });
    dialog.SetOutputCommands(OutputCommandsFor(window, reporter));
    dialog.exec();
    if (dialog.records_changed())
        window->RefreshCurrentView();
    if (dialog.request() == searching::SearchDialog::Request::kMergedWave) {
        const std::filesystem::path wave = dialog.merged_wave();
        RunDictationRecorder(window, *reporter, [&wave](dictation::DictationRecorderDialog& r) {
            return r.StartFromWave(wave);
        });
        return;
    }
    if (dialog.request() == searching::SearchDialog::Request::kNone ||
        !SelectInMainList(window, dialog.requested_records())) {
        return;
    }
    if (dialog.request() == searching::SearchDialog::Request::kPlay)
        window->commands().Trigger(Command::kPlay);
    else
        window->EditSelectedRecords();
}

}  // namespace

void RouteSearchCommands(MainWindow* window, core::MessageReporter* reporter) {
    auto* dictionaries = new SearchDictionaries(window);
    window->commands().Route(Command::kSearch, [window, reporter, dictionaries] {
        OpenSearchDialog(window, reporter, dictionaries);
    });
    auto* toolbar = window->findChild<QToolBar*>(QStringLiteral("toolbar"));
    if (toolbar == nullptr)
        return;
    auto* field = new InstantSearchField(window, toolbar);
    toolbar->addSeparator();
    toolbar->addWidget(field);
    auto* focus = new QShortcut(QKeySequence(QStringLiteral("Ctrl+F")), window);
    QObject::connect(focus, &QShortcut::activated, field, [field] {
        field->setFocus(Qt::ShortcutFocusReason);
        field->selectAll();
    });
}

}  // namespace kivo::app
