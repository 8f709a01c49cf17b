// PlaybackDialog: the widgets of "Kivo Internal Message Player" and their
// wiring to the session (see playback_dialog.h).
#include "kivo/playback/playback_dialog.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "kivo/recordstore/text_encoding.h"

namespace kivo::playback {

namespace {

constexpr std::array<const char*, audio::kEffectCount> kEffectNames = {
    "Speed", "Echo", "Chorus", "Distortion", "Flanger", "Gargle", "Equalizer", "Reverb"};

QString TimeText(qint64 position_ms) {
    return QString::fromStdString(MarkTimeStamp(position_ms));
}

// The "Type" column: what made the mark, in a word.
QString MarkTypeText(recordstore::IndexMarkType type) {
    switch (type) {
        case recordstore::IndexMarkType::kInsertStart:
            return PlaybackDialog::tr("Insert start");
        case recordstore::IndexMarkType::kInsertEnd:
            return PlaybackDialog::tr("Insert end");
        case recordstore::IndexMarkType::kUser:
            break;
    }
    return PlaybackDialog::tr("Mark");
}

// The speed level: where the speed lies between the control's ends, in percent.
int SpeedLevel(int speed) {
    return (speed - audio::kSpeedMinimum) * 100 / (audio::kSpeedMaximum - audio::kSpeedMinimum);
}

// The speed bar's text: the speed itself, "100 %" at normal speed (the bar
// shows where it lies in the range).
QString SpeedText(int speed) {
    return QStringLiteral("%1 %").arg(speed);
}

// A caption for a level bar, its buddy.
QLabel* Caption(const QString& text, QWidget* bar, QWidget* parent) {
    auto* caption = new QLabel(text, parent);
    caption->setBuddy(bar);
    bar->setAccessibleName(text);
    return caption;
}

QProgressBar* LevelBar(QWidget* parent, const QString& name, int minimum, int maximum,
                       const QString& format) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setRange(minimum, maximum);
    bar->setValue(minimum);
    bar->setFormat(format);
    bar->setMaximumWidth(120);
    return bar;
}

// No button is the default, so Enter never presses one by accident (see
// keyPressEvent for Enter on a focused button).
QPushButton* Button(const QString& text, QWidget* parent, const QString& name) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

PlaybackDialog::PlaybackDialog(PlaybackSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    setWindowTitle(QString::fromLatin1(kPlaybackDialogTitle));
    setObjectName(QStringLiteral("playbackDialog"));
    auto* layout = new QVBoxLayout(this);
    subject_label_ = new QLabel(this);
    layout->addWidget(subject_label_);

    auto* position_row = new QHBoxLayout;
    position_slider_ = new QSlider(Qt::Horizontal, this);
    position_slider_->setObjectName(QStringLiteral("positionSlider"));
    position_label_ = new QLabel(this);
    position_label_->setObjectName(QStringLiteral("positionText"));
    level_bar_ = LevelBar(this, QStringLiteral("levelBar"), 0, 100, QStringLiteral("%p%"));
    level_bar_->setToolTip(tr("How much of the recording has been played"));
    position_row->addWidget(position_slider_, 1);
    position_row->addWidget(position_label_);
    position_row->addWidget(Caption(tr("Played:"), level_bar_, this));
    position_row->addWidget(level_bar_);
    layout->addLayout(position_row);
    // When the recording was made, and when it was last played.
    auto* clock_row = new QHBoxLayout;
    recorded_label_ = new QLabel(this);
    recorded_label_->setObjectName(QStringLiteral("recordedText"));
    clock_label_ = new QLabel(this);
    clock_label_->setObjectName(QStringLiteral("clockText"));
    date_label_ = new QLabel(this);
    date_label_->setObjectName(QStringLiteral("dateText"));
    clock_row->addWidget(new QLabel(tr("Started:"), this));
    clock_row->addWidget(recorded_label_);
    clock_row->addSpacing(16);
    clock_row->addWidget(new QLabel(tr("Last played:"), this));
    clock_row->addWidget(date_label_);
    clock_row->addWidget(clock_label_);
    clock_row->addStretch(1);
    layout->addLayout(clock_row);
    layout->addWidget(BuildTransport());
    // A translation's texts stand beside the marks.
    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildMarks(), 3);
    texts_panel_ = BuildTextsPanel();
    middle->addWidget(texts_panel_, 2);
    layout->addLayout(middle, 1);
    effects_panel_ = BuildEffectsPanel();
    effects_panel_->setVisible(false);
    layout->addWidget(effects_panel_);

    auto* bottom = new QHBoxLayout;
    new_button_ = Button(tr("&New"), this, QStringLiteral("newButton"));
    new_button_->setToolTip(tr("Closes the player and starts a new dictation."));
    auto* ok_button = Button(tr("&OK"), this, QStringLiteral("okButton"));
    auto* cancel_button = Button(tr("&CANCEL"), this, QStringLiteral("cancelButton"));
    bottom->addWidget(new_button_);
    bottom->addStretch(1);
    bottom->addWidget(ok_button);
    bottom->addWidget(cancel_button);
    layout->addLayout(bottom);
    connect(ok_button, &QPushButton::clicked, this, &PlaybackDialog::accept);
    connect(cancel_button, &QPushButton::clicked, this, &PlaybackDialog::reject);
    connect(new_button_, &QPushButton::clicked, this, [this] {
        if (CloseWithoutSaving())
            emit newRecordingRequested();
    });

    connect(position_slider_, &QSlider::sliderPressed, this, [this] { slider_held_ = true; });
    connect(position_slider_, &QSlider::sliderReleased, this, [this] {
        slider_held_ = false;
        OnSliderMoved(position_slider_->value());
    });
    connect(&session_, &PlaybackSession::positionChanged, this, &PlaybackDialog::ShowPosition);
    connect(&session_, &PlaybackSession::stateChanged, this, &PlaybackDialog::ShowState);
    connect(&session_, &PlaybackSession::marksChanged, this, &PlaybackDialog::ShowMarks);
    connect(&session_, &PlaybackSession::recordingLoaded, this, &PlaybackDialog::ShowRecording);
    // Recording could not start (the session has reported it): close.
    connect(&session_, &PlaybackSession::closeRequested, this, &PlaybackDialog::reject);
    connect(&session_, &PlaybackSession::currentMarkChanged, this,
            [this](int row) { marks_list_->setCurrentItem(marks_list_->topLevelItem(row)); });
    ShowRecording();
}

QWidget* PlaybackDialog::BuildTransport() {
    auto* box = new QWidget(this);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);
    auto* previous = Button(tr("&Prev Track"), box, QStringLiteral("prevTrackButton"));
    auto* rewind = Button(tr("R&Wnd"), box, QStringLiteral("rewindButton"));
    start_button_ = Button(tr("&Start"), box, QStringLiteral("startButton"));
    stop_button_ = Button(tr("S&top"), box, QStringLiteral("stopButton"));
    pause_button_ = Button(tr("P&ause"), box, QStringLiteral("pauseButton"));
    record_button_ = Button(tr("&Record"), box, QStringLiteral("recordButton"));
    record_button_->setToolTip(tr("Inserts new audio at the current position."));
    auto* forward = Button(tr("&FFwd"), box, QStringLiteral("forwardButton"));
    auto* next = Button(tr("Ne&xt Track"), box, QStringLiteral("nextTrackButton"));
    effects_button_ = Button(tr("&Effects..."), box, QStringLiteral("effectsButton"));
    effects_button_->setCheckable(true);
    for (QPushButton* button : {previous, rewind, start_button_, stop_button_, pause_button_,
                                record_button_, forward, next})
        row->addWidget(button);
    row->addSpacing(12);
    auto* speed_label = new QLabel(tr("Spee&d %"), box);
    row->addWidget(speed_label);
    speed_spin_ = new QSpinBox(box);
    speed_label->setBuddy(speed_spin_);
    speed_spin_->setObjectName(QStringLiteral("speedSpin"));
    const audio::EffectRange speed = audio::RangeOfEffect(audio::kEffectSpeed);
    speed_spin_->setRange(speed.minimum, speed.maximum);
    speed_spin_->setSingleStep(10);
    speed_spin_->setValue(session_.speed_percent());
    row->addWidget(speed_spin_);
    speed_level_ =
        LevelBar(box, QStringLiteral("speedLevel"), 0, 100, SpeedText(session_.speed_percent()));
    speed_level_->setValue(SpeedLevel(session_.speed_percent()));
    speed_level_->setToolTip(tr("The playing speed within its range"));
    speed_level_->setAccessibleName(tr("Speed level"));
    row->addWidget(speed_level_);
    moving_buttons_ = {previous, rewind, forward, next, nullptr};
    row->addWidget(effects_button_);

    connect(previous, &QPushButton::clicked, &session_, &PlaybackSession::PreviousMark);
    connect(next, &QPushButton::clicked, &session_, &PlaybackSession::NextMark);
    connect(rewind, &QPushButton::clicked, &session_, &PlaybackSession::RewindToStart);
    connect(forward, &QPushButton::clicked, &session_, &PlaybackSession::FastForward);
    connect(start_button_, &QPushButton::clicked, &session_, &PlaybackSession::Start);
    connect(pause_button_, &QPushButton::clicked, &session_, &PlaybackSession::Pause);
    connect(stop_button_, &QPushButton::clicked, &session_, &PlaybackSession::StopPlaying);
    connect(record_button_, &QPushButton::clicked, &session_, &PlaybackSession::StartInsert);
    connect(speed_spin_, &QSpinBox::valueChanged, this, [this](int value) {
        const int applied = session_.SetSpeedPercent(value);
        speed_level_->setValue(SpeedLevel(applied));
        speed_level_->setFormat(SpeedText(applied));
        if (applied != value)
            speed_spin_->setValue(applied);
    });
    connect(effects_button_, &QPushButton::toggled, this, &PlaybackDialog::SetEffectsPanelVisible);
    return box;
}

// A translation's two texts beside the player, read-only (selectable and
// reachable by Tab, so they can be copied or read by a screen reader).
QWidget* PlaybackDialog::BuildTextsPanel() {
    auto* box = new QGroupBox(tr("Translation"), this);
    box->setObjectName(QStringLiteral("translationTexts"));
    // Wide enough to read a few words a line.
    box->setMinimumWidth(260);
    auto* column = new QVBoxLayout(box);
    auto text_view = [box, column](const QString& caption, const QString& name) {
        auto* view = new QPlainTextEdit(box);
        view->setObjectName(name);
        view->setReadOnly(true);
        view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        auto* label = new QLabel(caption, box);
        label->setBuddy(view);
        column->addWidget(label);
        column->addWidget(view, 1);
        return view;
    };
    original_view_ = text_view(tr("Ori&ginal text"), QStringLiteral("originalText"));
    translated_view_ = text_view(tr("Trans&lated text"), QStringLiteral("translatedText"));
    box->setVisible(false);
    return box;
}

void PlaybackDialog::ShowTexts() {
    const bool translation =
        !session_.original_text().isEmpty() || !session_.translated_text().isEmpty();
    original_view_->setPlainText(session_.original_text());
    translated_view_->setPlainText(session_.translated_text());
    texts_panel_->setVisible(translation);
}

QWidget* PlaybackDialog::BuildMarks() {
    auto* box = new QWidget(this);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    marks_list_ = new QTreeWidget(box);
    marks_list_->setObjectName(QStringLiteral("marksList"));
    marks_list_->setRootIsDecorated(false);
    marks_list_->setHeaderLabels({tr("Comment"), tr("Time"), tr("Type")});
    marks_list_->header()->setStretchLastSection(false);
    marks_list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    column->addWidget(marks_list_);
    auto* row = new QHBoxLayout;
    mark_comment_ = new QLineEdit(box);
    mark_comment_->setObjectName(QStringLiteral("markComment"));
    mark_comment_->setPlaceholderText(tr("Comment of a new mark"));
    mark_comment_->setMaxLength(static_cast<int>(recordstore::kIndexMarkCommentMaxBytes));
    // Alt+K takes the keyboard to the comment, so a mark is typed and added
    // (Enter) without the mouse while the recording plays.
    auto* comment_label = new QLabel(tr("Mar&k comment:"), box);
    comment_label->setBuddy(mark_comment_);
    auto* mark = Button(tr("&Mark"), box, QStringLiteral("markButton"));
    moving_buttons_[4] = mark;
    row->addWidget(comment_label);
    row->addWidget(mark_comment_, 1);
    row->addWidget(mark);
    column->addLayout(row);
    connect(mark_comment_, &QLineEdit::returnPressed, mark, &QPushButton::click);
    connect(mark, &QPushButton::clicked, this, [this] {
        session_.AddMark(mark_comment_->text().toStdString());
        mark_comment_->clear();
    });
    connect(marks_list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int row = marks_list_->indexOfTopLevelItem(item);
        if (row >= 0 && row < static_cast<int>(session_.marks().size()))
            session_.SeekMs(MarkPositionMs(session_.marks()[static_cast<std::size_t>(row)]));
    });
    return box;
}

QGroupBox* PlaybackDialog::BuildEffectsPanel() {
    auto* panel = new QGroupBox(tr("Sound Effects"), this);
    panel->setObjectName(QStringLiteral("soundEffects"));
    auto* grid = new QGridLayout(panel);
    const audio::EffectSet& effects = session_.effect_settings();
    // Column captions above the settings and their level bars.
    grid->addWidget(new QLabel(tr("Setting"), panel), 0, 2);
    grid->addWidget(new QLabel(tr("Level"), panel), 0, 3);
    for (int index = audio::kEffectEcho; index < audio::kEffectCount; ++index) {
        const auto at = static_cast<std::size_t>(index);
        const int row = index;
        grid->addWidget(new QLabel(tr(kEffectNames[at]), panel), row, 0);
        auto* on = new QCheckBox(tr("On"), panel);
        on->setChecked(effects[at].on != 0);
        auto* slider = new QSlider(Qt::Horizontal, panel);
        const audio::EffectRange range = audio::RangeOfEffect(index);
        slider->setRange(range.minimum, range.maximum);
        slider->setValue(audio::ClampEffectValue(index, effects[at].value));
        slider->setEnabled(on->isChecked());
        // The level bar shows the slider's value within its range.
        auto* level = LevelBar(panel, QStringLiteral("level") + QLatin1String(kEffectNames[at]),
                               range.minimum, range.maximum, QStringLiteral("%v"));
        level->setValue(slider->value());
        level->setAccessibleName(tr("%1 level").arg(tr(kEffectNames[at])));
        grid->addWidget(on, row, 1);
        grid->addWidget(slider, row, 2);
        grid->addWidget(level, row, 3);
        effect_switches_[at] = on;
        effect_sliders_[at] = slider;
        effect_levels_[at] = level;
        connect(on, &QCheckBox::toggled, this, [this, index](bool checked) {
            effect_sliders_[static_cast<std::size_t>(index)]->setEnabled(checked);
            OnEffectChanged(index);
        });
        connect(slider, &QSlider::valueChanged, level, &QProgressBar::setValue);
        connect(slider, &QSlider::sliderReleased, this, [this, index] { OnEffectChanged(index); });
    }
    auto* reverse = new QCheckBox(tr("Re&verse"), panel);
    reverse->setObjectName(QStringLiteral("reverseBox"));
    reverse->setChecked(session_.reverse());
    if (!PlaybackSession::ReverseAvailable()) {
        reverse->setEnabled(false);
        reverse->setToolTip(tr("Reversed playback needs the sound effects library (libsox)."));
    }
    connect(reverse, &QCheckBox::toggled, this, [this, reverse](bool checked) {
        if (session_.SetReverse(checked))
            return;
        const QSignalBlocker blocker(reverse);
        reverse->setChecked(session_.reverse());
        QMessageBox::warning(this, windowTitle(), session_.error());
    });
    grid->addWidget(reverse, audio::kEffectCount + 1, 1, 1, 2);
    return panel;
}

// Enter presses the button that has the focus, as Space does; in the
// comment field it adds the mark (returnPressed). It never closes the player.
void PlaybackDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* button = qobject_cast<QAbstractButton*>(focusWidget());
        if (button != nullptr && button->isEnabled())
            button->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void PlaybackDialog::SetEffectsPanelVisible(bool visible) {
    effects_panel_->setVisible(visible);
    if (effects_button_->isChecked() != visible)
        effects_button_->setChecked(visible);
    // The open panel is the effects mode: its switched-on effects are heard.
    session_.SetEffectsEnabled(visible);
    ShowState();
    adjustSize();
}

void PlaybackDialog::OnEffectChanged(int index) {
    const auto at = static_cast<std::size_t>(index);
    session_.SetEffect(index, effect_switches_[at]->isChecked(), effect_sliders_[at]->value());
}

void PlaybackDialog::OnSliderMoved(int seconds) {
    session_.SeekMs(static_cast<qint64>(seconds) * 1000);
}

void PlaybackDialog::ShowPosition(qint64 position_ms) {
    const qint64 length_ms = session_.length_ms();
    position_label_->setText(TimeText(position_ms) + QStringLiteral(" / ") + TimeText(length_ms));
    level_bar_->setValue(
        length_ms > 0 ? static_cast<int>(std::clamp<qint64>(position_ms * 100 / length_ms, 0, 100))
                      : 0);
    if (!slider_held_) {
        position_slider_->setMaximum(static_cast<int>(length_ms / 1000));
        position_slider_->setValue(static_cast<int>(position_ms / 1000));
    }
}

void PlaybackDialog::ShowMarks() {
    marks_list_->clear();
    for (const recordstore::IndexMark& mark : session_.marks()) {
        auto* item = new QTreeWidgetItem(marks_list_);
        item->setText(0, QString::fromStdString(recordstore::DisplayText(mark.comment)));
        item->setText(1, QString::fromStdString(mark.time_stamp));
        item->setText(2, MarkTypeText(mark.type));
    }
    if (session_.current_mark() >= 0)
        marks_list_->setCurrentItem(marks_list_->topLevelItem(session_.current_mark()));
}

void PlaybackDialog::ShowState() {
    const bool playing = session_.is_playing();
    const bool inserting = session_.is_inserting();
    const bool loaded = session_.has_recording();
    start_button_->setEnabled(!playing && !inserting);
    pause_button_->setEnabled(playing);
    // Recording state: only Stop (and closing) until the insertion ends.
    record_button_->setEnabled(loaded && !inserting && !session_.effects_enabled());
    effects_button_->setEnabled(!inserting);
    for (QPushButton* button : moving_buttons_)
        button->setEnabled(!inserting);
    speed_spin_->setEnabled(!inserting);
    new_button_->setEnabled(!inserting);
    clock_label_->setText(session_.play_clock_time());
    date_label_->setText(session_.play_clock_date());
}

void PlaybackDialog::ShowRecording() {
    recorded_label_->setText(
        (session_.recorded_date() + QLatin1Char(' ') + session_.recorded_time()).trimmed());
    QString subject = session_.subject();
    if (session_.has_recording() && subject.isEmpty())
        subject = tr("Record %1").arg(session_.item().record_number);
    subject_label_->setText(subject);
    ShowTexts();
    ShowMarks();
    ShowState();
    ShowPosition(session_.position_ms());
}

void PlaybackDialog::accept() {
    session_.StopPlaying();
    if ((session_.marks_changed() || session_.has_unsaved_audio()) && session_.Save() != 0) {
        QMessageBox::warning(this, windowTitle(), session_.error());
        return;
    }
    QDialog::accept();
}

bool PlaybackDialog::CloseWithoutSaving() {
    session_.StopPlaying();
    // Inserted audio is not dropped without asking; a failed save keeps the
    // window open so nothing is lost.
    if (!session_.ConfirmDiscard()) {
        QMessageBox::warning(this, windowTitle(), session_.error());
        return false;
    }
    QDialog::reject();
    return true;
}

bool PlaybackDialog::CloseAskingToSave() {
    session_.StopPlaying();
    bool saved = false;
    if (!session_.AskToSaveChanges(&saved)) {
        QMessageBox::warning(this, windowTitle(), session_.error());
        return false;
    }
    // Saved: the window refreshes the list as after OK.
    saved ? QDialog::accept() : QDialog::reject();
    return true;
}

void PlaybackDialog::reject() {
    CloseWithoutSaving();
}

}  // namespace kivo::playback
