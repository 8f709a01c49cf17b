#include "search_commands.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QShortcut>
#include <QTableView>
#include <QToolBar>

#include "dictation_runner.h"
#include "instant_search_field.h"
#include "kivo/dictation/dictation_recorder_dialog.h"
#include "kivo/searching/search_dialog.h"
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

void OpenSearchDialog(MainWindow* window, core::MessageReporter* reporter) {
    if (!window->session().started())
        return;
    const auto icons = window->resources().RecordImageIcons();
    searching::SearchDialog dialog(window->session(), *reporter,
                                   QList<QIcon>(icons.begin(), icons.end()), window);
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
    window->commands().Route(Command::kSearch,
                             [window, reporter] { OpenSearchDialog(window, reporter); });
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
