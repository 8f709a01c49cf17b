// The dialog every span recorder shows (see span_recorder_dialog.h).
#include "kivo/recorder/span_recorder_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "kivo/recorder/dialog_button.h"
#include "kivo/recorder/picture_frame.h"
#include "kivo/recorder/predefined_comments.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"

namespace kivo::recorder {
namespace {

constexpr int kKeywordsMaxChars = 4000;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QProgressBar* LevelBar(QWidget* parent) {
    auto* bar = new QProgressBar(parent);
    bar->setOrientation(Qt::Vertical);
    bar->setRange(0, 100);
    bar->setTextVisible(false);
    bar->setFixedWidth(14);
    // The level colours: yellow (254, 243, 46) rising to red.
    bar->setStyleSheet(
        QStringLiteral("QProgressBar::chunk { background: qlineargradient(x1:0, y1:1, x2:0, y2:0, "
                       "stop:0 rgb(254,243,46), stop:0.8 rgb(254,243,46), stop:1 red); }"));
    return bar;
}

}  // namespace

SpanRecorderDialog::SpanRecorderDialog(const QString& title, const QString& help_topic,
                                       QWidget* parent)
    : QDialog(parent), help_topic_(help_topic), clock_(new QTimer(this)) {
    setWindowTitle(title);
    clock_->setInterval(kSpanRefreshInterval_ms);
    connect(clock_, &QTimer::timeout, this, [this] {
        icon_flip_ = !icon_flip_;
        ShowTexts();
    });
}

SpanRecorderDialog::~SpanRecorderDialog() = default;

void SpanRecorderDialog::Attach(SpanRecording& recording) {
    recording_ = &recording;
    auto* columns = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 3);
    columns->addLayout(right, 2);

    left_area_ = new QVBoxLayout;
    left->addLayout(left_area_);
    auto* form = new QFormLayout;
    record_id_ = new QLabel(QStringLiteral("(given on saving)"), this);
    form->addRow(QStringLiteral("Kivo ID"), record_id_);
    subject_ = new QLineEdit(this);
    subject_->setMaxLength(static_cast<int>(recordstore::kSubjectMaxBytes));
    form->addRow(QStringLiteral("Su&bject"), subject_);
    start_time_ = new QLabel(this);
    form->addRow(QStringLiteral("Start Time"), start_time_);
    end_time_ = new QLabel(this);
    form->addRow(QStringLiteral("End Time"), end_time_);
    duration_ = new QLabel(QStringLiteral("00:00:00"), this);
    form->addRow(QStringLiteral("Duration"), duration_);
    left->addLayout(form);

    marks_ = new QTreeWidget(this);
    marks_->setHeaderLabels({QStringLiteral("Comments"), QStringLiteral("Time Stamp")});
    marks_->setRootIsDecorated(false);
    marks_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    left->addWidget(marks_);
    auto* mark_row = new QHBoxLayout;
    index_comment_ = new QComboBox(this);
    index_comment_->setEditable(true);
    index_comment_->lineEdit()->setMaxLength(
        static_cast<int>(recordstore::kIndexMarkCommentMaxBytes));
    auto* comment_label = new QLabel(QStringLiteral("Inde&x Comment"), this);
    comment_label->setBuddy(index_comment_);
    mark_row->addWidget(comment_label);
    mark_row->addWidget(index_comment_, 1);
    mark_ = DialogButton(QStringLiteral("&MARK"), this);
    mark_row->addWidget(mark_);
    left->addLayout(mark_row);
    auto* keywords_label = new QLabel(QStringLiteral("&Keywords"), this);
    left->addWidget(keywords_label);
    keywords_ = new QPlainTextEdit(this);
    keywords_label->setBuddy(keywords_);
    keywords_->setMaximumHeight(60);
    keywords_->setTabChangesFocus(true);
    left->addWidget(keywords_);

    right_area_ = new QVBoxLayout;
    auto* transport = new QHBoxLayout;
    left_level_ = LevelBar(this);
    right_level_ = LevelBar(this);
    transport->addWidget(left_level_);
    transport->addWidget(right_level_);
    auto* buttons = new QVBoxLayout;
    pickup_ = DialogButton(QStringLiteral("&PICKUP"), this);
    pause_ = DialogButton(QStringLiteral("P&AUSE"), this);
    stop_ = DialogButton(QStringLiteral("&STOP"), this);
    status_ = new QLabel(this);
    status_->setFixedSize(20, 20);
    for (QWidget* widget : {static_cast<QWidget*>(pickup_), static_cast<QWidget*>(pause_),
                            static_cast<QWidget*>(stop_), static_cast<QWidget*>(status_)})
        buttons->addWidget(widget);
    transport->addLayout(buttons);
    right->addLayout(transport);
    right->addLayout(right_area_);
    picture_ = new PictureFrame(
        QStringLiteral("&Insert Picture"), [this] { return !recording_->picture_path().empty(); },
        this);
    right->addWidget(picture_);
    picture_->Show(QString());
    right->addStretch();
    const OkCancelHelp row = AddOkCancelHelpRow(right, this);
    ok_ = row.ok;
    cancel_ = row.cancel;
    help_ = row.help;

    connect(pickup_, &QPushButton::clicked, this, &SpanRecorderDialog::OnPickup);
    connect(pause_, &QPushButton::clicked, this, [this] {
        recording_->Pause();
        if (recording_->state() == SpanState::kRecording)
            index_comment_->setFocus();
    });
    connect(stop_, &QPushButton::clicked, this, [this] { recording_->Stop(); });
    connect(mark_, &QPushButton::clicked, this, &SpanRecorderDialog::OnMark);
    connect(ok_, &QPushButton::clicked, this, &SpanRecorderDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &SpanRecorderDialog::reject);
    connect(help_, &QPushButton::clicked, this, [this] { emit helpRequested(help_topic_); });
    connect(picture_, &PictureFrame::insertRequested, this, [this] {
        const QString chosen = PictureFrame::ChooseFile(this);
        if (chosen.isEmpty() || QPixmap(chosen).isNull())
            return;
        recording_->set_picture_path(chosen.toStdString());
        picture_->Show(chosen);
    });
    connect(picture_, &PictureFrame::removeRequested, this, [this] {
        recording_->set_picture_path({});
        picture_->Show(QString());
    });
    connect(recording_, &SpanRecording::stateChanged, this, &SpanRecorderDialog::ShowState);
    connect(recording_, &SpanRecording::marksChanged, this, &SpanRecorderDialog::ShowMarks);
    connect(recording_, &SpanRecording::inputLevelsMeasured, this, [this](int left, int right) {
        left_level_->setValue(left);
        right_level_->setValue(right);
    });
    // Typed texts reach the take journal as they change, so a crash keeps
    // them with the audio.
    connect(subject_, &QLineEdit::textEdited, this,
            [this](const QString& text) { recording_->set_subject(text.toStdString()); });
    connect(keywords_, &QPlainTextEdit::textChanged, this,
            &SpanRecorderDialog::PassTextsToRecording);
    subject_->setText(Text(recording_->subject()));
    ShowState();
}

void SpanRecorderDialog::ShowOpenedRecording() {
    subject_->setText(Text(recording_->subject()));
    keywords_->setPlainText(Text(recording_->keywords()));
    picture_->Show(QString::fromStdString(recording_->picture_path().string()));
    ShowMarks();
    ShowState();
}

void SpanRecorderDialog::ShowState() {
    const SpanButtons buttons = recording_->Buttons();
    pickup_->setEnabled(buttons.pickup);
    pause_->setEnabled(buttons.pause);
    pause_->setText(recording_->state() == SpanState::kPaused ? QStringLiteral("RES&UME")
                                                              : QStringLiteral("P&AUSE"));
    stop_->setEnabled(buttons.stop);
    mark_->setEnabled(buttons.mark);
    ok_->setEnabled(buttons.ok);
    cancel_->setEnabled(buttons.cancel);
    picture_->SetInsertEnabled(true);
    if (recording_->running()) {
        clock_->start();
    } else {
        clock_->stop();
        left_level_->setValue(0);
        right_level_->setValue(0);
    }
    start_time_->setText(Text(recording_->start_text()));
    end_time_->setText(Text(recording_->end_text()));
    ShowTexts();
    StateShown();
}

void SpanRecorderDialog::ShowTexts() {
    duration_->setText(Text(recordstore::DurationText(recording_->duration_ms())));
    QPixmap icon(20, 20);
    icon.fill(Qt::transparent);
    const bool lit = recording_->state() == SpanState::kRecording && icon_flip_;
    icon.fill(lit ? QColor(Qt::red) : QColor(Qt::transparent));
    status_->setPixmap(icon);
    status_->setToolTip(recording_->state() == SpanState::kRecording ? QStringLiteral("Recording")
                                                                     : QStringLiteral("Stopped"));
    Tick();
}

void SpanRecorderDialog::ShowMarks() {
    marks_->clear();
    for (const RecorderMark& mark : recording_->marks()) {
        auto* item = new QTreeWidgetItem(marks_);
        item->setText(0, Text(mark.comment));
        item->setText(1, Text(recordstore::CappedDurationText(mark.time_ms, 99)));
    }
    marks_->scrollToBottom();
}

void SpanRecorderDialog::OnPickup() {
    const bool first = recording_->start_text().empty();
    if (recording_->Pickup() != 0)
        return;
    if (first && index_comment_->count() > 0)
        index_comment_->setEditText(index_comment_->itemText(0));
    index_comment_->setFocus();
}

void SpanRecorderDialog::TakePredefinedComments(std::string& shared_text) {
    for (const std::string& comment : ParsePredefinedComments(shared_text))
        index_comment_->addItem(QString::fromStdString(comment));
    shared_text.clear();
}

void SpanRecorderDialog::AddMarkWithComment(const QString& comment) {
    recording_->AddMark(comment.toStdString());
}

void SpanRecorderDialog::OnMark() {
    const QString comment = index_comment_->currentText();
    if (!recording_->AddMark(comment.toStdString()))
        return;
    // A predefined comment is used once. The field is then ready for the
    // next mark, as in the Dictation Recorder: the next predefined comment,
    // or empty (a typed comment would otherwise run into the next one).
    const int row = index_comment_->findText(comment);
    if (row >= 0)
        index_comment_->removeItem(row);
    index_comment_->setEditText(index_comment_->count() > 0 ? index_comment_->itemText(0)
                                                            : QString());
}

void SpanRecorderDialog::PassTextsToRecording() {
    recording_->set_subject(subject_->text().toStdString());
    recording_->set_keywords(keywords_->toPlainText().left(kKeywordsMaxChars).toStdString());
}

void SpanRecorderDialog::OnOk() {
    PassTextsToRecording();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SaveRecord();
    QApplication::restoreOverrideCursor();
    if (recording_->saved())
        record_id_->setText(QString::asprintf("%08d", recording_->record_number()));
    else if (recording_->recording_open() && recording_->has_unsaved_recording())
        return;  // the recording kept it here: OK may be pressed again
    closing_ = true;
    done(recording_->saved() ? QDialog::Accepted : QDialog::Rejected);
}

void SpanRecorderDialog::CloseThroughRecording() {
    if (closing_ || recording_ == nullptr)
        return;
    closing_ = true;
    PassTextsToRecording();
    done(CloseRecord() == CloseOutcome::kSaved ? QDialog::Accepted : QDialog::Rejected);
}

void SpanRecorderDialog::CloseKeepingTake() {
    if (closing_ || recording_ == nullptr)
        return;
    closing_ = true;
    PassTextsToRecording();
    recording_->CloseKeepingTake();
    done(QDialog::Rejected);
}

void SpanRecorderDialog::reject() {
    // Esc and CANCEL while recording do nothing (CANCEL is off).
    if (!cancel_->isEnabled() && !closing_)
        return;
    CloseThroughRecording();
}

void SpanRecorderDialog::closeEvent(QCloseEvent* event) {
    CloseThroughRecording();
    event->accept();
}

void SpanRecorderDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(help_topic_);
        return;
    }
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    QWidget* focus = focusWidget();
    if (focus == subject_)
        keywords_->setFocus();
    else if (focus == keywords_)
        index_comment_->setFocus();
    else if (focus == mark_ || recording_->running())
        OnMark();
    // Enter never closes the dialog.
}

}  // namespace kivo::recorder
