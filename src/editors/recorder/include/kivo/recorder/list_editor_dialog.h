// ListEditorDialog: the frame of the dialogs that edit a list kept in a
// component of the data store (the meeting agendas, the record templates):
// the list on the left under its own label, the chosen entry's fields on the
// right, and New, Delete, Save, the dialog's own action, Close and Help, all
// reached by Tab in that order and by their Alt letters.
//
// A derived dialog shows an entry in its fields, saves them (as a new entry
// or over the chosen one) and removes an entry through its StoredList; this
// frame keeps the list, the buttons and the question about unsaved changes,
// and reports a failed save. Nothing is saved without Save, or a Yes to
// "Save the changes ...?" when the user leaves an edited entry.
#pragma once

#include <QDialog>
#include <functional>
#include <vector>

#include "kivo/core/bound_component.h"

class QHBoxLayout;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace kivo::core {
class MessageReporter;
}

namespace kivo::recorder {

class ListEditorDialog : public QDialog {
    Q_OBJECT
public:
    enum class SaveAnswer { kSave, kDiscard, kStay };

    QListWidget* entry_list() const { return list_; }
    QPushButton* new_button() const { return new_; }
    QPushButton* delete_button() const { return delete_; }
    QPushButton* save_button() const { return save_; }
    bool edited() const { return edited_; }

    // Saves the fields (a new entry when none is chosen). False when the
    // save failed (reported) or the fields may not be saved (said why).
    bool SaveFields();
    // Empties the fields for a new entry.
    void NewEntry();
    // Removes the chosen entry.
    void DeleteEntry();

    // "Save the changes to ...?"; replaceable for tests (the box is modal).
    std::function<SaveAnswer(const QString& entry_name)> ask_to_save;

signals:
    void helpRequested(const QString& topic);

public slots:
    void reject() override;

protected:
    // `list_label` names the list with its Alt letter ("&Agendas").
    ListEditorDialog(const QString& title, const QString& list_label, const QString& help_topic,
                     core::MessageReporter& reporter, int save_failure_code, QWidget* parent);

    QVBoxLayout* fields_area() const { return fields_; }
    // A button beside Save for the dialog's own action.
    QPushButton* AddActionButton(const QString& text);
    // Called once the fields and action buttons exist: Tab goes from the
    // list through the fields in this order, then New, Delete, Save, the
    // action buttons, Close and Help; New puts the focus in the first field.
    void SetFieldsTabOrder(const std::vector<QWidget*>& fields);
    // Fills the list from EntryTitles and chooses `row` (-1: none).
    void ShowEntries(int row);
    int chosen_row() const { return chosen_; }
    // Connect every field's change to this.
    void MarkEdited();
    // Leaves the edited entry after asking; false when the user stays.
    bool MayLeaveEntry();

    virtual QStringList EntryTitles() const = 0;
    // Shows the entry in the fields; -1: empty fields for a new one.
    virtual void ShowEntry(int row) = 0;
    // The title of the entry in the fields, for the question.
    virtual QString FieldsTitle() const = 0;
    // A text that says why the fields cannot be saved, or empty.
    virtual QString FieldsProblem() const { return {}; }
    // Saves the fields as entry `row` (-1: a new entry at the end).
    virtual core::ComponentSave SaveEntry(int row) = 0;
    virtual core::ComponentSave RemoveEntry(int row) = 0;

private:
    void Choose(int row);
    bool Report(const core::ComponentSave& save);
    void SetEdited(bool edited);

    core::MessageReporter& reporter_;
    int save_failure_code_;
    int chosen_ = -1;
    bool edited_ = false;
    bool showing_ = false;  // fields being filled: not an edit
    QListWidget* list_ = nullptr;
    QVBoxLayout* fields_ = nullptr;
    QHBoxLayout* buttons_ = nullptr;
    QPushButton* new_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* close_ = nullptr;
    QPushButton* help_ = nullptr;
    std::vector<QPushButton*> action_buttons_;
    QWidget* first_field_ = nullptr;
};

}  // namespace kivo::recorder
