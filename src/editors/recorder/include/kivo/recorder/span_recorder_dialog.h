// SpanRecorderDialog: the dialog every span recorder shows (the meeting and
// diary recorders), a thin view over a SpanRecording: "Kivo ID", "Subject",
// "Start Time", "End Time", "Duration", the marks list ("Comments", "Time
// Stamp"), "Index Comment" with MARK, "Keywords", the two level bars,
// PICKUP, PAUSE, STOP, the status icon, the picture frame and OK, CANCEL,
// HELP. A recorder derives from it, puts its own controls into the areas
// beside these (left_area, right_area), and says how its record is saved
// and closed.
//
// Enter moves from "Subject" to "Keywords" and from "Keywords" to "Index
// Comment"; on MARK, or anywhere while recording, it adds a mark; it never
// closes the dialog. A clock refreshes the texts about five times a second
// while recording (Tick). Closing asks message 1 through the recording when
// something is unsaved.
#pragma once

#include <QDialog>
#include <QString>

#include "kivo/recorder/close_question.h"
#include "kivo/recorder/span_recording.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;
class QVBoxLayout;

namespace kivo::recorder {

class PictureFrame;

inline constexpr int kSpanRefreshInterval_ms = 200;

class SpanRecorderDialog : public QDialog {
    Q_OBJECT
public:
    SpanRecorderDialog(const QString& title, const QString& help_topic, QWidget* parent);
    ~SpanRecorderDialog() override;

    bool saved() const { return recording_ != nullptr && recording_->saved(); }
    // The saved record's number; 0 before a save.
    std::int32_t saved_record_number() const { return saved() ? recording_->record_number() : 0; }
    // The program is ending: closes without asking, keeping an unsaved take.
    void CloseKeepingTake();
    // Offers the predefined index comments of shared_text (see
    // predefined_comments.h; a template's comments) in the "Index Comment"
    // list, in order, and clears shared_text: the comments are used by this
    // recorder alone.
    void TakePredefinedComments(std::string& shared_text);

    QPushButton* pickup_button() const { return pickup_; }
    QPushButton* pause_button() const { return pause_; }
    QPushButton* stop_button() const { return stop_; }
    QPushButton* mark_button() const { return mark_; }
    QPushButton* ok_button() const { return ok_; }
    QPushButton* cancel_button() const { return cancel_; }
    QLineEdit* subject_edit() const { return subject_; }
    QPlainTextEdit* keywords_edit() const { return keywords_; }
    QComboBox* index_comment_box() const { return index_comment_; }
    QTreeWidget* marks_list() const { return marks_; }
    QLabel* duration_label() const { return duration_; }
    QLabel* record_id_label() const { return record_id_; }

signals:
    void helpRequested(const QString& topic);

public slots:
    void reject() override;

protected:
    // Builds the common controls over recording and connects them; called
    // once by the derived dialog's constructor after its session exists.
    void Attach(SpanRecording& recording);
    QVBoxLayout* left_area() const { return left_area_; }
    QVBoxLayout* right_area() const { return right_area_; }

    // The recorder's save (0 or the message code) and close.
    virtual int SaveRecord() = 0;
    virtual CloseOutcome CloseRecord() = 0;
    // Called with every refresh of the texts, and after every change of
    // state.
    virtual void Tick() {}
    virtual void StateShown() {}

    void AddMarkWithComment(const QString& comment);
    // Shows what a recording opened with its texts, marks and picture (a
    // recovered take) holds.
    void ShowOpenedRecording();
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowState();
    void ShowMarks();
    void ShowTexts();
    void OnPickup();
    void OnMark();
    void OnOk();
    void PassTextsToRecording();
    void CloseThroughRecording();

    SpanRecording* recording_ = nullptr;
    QString help_topic_;
    bool closing_ = false;
    QTimer* clock_ = nullptr;
    bool icon_flip_ = false;

    QVBoxLayout* left_area_ = nullptr;
    QVBoxLayout* right_area_ = nullptr;
    QLabel* record_id_ = nullptr;
    QLineEdit* subject_ = nullptr;
    QLabel* start_time_ = nullptr;
    QLabel* end_time_ = nullptr;
    QLabel* duration_ = nullptr;
    QTreeWidget* marks_ = nullptr;
    QComboBox* index_comment_ = nullptr;
    QPushButton* mark_ = nullptr;
    QPlainTextEdit* keywords_ = nullptr;
    QProgressBar* left_level_ = nullptr;
    QProgressBar* right_level_ = nullptr;
    QPushButton* pickup_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    QLabel* status_ = nullptr;
    PictureFrame* picture_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* help_ = nullptr;
};

}  // namespace kivo::recorder
