// The "Dictation Recorder" dialog: controls laid out, clicks passed to the
// session, the session's state shown back.
#include "kivo/dictation/dictation_recorder_dialog.h"

#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "kivo/recorder/accelerated_spin_box.h"
#include "kivo/recorder/dialog_button.h"
#include "kivo/recorder/picture_frame.h"
#include "kivo/recorder/position_bar.h"
#include "kivo/recorder/predefined_comments.h"
#include "kivo/recordstore/clock.h"
#include "kivo/recordstore/index_mark_file.h"
#include "kivo/recordstore/record_line.h"
#include "qldate.h"

namespace kivo::dictation {
namespace {

constexpr int kPositionRefreshMs = 100;
// "Keywords" is read up to this many characters.
constexpr int kKeywordsMaxChars = 4999;
constexpr int kStatusIconSize = 20;

// Columns of the marks list; the third, hidden, holds the mark type.
constexpr int kCommentColumn = 0;
constexpr int kTypeColumn = 2;

// The time stamp and type columns are not edited in place.
class ReadOnlyColumnDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        return nullptr;
    }
};

// The in-place editor of a mark comment: at most 50 characters (the
// session keeps 50 bytes).
class MarkCommentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setMaxLength(static_cast<int>(recordstore::kIndexMarkCommentMaxBytes));
        return editor;
    }
};

QString Duration(std::int64_t ms) {
    return QString::fromStdString(recordstore::DurationText(ms));
}

// The status icon beside the transport: a grey square while idle, a red
// dot and a red ring taking turns while recording, a filled and an outlined
// green triangle while playing.
QPixmap StatusPixmap(recorder::StatusIcon icon) {
    QPixmap pixmap(kStatusIconSize, kStatusIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor red(198, 40, 40);
    const QColor green(46, 139, 62);
    QPainterPath triangle;
    triangle.moveTo(6, 4);
    triangle.lineTo(16, 10);
    triangle.lineTo(6, 16);
    triangle.closeSubpath();
    switch (icon) {
        case recorder::StatusIcon::kIdle:
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(128, 128, 128));
            painter.drawRect(5, 5, 10, 10);
            break;
        case recorder::StatusIcon::kRecording1:
            painter.setPen(Qt::NoPen);
            painter.setBrush(red);
            painter.drawEllipse(QPointF(10, 10), 7, 7);
            break;
        case recorder::StatusIcon::kRecording2:
            painter.setPen(QPen(red, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(QPointF(10, 10), 6, 6);
            break;
        case recorder::StatusIcon::kPlaying1:
            painter.setPen(Qt::NoPen);
            painter.setBrush(green);
            painter.drawPath(triangle);
            break;
        case recorder::StatusIcon::kPlaying2:
            painter.setPen(QPen(green, 2));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(triangle);
            break;
    }
    return pixmap;
}

QString StatusText(recorder::StatusIcon icon) {
    switch (icon) {
        case recorder::StatusIcon::kRecording1:
        case recorder::StatusIcon::kRecording2:
            return QStringLiteral("Recording");
        case recorder::StatusIcon::kPlaying1:
        case recorder::StatusIcon::kPlaying2:
            return QStringLiteral("Playing");
        case recorder::StatusIcon::kIdle:
            break;
    }
    return QStringLiteral("Stopped");
}

QString NowDisplayDate() {
    char text[QLDATE_BUFFER_BYTES] = {};
    return QString::fromLatin1(DisplayDate(text));
}

}  // namespace

DictationRecorderDialog::DictationRecorderDialog(sound::AudioBackend& backend,
                                                 DictationTarget target,
                                                 core::MessageReporter& reporter, QWidget* parent)
    : QDialog(parent),
      session_(std::make_unique<DictationSession>(backend, std::move(target), reporter)),
      mixer_(backend),
      position_timer_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Dictation Recorder"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildFields());
    layout->addWidget(BuildTransport());
    layout->addWidget(BuildCutRow());
    layout->addWidget(BuildPicture());

    const recorder::OkCancelHelp buttons = recorder::AddOkCancelHelpRow(layout, this);
    ok_ = buttons.ok;
    cancel_ = buttons.cancel;
    help_ = buttons.help;

    position_timer_->setInterval(kPositionRefreshMs);
    connect(position_timer_, &QTimer::timeout, this, &DictationRecorderDialog::OnPositionTimer);
    connect(session_.get(), &DictationSession::stateChanged, this,
            &DictationRecorderDialog::ShowState);
    connect(session_.get(), &DictationSession::marksChanged, this,
            &DictationRecorderDialog::ShowMarks);
    connect(session_.get(), &DictationSession::inputLevelsMeasured, this,
            [this](int left, int right) { level_->setValue(std::max(left, right)); });

    // Every change reaches the session, and through it the take journal.
    connect(subject_, &QLineEdit::textChanged, this, &DictationRecorderDialog::PassTextsToSession);
    connect(keywords_, &QPlainTextEdit::textChanged, this,
            &DictationRecorderDialog::PassTextsToSession);
    connect(record_, &QPushButton::clicked, this, &DictationRecorderDialog::OnRecord);
    connect(stop_, &QPushButton::clicked, session_.get(), &DictationSession::Stop);
    connect(play_, &QPushButton::clicked, session_.get(), &DictationSession::Play);
    connect(rewind_, &QPushButton::clicked, session_.get(), &DictationSession::Rewind);
    connect(fast_forward_, &QPushButton::clicked, session_.get(), &DictationSession::FastForward);
    connect(record_insert_, &QCheckBox::toggled, session_.get(),
            &DictationSession::set_record_insert);
    connect(mark_, &QPushButton::clicked, this, &DictationRecorderDialog::OnMark);
    connect(marks_, &QTreeWidget::itemChanged, this, &DictationRecorderDialog::OnMarkEdited);
    connect(marks_->header(), &QHeaderView::sectionClicked, session_.get(),
            &DictationSession::SortMarks);
    connect(cut_, &QPushButton::clicked, session_.get(), &DictationSession::Cut);
    connect(reset_, &QPushButton::clicked, session_.get(), &DictationSession::Reset);
    connect(progress_, &recorder::PositionBar::positionPicked, this, [this](double share) {
        session_->SetInsertPoint(std::llround(share * static_cast<double>(session_->length_ms())));
    });
    connect(cut_from_, &QSpinBox::valueChanged, this, [this](int ms) {
        if (ms != session_->cut_from_ms())
            session_->SetCutFrom(ms);
    });
    connect(cut_to_, &QSpinBox::valueChanged, this, [this](int ms) {
        if (ms != session_->cut_to_ms())
            session_->SetCutTo(ms);
    });
    for (QSlider* slider : {start_slider_, end_slider_}) {
        connect(slider, &QSlider::valueChanged, this,
                [this, slider](int seconds) { OnSliderMoved(slider, seconds); });
        connect(slider, &QSlider::sliderReleased, this,
                [this, slider] { OnSliderReleased(slider); });
    }
    connect(device_, &QComboBox::activated, this, [this](int row) {
        if (mixer_.Select(row))
            session_->SelectInputDevice(mixer_.inputs()[static_cast<std::size_t>(row)].id);
    });
    connect(picture_, &recorder::PictureFrame::insertRequested, this,
            &DictationRecorderDialog::OnInsertPicture);
    connect(picture_, &recorder::PictureFrame::removeRequested, this,
            &DictationRecorderDialog::OnRemovePicture);
    connect(ok_, &QPushButton::clicked, this, &DictationRecorderDialog::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &DictationRecorderDialog::reject);
    connect(help_, &QPushButton::clicked, this,
            [this] { emit helpRequested(QString::fromLatin1(kDictationHelpTopic)); });
    ShowState();
}

DictationRecorderDialog::~DictationRecorderDialog() = default;

QWidget* DictationRecorderDialog::BuildFields() {
    auto* box = new QWidget(this);
    auto* form = new QFormLayout(box);
    record_id_ = new QLabel(QStringLiteral("(given on saving)"), box);
    form->addRow(QStringLiteral("Kivo ID"), record_id_);
    subject_ = new QLineEdit(box);
    subject_->setMaxLength(static_cast<int>(recordstore::kSubjectMaxBytes));
    form->addRow(QStringLiteral("Su&bject"), subject_);
    start_time_ = new QLabel(box);
    end_time_ = new QLabel(box);
    form->addRow(QStringLiteral("Start Time"), start_time_);
    form->addRow(QStringLiteral("End Time"), end_time_);
    keywords_ = new QPlainTextEdit(box);
    keywords_->setFixedHeight(48);
    keywords_->setTabChangesFocus(true);
    form->addRow(QStringLiteral("&Keywords"), keywords_);

    auto* mark_row = new QHBoxLayout;
    index_comment_ = new QComboBox(box);
    index_comment_->setEditable(true);
    // The list holds the predefined comments only; what the user types is
    // not added to it.
    index_comment_->setInsertPolicy(QComboBox::NoInsert);
    index_comment_->lineEdit()->setMaxLength(
        static_cast<int>(recordstore::kIndexMarkCommentMaxBytes));
    mark_ = recorder::DialogButton(QStringLiteral("&MARK"), box);
    mark_row->addWidget(index_comment_, 1);
    mark_row->addWidget(mark_);
    // A row holding a layout gets no buddy of its own: the label names the combo box.
    auto* comment_label = new QLabel(QStringLiteral("Inde&x Comment"), box);
    comment_label->setBuddy(index_comment_);
    form->addRow(comment_label, mark_row);

    marks_ = new QTreeWidget(box);
    marks_->setColumnCount(3);
    marks_->setHeaderLabels({QStringLiteral("Comments"), QStringLiteral("Time Stamp"), QString()});
    marks_->setRootIsDecorated(false);
    marks_->header()->resizeSection(0, 155);
    marks_->header()->resizeSection(1, 155);
    marks_->header()->setSectionHidden(kTypeColumn, true);
    marks_->header()->setSectionsClickable(true);
    marks_->setItemDelegateForColumn(kCommentColumn, new MarkCommentDelegate(marks_));
    auto* read_only = new ReadOnlyColumnDelegate(marks_);
    marks_->setItemDelegateForColumn(kCommentColumn + 1, read_only);
    marks_->setItemDelegateForColumn(kTypeColumn, read_only);
    marks_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::SelectedClicked);
    marks_->setFixedHeight(110);
    form->addRow(marks_);

    device_ = new QComboBox(box);
    form->addRow(QStringLiteral("Select recordin&g device"), device_);
    return box;
}

QWidget* DictationRecorderDialog::BuildTransport() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    rewind_ = recorder::DialogButton(QStringLiteral("R&Wnd"), box);
    play_ = recorder::DialogButton(QStringLiteral("&Play"), box);
    stop_ = recorder::DialogButton(QStringLiteral("&Stop"), box);
    record_ = recorder::DialogButton(QStringLiteral("&Record"), box);
    fast_forward_ = recorder::DialogButton(QStringLiteral("FFw&d"), box);
    record_insert_ = new QCheckBox(QStringLiteral("Record &Insert"), box);
    int column = 0;
    for (QWidget* widget :
         {static_cast<QWidget*>(rewind_), static_cast<QWidget*>(play_),
          static_cast<QWidget*>(stop_), static_cast<QWidget*>(record_),
          static_cast<QWidget*>(fast_forward_), static_cast<QWidget*>(record_insert_)})
        grid->addWidget(widget, 0, column++);

    position_ = new QLabel(QStringLiteral("00:00:00"), box);
    length_ = new QLabel(QStringLiteral("00:00:00"), box);
    status_ = new QLabel(box);
    status_->setFixedSize(kStatusIconSize, kStatusIconSize);
    grid->addWidget(status_, 0, column++);

    grid->addWidget(new QLabel(QStringLiteral("Position"), box), 1, 0);
    grid->addWidget(position_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Length"), box), 1, 2);
    grid->addWidget(length_, 1, 3);

    progress_ = new recorder::PositionBar(box);
    progress_->setAccessibleName(QStringLiteral("Position bar"));
    progress_->setToolTip(QStringLiteral("Click or drag to set the position"));
    progress_->setRange(0, 1);
    progress_->setFormat(QStringLiteral("00:00:00"));
    grid->addWidget(progress_, 2, 0, 1, 7);
    level_ = new QProgressBar(box);
    level_->setRange(0, 99);
    level_->setTextVisible(false);
    level_->setFixedHeight(8);
    level_->setAccessibleName(QStringLiteral("Input level"));
    grid->addWidget(level_, 3, 0, 1, 7);
    return box;
}

QWidget* DictationRecorderDialog::BuildCutRow() {
    auto* box = new QWidget(this);
    auto* grid = new QGridLayout(box);
    cut_from_ = new recorder::AcceleratedSpinBox(box);
    cut_to_ = new recorder::AcceleratedSpinBox(box);
    for (QSpinBox* spin : {cut_from_, cut_to_}) {
        spin->setRange(0, 0);
        spin->setSuffix(QStringLiteral(" ms"));
        spin->setSingleStep(1);
    }
    cut_from_time_ = new QLabel(Duration(0), box);
    cut_to_time_ = new QLabel(Duration(0), box);
    // One step of a slider is one second.
    start_slider_ = new QSlider(Qt::Horizontal, box);
    end_slider_ = new QSlider(Qt::Horizontal, box);
    start_slider_->setAccessibleName(QStringLiteral("Start slider"));
    end_slider_->setAccessibleName(QStringLiteral("End slider"));
    for (QSlider* slider : {start_slider_, end_slider_}) {
        slider->setRange(0, 1);
        slider->setSingleStep(1);
    }
    auto* from_label = new QLabel(QStringLiteral("Cut &From"), box);
    from_label->setBuddy(cut_from_);
    auto* to_label = new QLabel(QStringLiteral("Cut &To"), box);
    to_label->setBuddy(cut_to_);
    grid->addWidget(from_label, 0, 0);
    grid->addWidget(cut_from_, 0, 1);
    grid->addWidget(cut_from_time_, 0, 2);
    grid->addWidget(start_slider_, 0, 3);
    grid->addWidget(to_label, 1, 0);
    grid->addWidget(cut_to_, 1, 1);
    grid->addWidget(cut_to_time_, 1, 2);
    grid->addWidget(end_slider_, 1, 3);
    grid->setColumnStretch(3, 1);
    cut_ = recorder::DialogButton(QStringLiteral("&Cut"), box);
    reset_ = recorder::DialogButton(QStringLiteral("R&eset"), box);
    grid->addWidget(cut_, 0, 4);
    grid->addWidget(reset_, 1, 4);
    // Tab walks the range as it is typed: Cut From, Cut To, then Cut.
    setTabOrder(cut_from_, cut_to_);
    setTabOrder(cut_to_, cut_);
    setTabOrder(cut_, reset_);
    setTabOrder(reset_, start_slider_);
    setTabOrder(start_slider_, end_slider_);
    return box;
}

QWidget* DictationRecorderDialog::BuildPicture() {
    picture_ = new recorder::PictureFrame(
        QStringLiteral("Insert Pict&ure"), [this] { return !session_->picture_path().empty(); },
        this);
    return picture_;
}

bool DictationRecorderDialog::Start() {
    FillDeviceBox();
    return session_->Open() == 0;
}

bool DictationRecorderDialog::StartFromWave(const std::filesystem::path& wave) {
    return ShowIfOpened(session_->OpenFromWave(wave));
}

bool DictationRecorderDialog::StartRecovered(const recorder::RecoveredTake& take) {
    return ShowIfOpened(session_->OpenRecovered(take));
}

bool DictationRecorderDialog::StartEdit(const std::string& container_name,
                                        core::DataStoreSession& store) {
    return ShowIfOpened(session_->OpenStored(container_name, store));
}

// After opening a recording: 0, or the message code the session has shown.
bool DictationRecorderDialog::ShowIfOpened(int opened) {
    if (opened != 0)
        return false;
    FillDeviceBox();
    ShowOpenedRecording();
    return true;
}

void DictationRecorderDialog::FillDeviceBox() {
    if (mixer_.Open() > 0) {
        device_->addItems(mixer_.InputNames());
        device_->setCurrentIndex(mixer_.current_index());
    }
}

void DictationRecorderDialog::SetPrimedTexts(const QString& subject, const QString& keywords) {
    subject_->setText(subject);
    keywords_->setPlainText(keywords);
}

void DictationRecorderDialog::TakePredefinedComments(std::string& shared_text) {
    for (const std::string& comment : recorder::ParsePredefinedComments(shared_text))
        index_comment_->addItem(QString::fromStdString(comment));
    shared_text.clear();
}

// The texts, picture, times and marks of a recording opened with them.
void DictationRecorderDialog::ShowOpenedRecording() {
    if (session_->record_number() != 0)  // an edited record
        record_id_->setText(QString::asprintf("%08d", session_->record_number()));
    {
        // The session has these texts already.
        const QSignalBlocker block_subject(subject_);
        const QSignalBlocker block_keywords(keywords_);
        subject_->setText(QString::fromStdString(session_->subject()));
        keywords_->setPlainText(QString::fromStdString(session_->keywords()));
    }
    picture_->Show(QString::fromStdString(session_->picture_path().string()));
    start_time_->setText(QString::fromStdString(session_->start_text()));
    end_time_->setText(QString::fromStdString(session_->end_text()));
    record_insert_->setChecked(session_->record_insert());
    ShowMarks();
    ShowState();
}

std::unique_ptr<QMenu> DictationRecorderDialog::BuildPictureMenu() {
    return picture_->BuildMenu();
}

void DictationRecorderDialog::ShowState() {
    const ButtonStates buttons = session_->Buttons();
    cancel_->setEnabled(buttons.cancel);
    ok_->setEnabled(buttons.ok);
    mark_->setEnabled(buttons.mark);
    rewind_->setEnabled(buttons.rewind);
    play_->setEnabled(buttons.play);
    stop_->setEnabled(buttons.stop);
    fast_forward_->setEnabled(buttons.fast_forward);
    record_->setEnabled(buttons.record);
    cut_->setEnabled(buttons.cut);
    reset_->setEnabled(buttons.positions);
    cut_from_->setEnabled(buttons.positions);
    cut_to_->setEnabled(buttons.positions);
    picture_->SetInsertEnabled(session_->state() != TransportState::kRecording &&
                               session_->state() != TransportState::kPlaying);
    const bool running = session_->state() == TransportState::kRecording ||
                         session_->state() == TransportState::kPlaying;
    // The source is chosen before the first take: a new recording, a wave
    // opened for review or a stored record opened for editing.
    device_->setEnabled(!running && !session_->has_recorded());
    if (running) {
        position_timer_->start();
    } else {
        position_timer_->stop();
        level_->setValue(0);
    }
    if (session_->state() == TransportState::kStopped && end_time_->text().isEmpty() &&
        !start_time_->text().isEmpty())
        end_time_->setText(NowDisplayDate());

    start_slider_->setEnabled(buttons.positions);
    end_slider_->setEnabled(buttons.positions);

    recorder::PositionRefresh::Transport transport = recorder::PositionRefresh::Transport::kIdle;
    if (session_->state() == TransportState::kRecording)
        transport = recorder::PositionRefresh::Transport::kRecording;
    else if (session_->state() == TransportState::kPlaying)
        transport = recorder::PositionRefresh::Transport::kPlaying;
    refresh_.Follow(transport, session_->position_ms());
    ShowStatusIcon();
    ShowRanges();
    ShowPosition();
}

// Spins, sliders and their texts after the cut positions or the length
// changed. A slider the user holds is left where the hand is.
void DictationRecorderDialog::ShowRanges() {
    const int length_ms = static_cast<int>(session_->length_ms());
    const int from_ms = static_cast<int>(session_->cut_from_ms());
    const int to_ms = static_cast<int>(session_->cut_to_ms());
    for (QSpinBox* spin : {cut_from_, cut_to_}) {
        const QSignalBlocker block(spin);
        spin->setRange(0, length_ms);
    }
    {
        const QSignalBlocker block_from(cut_from_);
        const QSignalBlocker block_to(cut_to_);
        cut_from_->setValue(from_ms);
        cut_to_->setValue(to_ms);
    }
    cut_from_time_->setText(Duration(from_ms));
    cut_to_time_->setText(Duration(to_ms));

    const int seconds = SliderSeconds(length_ms);
    end_slider_->setPageStep(std::max(1, seconds / 6));
    const std::pair<QSlider*, int> sliders[] = {{start_slider_, from_ms / 1000},
                                                {end_slider_, to_ms / 1000}};
    for (const auto& [slider, value] : sliders) {
        if (slider->isSliderDown())
            continue;
        const QSignalBlocker block(slider);
        slider->setRange(0, seconds);
        slider->setValue(value);
    }
}

void DictationRecorderDialog::ShowStatusIcon() {
    status_->setPixmap(StatusPixmap(refresh_.icon()));
    status_->setToolTip(StatusText(refresh_.icon()));
    status_->setAccessibleName(StatusText(refresh_.icon()));
}

// The position bar, and the "Position" and "Length" texts unless the user
// is dragging a slider (the text then shows the slider).
void DictationRecorderDialog::ShowPosition() {
    const std::int64_t length_ms = session_->length_ms();
    const std::int64_t position_ms = session_->position_ms();
    progress_->setRange(0, SliderSeconds(length_ms));
    progress_->setValue(static_cast<int>(position_ms / 1000));
    progress_->setFormat(Duration(position_ms));
    if (!session_->user_dragging() && !start_slider_->isSliderDown() &&
        !end_slider_->isSliderDown())
        position_->setText(Duration(position_ms));
    length_->setText(Duration(length_ms));
}

// While recording or playing: the bar follows every poll (and the ranges
// the growing recording); the texts and the status icon follow about once
// a second.
void DictationRecorderDialog::OnPositionTimer() {
    const std::int64_t length_ms = session_->length_ms();
    const std::int64_t position_ms = session_->position_ms();
    const bool recording = session_->state() == TransportState::kRecording;
    progress_->setRange(0, SliderSeconds(length_ms));
    progress_->setValue(static_cast<int>(position_ms / 1000));
    progress_->setFormat(Duration(position_ms));
    if (recording)
        ShowRanges();
    if (refresh_.Poll(position_ms, session_->user_dragging())) {
        position_->setText(Duration(position_ms));
        if (recording)
            length_->setText(Duration(length_ms));
        ShowStatusIcon();
    }
}

void DictationRecorderDialog::OnSliderMoved(QSlider* slider, int seconds) {
    if (!slider->isSliderDown()) {
        // A step by key, wheel or page click is a drag and its release at once.
        OnSliderReleased(slider);
        return;
    }
    if (slider == start_slider_)
        session_->DragStartSlider(seconds);
    else
        session_->DragEndSlider(seconds);
    position_->setText(Duration(std::int64_t{seconds} * 1000));
}

void DictationRecorderDialog::OnSliderReleased(QSlider* slider) {
    if (slider == start_slider_)
        session_->ReleaseStartSlider(slider->value());
    else
        session_->ReleaseEndSlider(slider->value());
}

void DictationRecorderDialog::ShowMarks() {
    if (showing_marks_)
        return;
    const QSignalBlocker block(marks_);
    marks_->clear();
    for (const recorder::RecorderMark& mark : session_->Marks()) {
        auto* item =
            new QTreeWidgetItem({QString::fromStdString(mark.comment), Duration(mark.time_ms),
                                 QString::number(static_cast<int>(mark.type))});
        // Only the user's own marks have comments to edit.
        if (mark.type == recordstore::IndexMarkType::kUser)
            item->setFlags(item->flags() | Qt::ItemIsEditable);
        marks_->addTopLevelItem(item);
    }
}

void DictationRecorderDialog::OnMarkEdited(QTreeWidgetItem* item, int column) {
    if (column != kCommentColumn)
        return;
    const int row = marks_->indexOfTopLevelItem(item);
    if (row < 0)
        return;
    // The list keeps its rows (the edited item is still in use); only the
    // comment shows what the session kept.
    showing_marks_ = true;
    session_->EditMarkComment(static_cast<std::size_t>(row), item->text(column).toStdString());
    showing_marks_ = false;
    const std::vector<recorder::RecorderMark> marks = session_->Marks();
    const QSignalBlocker block(marks_);
    if (static_cast<std::size_t>(row) < marks.size())
        item->setText(column, QString::fromStdString(marks[static_cast<std::size_t>(row)].comment));
}

void DictationRecorderDialog::OnRecord() {
    const bool first = session_->state() == TransportState::kEmpty;
    if (session_->Record() != 0) {
        CloseThroughSession();
        return;
    }
    if (first) {
        start_time_->setText(NowDisplayDate());
        if (index_comment_->count() > 0)
            index_comment_->setEditText(index_comment_->itemText(0));
    }
    end_time_->clear();
}

void DictationRecorderDialog::OnMark() {
    const QString comment = index_comment_->currentText();
    if (!session_->AddMark(comment.toStdString()))
        return;
    // A predefined comment is used once. The field is then ready for the
    // next mark: the next predefined comment, or empty.
    const int row = index_comment_->findText(comment);
    if (row >= 0)
        index_comment_->removeItem(row);
    index_comment_->setEditText(index_comment_->count() > 0 ? index_comment_->itemText(0)
                                                            : QString());
}

void DictationRecorderDialog::OnOk() {
    PassTextsToSession();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    session_->Save();
    QApplication::restoreOverrideCursor();
    if (session_->saved())
        record_id_->setText(QString::asprintf("%08d", session_->record_number()));
    else if (session_->recording_open() && session_->has_unsaved_recording())
        return;  // the session kept the recording here: OK may be pressed again
    closing_ = true;
    done(session_->saved() ? QDialog::Accepted : QDialog::Rejected);
}

void DictationRecorderDialog::OnInsertPicture() {
    const QString chosen = recorder::PictureFrame::ChooseFile(this);
    if (chosen.isEmpty() || QPixmap(chosen).isNull())
        return;
    session_->set_picture_path(chosen.toStdString());
    picture_->Show(chosen);
}

void DictationRecorderDialog::OnRemovePicture() {
    session_->set_picture_path({});
    picture_->Show(QString());
}

void DictationRecorderDialog::PassTextsToSession() {
    session_->set_subject(subject_->text().toStdString());
    session_->set_keywords(
        keywords_->toPlainText().left(static_cast<int>(kKeywordsMaxChars)).toStdString());
}

void DictationRecorderDialog::CloseThroughSession() {
    if (closing_)
        return;
    closing_ = true;
    PassTextsToSession();
    const CloseOutcome outcome = session_->Close();
    done(outcome == CloseOutcome::kSaved ? QDialog::Accepted : QDialog::Rejected);
}

void DictationRecorderDialog::CloseKeepingTake() {
    if (closing_)
        return;
    closing_ = true;
    session_->CloseKeepingTake();
    done(QDialog::Rejected);
}

void DictationRecorderDialog::reject() {
    // Esc and CANCEL while recording or playing do nothing (CANCEL is off).
    if (!cancel_->isEnabled() && !closing_)
        return;
    CloseThroughSession();
}

void DictationRecorderDialog::closeEvent(QCloseEvent* event) {
    CloseThroughSession();
    event->accept();
}

void DictationRecorderDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        emit helpRequested(QString::fromLatin1(kDictationHelpTopic));
        return;
    }
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (recorder::PressFocusedButton(this))
        return;
    QWidget* focus = focusWidget();
    const bool running = session_->state() == TransportState::kRecording ||
                         session_->state() == TransportState::kPlaying;
    if (focus == subject_)
        keywords_->setFocus();
    else if (focus == mark_ || running)
        OnMark();
    // Enter never closes the dialog.
}

}  // namespace kivo::dictation
