// RecordEditDialog: the thin view over RecordEditSession, titled "Dictation
// Editor", "Phone Editor", "Meeting Editor", "Diary Editor" or "Video Editor" by the kind of
// the record it opens. It shows the read-only "Kivo ID", "Start Time", "End
// Time" and "Duration", the kind's editable fields and keywords, and (except
// for dictations) the picture frame with "Insert Picture", "Remove Picture"
// and its context menu. OK saves; CANCEL, Esc and the close box go through
// the session's close question.
#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "kivo/records/record_edit_session.h"

class QCalendarWidget;
class QCheckBox;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;

namespace kivo::recorder {
class PictureFrame;
}

namespace kivo::records {

class RecordEditDialog : public QDialog {
    Q_OBJECT
public:
    RecordEditDialog(core::DataStoreSession& store, core::MessageReporter& reporter,
                     QWidget* parent = nullptr);
    ~RecordEditDialog() override;

    // Opens the record and builds the controls of its kind. False when the
    // record cannot be edited (the reason has been reported); the dialog is
    // then not to be shown.
    bool Start(const std::string& container_name);

    RecordEditSession& session() { return *session_; }
    bool saved() const { return session_->saved(); }

    // What "Insert Picture" does after the file dialog: shows the file and
    // attaches it. False when it is not a picture that can be shown.
    bool AttachPicture(const QString& file);
    // "Remove Picture".
    void DetachPicture();
    // The picture frame's context menu as it would be shown now.
    std::unique_ptr<QMenu> BuildPictureMenu();

signals:
    void helpRequested(const QString& topic);

public slots:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildControls();
    QWidget* BuildPictureFrame();
    void ShowPicture();
    void PassFieldsToSession();
    void OnOk();
    void OnCancel();
    void OnInsertPicture();
    void Finish(CloseOutcome outcome);

    std::unique_ptr<RecordEditSession> session_;
    bool closing_ = false;

    QLineEdit* subject_ = nullptr;
    QLineEdit* party_name_ = nullptr;
    QLineEdit* phone_number_ = nullptr;
    QPlainTextEdit* keywords_ = nullptr;
    QCalendarWidget* calendar_ = nullptr;
    QTimeEdit* diary_time_ = nullptr;
    QCheckBox* auto_reminder_ = nullptr;
    QCheckBox* nag_me_ = nullptr;
    recorder::PictureFrame* picture_ = nullptr;  // none for dictations
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace kivo::records
