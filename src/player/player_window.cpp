// The message player's window.
#include "player_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QMovie>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoSink>

#include "effect_controls.h"
#include "kivo/recorder/accelerated_spin_box.h"
#include "kivo/recorder/video_frame_view.h"
#include "kivo/recordstore/clock.h"
#include "player_help.h"
#include "player_mail.h"
#include "player_texts.h"

namespace kivo::player {
namespace {

constexpr int kPictureWidth = 240;
// Rows of the effects panel: column captions, the speed, then each effect.
constexpr int kEffectsHeaderRow = 0;
constexpr int kSpeedRow = 1;
constexpr int kPictureHeight = 180;

// The property that names a control's section of the help contents.
constexpr const char* kHelpSectionProperty = "kvmpHelpSection";

// Opens a help topic in the browser; a message box when that fails.
void OpenInBrowser(QWidget* parent, const QString& topic) {
    const QString page = HelpPagePath(topic, QCoreApplication::applicationDirPath(),
                                      QStringLiteral(KVMP_SOURCE_HELP_DIR));
    QUrl url = QUrl::fromLocalFile(page);
    const QString section = topic.section(QLatin1Char('#'), 1);
    if (!section.isEmpty())
        url.setFragment(section);
    if (QFileInfo::exists(page) && QDesktopServices::openUrl(url))
        return;
    QMessageBox::warning(parent, QString::fromLatin1(kWindowTitle),
                         QObject::tr("The help page %1 could not be opened.\n"
                                     "Open it in a web browser yourself.")
                             .arg(page));
}

// Names a control (tests and the help find it by that name) and its help
// section.
void Tag(QWidget* control, const QString& name, const char* section) {
    control->setObjectName(name);
    control->setProperty(kHelpSectionProperty, QString::fromLatin1(section));
}

struct EffectControl {
    const char* label;
    const char* name;
    int slider_minimum;
    int slider_maximum;
};

// Echo to reverb: value = minus the slider position.
constexpr EffectControl kEffectControls[] = {
    {"&Echo", "echo", -15, 0},
    {"Ch&orus", "chorus", -34, 0},
    {"Distort&ion", "distortion", -10, 0},
    {"Fl&anger", "flanger", -20, 0},
    {"&Gargle", "gargle", -15, 0},
    {"E&qualizer", "equalizer", -8, 8},
    {"Re&verb", "reverb", -15, 0},
};

}  // namespace

PlayerWindow::PlayerWindow(PlayerSession& session, QWidget* parent)
    : QMainWindow(parent), session_(session) {
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    help_opener_ = [this](const QString& topic) { OpenInBrowser(this, topic); };
    BuildMenus();
    setCentralWidget(BuildControls());
    session_.SetVideoOutput(video_->sink());
    auto* context_help = new QShortcut(QKeySequence::HelpContents, this);
    context_help->setContext(Qt::WindowShortcut);
    connect(context_help, &QShortcut::activated, this, &PlayerWindow::OnContextHelp);
    connect(&session_, &PlayerSession::stateChanged, this, &PlayerWindow::RefreshButtons);
    connect(&session_, &PlayerSession::positionChanged, this, &PlayerWindow::RefreshPosition);
    connect(&session_, &PlayerSession::statusChanged, this, [this](const QString& text) {
        status_line_->setText(text);
        status_line_->setToolTip(session_.video_error());
    });
    connect(&session_, &PlayerSession::currentMarkChanged, this, [this](int index) {
        if (index >= 0 && index < marks_->topLevelItemCount())
            marks_->setCurrentItem(marks_->topLevelItem(index));
        else
            marks_->clearSelection();
    });
    connect(&session_, &PlayerSession::stateChanged, this, [this] {
        if (movie_ != nullptr)
            movie_->setPaused(!session_.is_playing());
        // "Play from" asks for one start: once playing has stopped (at the
        // end too), Start plays from the beginning again.
        if (!session_.is_playing() && !session_.is_paused())
            play_from_->setText(QStringLiteral("00:00:00"));
    });
    // A video's own length replaces the record line's once it has loaded.
    connect(&session_, &PlayerSession::mediaReady, this, &PlayerWindow::ShowRecordingFacts);
    RefreshFromSession();
}

PlayerWindow::~PlayerWindow() {
    session_.SetVideoOutput(nullptr);
}

void PlayerWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open..."), QKeySequence::Open, this, &PlayerWindow::OnOpenTriggered);
    file->addSeparator();
    file->addAction(tr("E&xit"), QKeySequence::Quit, this, &QWidget::close);
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    // F1 is context help (OnContextHelp), so the menu item has no key.
    help->addAction(tr("Kivo Message Player &Help"), this,
                    [this] { OnHelpTriggered(QString::fromLatin1(kHelpContentsTopic)); });
    help->addAction(tr("Kivo Recording &Files"), this,
                    [this] { OnHelpTriggered(QString::fromLatin1(kRecordingFilesTopic)); });
    help->addSeparator();
    help->addAction(tr("&About Kivo Message Player..."), this, &PlayerWindow::OnAboutTriggered);

    QToolBar* tools = addToolBar(tr("Tools"));
    tools->setMovable(false);
    mail_action_ = tools->addAction(tr("E-mail"), this, &PlayerWindow::OnMailTriggered);
    mail_action_->setToolTip(tr("E-mail this recording"));
    QAction* help_action = tools->addAction(
        tr("Help"), this, [this] { OnHelpTriggered(QString::fromLatin1(kHelpContentsTopic)); });
    help_action->setToolTip(tr("Help on the message player"));
}

QWidget* PlayerWindow::BuildControls() {
    auto* central = new QWidget(this);
    auto* outer = new QHBoxLayout(central);
    auto* main_column = new QVBoxLayout;
    outer->addLayout(main_column);

    file_name_ = new QLineEdit(central);
    file_name_->setReadOnly(true);
    Tag(file_name_, "fileName", "file");
    main_column->addWidget(file_name_);
    main_column->addLayout(BuildRecordingFacts(central));

    auto* buttons = new QHBoxLayout;
    // Every control has its own Alt letter, apart from the menus' F and H.
    start_ = new QPushButton(tr("&Start"), central);
    pause_ = new QPushButton(tr("&Pause"), central);
    stop_ = new QPushButton(tr("S&top"), central);
    start_->setToolTip(tr("Play the recording"));
    pause_->setToolTip(tr("Pause playback"));
    stop_->setToolTip(tr("Stop and return to the start"));
    Tag(start_, "start", "start");
    Tag(pause_, "pause", "start");
    Tag(stop_, "stop", "start");
    for (QPushButton* button : {start_, pause_, stop_}) {
        button->setAutoDefault(false);  // Enter does nothing
        buttons->addWidget(button);
    }
    auto* play_from_label = new QLabel(tr("Play fro&m"), central);
    buttons->addWidget(play_from_label);
    play_from_ = new QLineEdit(QStringLiteral("00:00:00"), central);
    play_from_label->setBuddy(play_from_);
    play_from_->setMaxLength(8);
    play_from_->setInputMask(QStringLiteral("99:99:99"));
    play_from_->setFixedWidth(80);
    Tag(play_from_, "playFrom", "play-from");
    buttons->addWidget(play_from_);
    main_column->addLayout(buttons);
    connect(start_, &QPushButton::clicked, this, &PlayerWindow::OnStartClicked);
    connect(pause_, &QPushButton::clicked, this, [this] {
        session_.Pause();
        play_from_->setText(QStringLiteral("00:00:00"));
    });
    connect(stop_, &QPushButton::clicked, this, [this] {
        session_.Stop();
        play_from_->setText(QStringLiteral("00:00:00"));
    });

    position_bar_ = new QSlider(Qt::Horizontal, central);
    position_bar_->setRange(0, 100);
    position_bar_->setEnabled(false);
    position_text_ = new QLabel(central);
    Tag(position_bar_, "positionBar", "position");
    Tag(position_text_, "positionText", "position");
    auto* position_row = new QHBoxLayout;
    position_row->addWidget(position_bar_, 1);
    position_row->addWidget(position_text_);
    main_column->addLayout(position_row);

    status_line_ = new QLabel(central);
    status_line_->setStyleSheet(QStringLiteral("color: red;"));
    status_line_->setWordWrap(true);
    Tag(status_line_, "statusLine", "status");
    main_column->addWidget(status_line_);

    auto* middle = new QHBoxLayout;
    marks_ = new QTreeWidget(central);
    marks_->setColumnCount(2);
    marks_->setHeaderLabels({tr("Comments"), tr("Time Stamp")});
    marks_->setColumnWidth(0, 155);
    marks_->setRootIsDecorated(false);
    Tag(marks_, "marks", "marks");
    connect(marks_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        const int index = marks_->indexOfTopLevelItem(item);
        if (index < 0)
            return;
        play_from_->setText(item->text(1));
        session_.PlayMark(index);
    });
    middle->addWidget(marks_, 1);

    picture_ = new QLabel(central);
    picture_->setFixedSize(kPictureWidth, kPictureHeight);
    picture_->setFrameShape(QFrame::StyledPanel);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setContextMenuPolicy(Qt::CustomContextMenu);
    Tag(picture_, "picture", "picture");
    // A video plays in the picture frame.
    video_ = new recorder::VideoFrameView(picture_);
    video_->setFocusPolicy(Qt::ClickFocus);
    Tag(video_, "video", "video");
    auto* frame_layout = new QVBoxLayout(picture_);
    frame_layout->setContentsMargins(1, 1, 1, 1);
    frame_layout->addWidget(video_);
    video_->hide();
    connect(picture_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        QAction* save =
            menu.addAction(tr("&Save Picture As..."), this, &PlayerWindow::OnSavePictureAs);
        save->setEnabled(!session_.picture_path().isEmpty());
        menu.exec(picture_->mapToGlobal(at));
    });
    middle->addWidget(picture_);
    main_column->addLayout(middle, 1);

    effects_ = new QPushButton(tr("Effe&cts..."), central);
    effects_->setCheckable(true);
    effects_->setAutoDefault(false);
    Tag(effects_, "effects", "effects");
    connect(effects_, &QPushButton::toggled, this, &PlayerWindow::OnEffectsToggled);
    main_column->addWidget(effects_, 0, Qt::AlignLeft);

    effects_panel_ = BuildEffectsPanel();
    effects_panel_->setParent(central);
    effects_panel_->hide();
    outer->addWidget(effects_panel_);
    return central;
}

QHBoxLayout* PlayerWindow::BuildRecordingFacts(QWidget* central) {
    auto* row = new QHBoxLayout;
    auto add_fact = [central, row](const QString& caption, const QString& name) {
        auto* value = new QLabel(central);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* label = new QLabel(caption, central);
        label->setBuddy(value);
        Tag(value, name, "file");
        row->addWidget(label);
        row->addWidget(value);
        return value;
    };
    subject_text_ = add_fact(tr("Subject:"), QStringLiteral("subjectText"));
    row->addSpacing(12);
    recorded_text_ = add_fact(tr("Recorded:"), QStringLiteral("recordedText"));
    row->addSpacing(12);
    length_text_ = add_fact(tr("Length:"), QStringLiteral("lengthText"));
    row->addStretch(1);
    return row;
}

QGroupBox* PlayerWindow::BuildEffectsPanel() {
    auto* panel = new QGroupBox(tr("Sound Effects"));
    Tag(panel, "effectsPanel", "effects");
    panel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    auto* layout = new QGridLayout(panel);
    auto make_level = [panel](int index, const QString& name, const QString& caption) {
        auto* level = new QProgressBar(panel);
        const LevelRange range = LevelRangeOfEffect(index);
        level->setRange(range.minimum, range.maximum);
        level->setFormat(QStringLiteral("%v"));
        level->setFixedWidth(60);
        level->setAccessibleName(caption);
        level->setToolTip(caption);
        Tag(level, name, "effects");
        return level;
    };

    // The columns: the effect, its setting and the level in use.
    layout->addWidget(new QLabel(tr("Setting"), panel), kEffectsHeaderRow, 1);
    layout->addWidget(new QLabel(tr("Level"), panel), kEffectsHeaderRow, 2);
    auto* speed_label = new QLabel(tr("Spee&d %"), panel);
    layout->addWidget(speed_label, kSpeedRow, 0);
    speed_ = new recorder::AcceleratedSpinBox(panel);
    speed_label->setBuddy(speed_);
    const audio::EffectRange speed_range = audio::RangeOfEffect(audio::kEffectSpeed);
    speed_->setRange(speed_range.minimum, speed_range.maximum);
    speed_->setValue(audio::kSpeedNormal);
    speed_->setToolTip(tr("Playing speed in percent; hold an arrow to change it faster"));
    Tag(speed_, "speed", "speed");
    layout->addWidget(speed_, kSpeedRow, 1);
    speed_level_ = make_level(audio::kEffectSpeed, QStringLiteral("speedLevel"), tr("Speed level"));
    layout->addWidget(speed_level_, kSpeedRow, 2);
    connect(speed_, &QSpinBox::valueChanged, this, [this](int value) {
        const int applied = session_.SetEffect(audio::kEffectSpeed, true, value);
        const QSignalBlocker block(speed_);
        speed_->setValue(applied);
        ShowEffectLevel(audio::kEffectSpeed, applied);
    });

    for (int i = 0; i < 7; ++i) {
        const int index = i + 1;
        const EffectControl& control = kEffectControls[i];
        auto* on = new QCheckBox(tr(control.label), panel);
        auto* slider = new QSlider(Qt::Horizontal, panel);
        slider->setRange(control.slider_minimum, control.slider_maximum);
        // The value is minus the position, so the bar is turned round: no
        // effect at the left end and more to the right, as in Kivo.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
        slider->setEnabled(false);
        const QString name = QString::fromLatin1(control.name);
        Tag(on, name + QStringLiteral("On"), "effects");
        Tag(slider, name + QStringLiteral("Slider"), "effects");
        auto* level = make_level(index, name + QStringLiteral("Level"),
                                 tr("%1 level").arg(tr(control.label).remove(QLatin1Char('&'))));
        const int row = kSpeedRow + index;
        layout->addWidget(on, row, 0);
        layout->addWidget(slider, row, 1);
        layout->addWidget(level, row, 2);
        effect_on_.push_back(on);
        effect_sliders_.push_back(slider);
        effect_levels_.push_back(level);
        auto apply = [this, index, on, slider] {
            slider->setEnabled(on->isChecked());
            ShowEffectLevel(index, session_.SetEffect(index, on->isChecked(), -slider->value()));
        };
        connect(on, &QCheckBox::toggled, this, apply);
        connect(slider, &QSlider::valueChanged, this, apply);
    }
    reverse_ = new QCheckBox(tr("&Reverse"), panel);
    Tag(reverse_, "reverse", "effects");
    connect(reverse_, &QCheckBox::toggled, this, [this](bool on) {
        if (!session_.SetReverse(on)) {
            const QSignalBlocker block(reverse_);
            reverse_->setChecked(session_.reverse());
        }
    });
    layout->addWidget(reverse_, kSpeedRow + 8, 0, 1, 3);
    layout->setRowStretch(kSpeedRow + 9, 1);
    return panel;
}

void PlayerWindow::ShowEffectLevel(int index, int value) {
    if (index == audio::kEffectSpeed) {
        // The bar shows where the speed lies in its range, its text the speed.
        speed_level_->setValue(SpeedLevelPercent(value));
        speed_level_->setFormat(SpeedLevelText(value));
        return;
    }
    QProgressBar* level = effect_levels_[static_cast<std::size_t>(index - 1)];
    level->setValue(value);
    level->setEnabled(effect_on_[static_cast<std::size_t>(index - 1)]->isChecked());
}

void PlayerWindow::OpenFile(const QString& path, bool quiet) {
    ClearPicture();
    const OpenResult result = session_.Open(path);
    RefreshFromSession();
    file_name_->setText(QFileInfo(path).absoluteFilePath());
    if (quiet)
        return;
    if (result == OpenResult::kCorrupt)
        QMessageBox::warning(
            this, windowTitle(),
            QString::fromLatin1(kCorruptOrInUse) + QLatin1Char('\n') + session_.failure_reason());
    else if (result == OpenResult::kUnplayable)
        QMessageBox::warning(this, windowTitle(), QString::fromLatin1(kUnableToPlay));
}

void PlayerWindow::ShowPathNotFound() {
    file_name_->setText(QString::fromLatin1(kPathNotFound));
}

void PlayerWindow::OnOpenTriggered() {
    const QString path =
        QFileDialog::getOpenFileName(this, tr("Open"), QString(), QString::fromLatin1(kOpenFilter));
    if (!path.isEmpty())
        OpenFile(path);
}

void PlayerWindow::OnStartClicked() {
    const std::int64_t from_ms = ParseHms(play_from_->text());
    session_.Start(from_ms > 0 ? from_ms : -1);
}

void PlayerWindow::OnEffectsToggled(bool on) {
    if (on && !session_.EnterEffectsMode()) {
        const QSignalBlocker block(effects_);
        effects_->setChecked(false);
        QMessageBox::warning(this, windowTitle(), session_.status_text());
        return;
    }
    if (!on)
        session_.LeaveEffectsMode();
    if (on == effects_panel_->isVisible())
        return;
    // The window widens by the panel and narrows again, so the marks and
    // the picture keep their room.
    if (on) {
        width_without_effects_ = width();
        const int panel_width =
            effects_panel_->sizeHint().width() + centralWidget()->layout()->spacing();
        effects_panel_->show();
        resize(width_without_effects_ + panel_width, height());
    } else {
        effects_panel_->hide();
        centralWidget()->layout()->activate();
        layout()->activate();
        resize(width_without_effects_, height());
    }
}

void PlayerWindow::OnMailTriggered() {
    if (!session_.is_open())
        return;
    if (!SendPlayerMail(BuildPlayerMail(session_.recording_path())))
        QMessageBox::warning(this, windowTitle(),
                             tr("The mail program (xdg-email) could not be started."));
}

void PlayerWindow::OnHelpTriggered(const QString& topic) {
    if (help_opener_)
        help_opener_(topic);
}

QString PlayerWindow::ContextHelpTopic(const QWidget* control) {
    for (const QWidget* widget = control; widget != nullptr; widget = widget->parentWidget()) {
        const QString section = widget->property(kHelpSectionProperty).toString();
        if (!section.isEmpty())
            return ControlHelpTopic(section);
    }
    return QString::fromLatin1(kHelpContentsTopic);
}

void PlayerWindow::OnContextHelp() {
    QWidget* focus = QApplication::focusWidget();
    OnHelpTriggered(ContextHelpTopic(focus != nullptr && isAncestorOf(focus) ? focus : nullptr));
}

void PlayerWindow::OnAboutTriggered() {
    QMessageBox::about(this, tr("About Kivo Message Player"),
                       tr("Kivo Message Player\n\nPlays Kivo recording files (.xrz, .xrv) received "
                          "by e-mail or exported from a Kivo data store."));
}

void PlayerWindow::OnSavePictureAs() {
    const QString source = session_.picture_path();
    if (source.isEmpty())
        return;
    const bool gif = session_.picture_type() == PictureType::kGif;
    const QString filter = gif ? tr("GIF Images (*.gif)") : tr("JPEG Images (*.jpg)");
    QString target = QFileDialog::getSaveFileName(this, tr("Save Picture As"), QString(), filter,
                                                  nullptr, QFileDialog::DontConfirmOverwrite);
    if (target.isEmpty())
        return;
    // Never overwrites: QFile::copy refuses an existing target.
    if (QFileInfo::exists(target) || !QFile::copy(source, target))
        QMessageBox::warning(this, windowTitle(),
                             tr("The picture was not saved: %1 already exists "
                                "or cannot be written.")
                                 .arg(target));
}

void PlayerWindow::RefreshFromSession() {
    marks_->clear();
    for (const PlayerMark& mark : session_.marks())
        marks_->addTopLevelItem(new QTreeWidgetItem({mark.comment, mark.time_stamp}));
    status_line_->setText(session_.status_text());
    status_line_->setToolTip(session_.video_error());
    play_from_->setText(QStringLiteral("00:00:00"));
    {
        const QSignalBlocker block(effects_);
        effects_->setChecked(false);
    }
    effects_panel_->hide();
    const audio::EffectSet& effects = session_.effects();
    {
        const QSignalBlocker block(speed_);
        speed_->setValue(effects[audio::kEffectSpeed].value);
    }
    ShowEffectLevel(audio::kEffectSpeed, effects[audio::kEffectSpeed].value);
    for (std::size_t i = 0; i < effect_on_.size(); ++i) {
        const QSignalBlocker block_on(effect_on_[i]);
        const QSignalBlocker block_slider(effect_sliders_[i]);
        const audio::EffectPair& pair = effects[i + 1];
        effect_on_[i]->setChecked(pair.on != 0);
        effect_sliders_[i]->setValue(-pair.value);
        effect_sliders_[i]->setEnabled(pair.on != 0);
        ShowEffectLevel(static_cast<int>(i) + 1, pair.value);
    }
    {
        const QSignalBlocker block(reverse_);
        reverse_->setChecked(session_.reverse());
    }
    ShowRecordingFacts();
    ShowPicture();
    RefreshButtons();
    RefreshPosition(session_.position_ms());
}

void PlayerWindow::ShowRecordingFacts() {
    subject_text_->setText(session_.subject());
    recorded_text_->setText(
        (session_.recorded_date() + QLatin1Char(' ') + session_.recorded_time()).trimmed());
    length_text_->setText(
        session_.is_open() ? QString::fromStdString(recordstore::DurationText(session_.length_ms()))
                           : QString());
}

void PlayerWindow::RefreshButtons() {
    const bool can_play = session_.can_play();
    const bool playing = session_.is_playing();
    start_->setEnabled(can_play && !playing);
    pause_->setEnabled(can_play && playing);
    stop_->setEnabled(can_play && playing);
    effects_->setEnabled(can_play && session_.can_use_effects());
    mail_action_->setEnabled(session_.is_open());
    play_from_->setEnabled(can_play);
}

void PlayerWindow::RefreshPosition(qint64 position_ms) {
    if (!session_.is_open()) {
        position_text_->clear();
        position_bar_->setValue(0);
        return;
    }
    position_text_->setText(PositionText(position_ms, session_.length_ms()));
    position_bar_->setValue(session_.position_percent());
}

void PlayerWindow::ShowPicture() {
    ClearPicture();
    video_->Clear();
    video_->setVisible(session_.is_video());
    const QString path = session_.picture_path();
    if (session_.is_video())
        return;  // the frame shows the video
    if (path.isEmpty())
        return;
    if (session_.picture_type() == PictureType::kGif) {
        movie_ = new QMovie(path, QByteArray(), this);
        if (movie_->isValid()) {
            movie_->setScaledSize(QSize(kPictureWidth, kPictureHeight));
            picture_->setMovie(movie_);
            movie_->start();
            movie_->setPaused(!session_.is_playing());
            return;
        }
        delete movie_;
        movie_ = nullptr;
    }
    const QPixmap pixmap(path);
    if (!pixmap.isNull())
        picture_->setPixmap(
            pixmap.scaled(picture_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void PlayerWindow::ClearPicture() {
    picture_->clear();
    if (movie_ != nullptr) {
        movie_->stop();
        delete movie_;
        movie_ = nullptr;
    }
}

}  // namespace kivo::player
