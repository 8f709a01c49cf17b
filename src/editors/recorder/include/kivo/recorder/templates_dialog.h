// TemplatesDialog: "Kivo Templates", the editor of the data store's record
// templates (Tools > Templates...): a template's "Name", the "Subject" a new
// record starts with and its "Index Comments", one per line, which the
// recorder offers one after the other for its marks. "New Recording" closes
// the dialog with the template as shown, for the caller to open the
// recorder of the current view with it.
#pragma once

#include <optional>

#include "kivo/recorder/list_editor_dialog.h"
#include "kivo/recorder/stored_templates.h"

class QLineEdit;
class QPlainTextEdit;

namespace kivo::recorder {

inline constexpr const char* kTemplatesHelpTopic = "templates.htm";

class TemplatesDialog : public ListEditorDialog {
    Q_OBJECT
public:
    // templates: bound to the store the dialog is opened on.
    TemplatesDialog(StoredTemplates templates, core::MessageReporter& reporter,
                    QWidget* parent = nullptr);

    QLineEdit* name_edit() const { return name_; }
    QLineEdit* subject_edit() const { return subject_; }
    QPlainTextEdit* comments_edit() const { return comments_; }
    QPushButton* record_button() const { return record_; }
    const StoredTemplates& templates() const { return templates_; }

    // The template chosen with "New Recording"; none when the dialog was
    // closed otherwise.
    const std::optional<format::RecordTemplate>& chosen_for_recording() const { return chosen_; }

protected:
    QStringList EntryTitles() const override;
    void ShowEntry(int row) override;
    QString FieldsTitle() const override;
    QString FieldsProblem() const override;
    core::ComponentSave SaveEntry(int row) override;
    core::ComponentSave RemoveEntry(int row) override;

private:
    format::RecordTemplate FieldsTemplate() const;
    void RecordWithTemplate();

    StoredTemplates templates_;
    QLineEdit* name_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QPlainTextEdit* comments_ = nullptr;
    QPushButton* record_ = nullptr;
    std::optional<format::RecordTemplate> chosen_;
};

}  // namespace kivo::recorder
