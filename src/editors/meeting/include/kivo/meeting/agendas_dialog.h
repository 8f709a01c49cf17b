// AgendasDialog: "Kivo Agenda Meeting Agendas", the editor of the data
// store's meeting agendas (Tools > Meeting Agendas...): an agenda's "Title"
// and its "Items" typed as an outline, one item per line, a Tab before an
// item putting it under the item above. "Record Meeting" closes the dialog
// with the agenda as shown, for the caller to open the Meeting Recorder
// with it.
#pragma once

#include <optional>

#include "kivo/meeting/stored_agendas.h"
#include "kivo/recorder/list_editor_dialog.h"

class QLineEdit;
class QPlainTextEdit;

namespace kivo::meeting {

inline constexpr const char* kAgendasHelpTopic = "agendas.htm";

class AgendasDialog : public recorder::ListEditorDialog {
    Q_OBJECT
public:
    // agendas: bound to the store the dialog is opened on.
    AgendasDialog(StoredAgendas agendas, core::MessageReporter& reporter,
                  QWidget* parent = nullptr);

    QLineEdit* title_edit() const { return title_; }
    QPlainTextEdit* items_edit() const { return items_; }
    QPushButton* record_button() const { return record_; }
    const StoredAgendas& agendas() const { return agendas_; }

    // The agenda chosen with "Record Meeting"; none when the dialog was
    // closed otherwise.
    const std::optional<format::Agenda>& chosen_for_meeting() const { return chosen_; }

protected:
    QStringList EntryTitles() const override;
    void ShowEntry(int row) override;
    QString FieldsTitle() const override;
    QString FieldsProblem() const override;
    core::ComponentSave SaveEntry(int row) override;
    core::ComponentSave RemoveEntry(int row) override;

private:
    format::Agenda FieldsAgenda() const;
    void RecordMeeting();

    StoredAgendas agendas_;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* items_ = nullptr;
    QPushButton* record_ = nullptr;
    std::optional<format::Agenda> chosen_;
};

}  // namespace kivo::meeting
