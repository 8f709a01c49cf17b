// The "Kivo Options" dialog's layout.
#include "options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "kivo/core/startup_configuration.h"
#include "kivo/pedal/pedal_device_finder.h"

namespace kivo::app {
namespace {

QLineEdit* CostEdit(QWidget* parent, const QString& tip) {
    auto* edit = new QLineEdit(parent);
    // Amounts such as "0.25" or "12"; the profile keeps what is typed.
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{0,6}([.,]\\d{0,3})?")), edit));
    edit->setMaximumWidth(90);
    edit->setToolTip(tip);
    return edit;
}

QWidget* WithUnit(QWidget* field, const QString& unit) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(field);
    layout->addWidget(new QLabel(unit, row));
    layout->addStretch();
    return row;
}

// A form row of a field and its unit. The label's Alt letter goes to the
// field itself: the row around it takes no focus.
void AddRowWithUnit(QFormLayout* form, const QString& text, QWidget* field, const QString& unit) {
    auto* label = new QLabel(text);
    label->setBuddy(field);
    form->addRow(label, WithUnit(field, unit));
}

}  // namespace

OptionsDialog::OptionsDialog(const OptionsSettings& settings, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kOptionsTitle));

    phone_cost_ = CostEdit(this, tr("The cost per minute given to new phone call recordings"));
    meet_cost_ = CostEdit(this, tr("The cost per hour given to new meeting recordings"));
    currency_ = new QComboBox(this);
    currency_->setEditable(true);
    for (const char* symbol : kCurrencyChoices)
        currency_->addItem(QString::fromUtf8(symbol));
    currency_->setToolTip(tr("The currency symbol shown with costs"));

    auto* costs = new QGroupBox(tr("Costs"), this);
    auto* costs_form = new QFormLayout(costs);
    AddRowWithUnit(costs_form, tr("Default &Telephone Costs"), phone_cost_, tr("per min"));
    AddRowWithUnit(costs_form, tr("Default &Meeting Costs"), meet_cost_, tr("per hour"));
    costs_form->addRow(tr("Default C&urrency"), currency_);

    highlight_ = new QCheckBox(tr("Hi&ghlight Costs and Times"), this);
    prime_ = new QCheckBox(tr("&Priming On/Off"), this);
    prime_->setToolTip(
        tr("Start a new record with the subject and keywords of the last record of its kind"));
    export_prompt_ = new QCheckBox(tr("Prompt for &filenames on export"), this);
    export_prompt_->setToolTip(tr("Ask for a file name for every exported recording"));
    diary_on_start_ = new QCheckBox(tr("Run &diary reminder on startup"), this);
    compress_ = new QCheckBox(tr("Compress &before sending"), this);
    // Kept in the profile; the call recorder offers it.
    phone_warning_ = new QCheckBox(tr("Phone recording warning message"), this);
    phone_warning_->setVisible(false);

    auto* general = new QGroupBox(tr("General"), this);
    auto* general_layout = new QVBoxLayout(general);
    for (QCheckBox* box : {highlight_, prime_, export_prompt_, diary_on_start_, compress_})
        general_layout->addWidget(box);
    general_layout->addWidget(phone_warning_);

    rings_ = new QSpinBox(this);
    rings_->setRange(core::kMinRings, core::kMaxRings);
    silence_ = new QSlider(Qt::Horizontal, this);
    silence_->setRange(core::kMinSilence_s, core::kMaxSilence_s);
    silence_->setTickInterval(4);
    silence_->setTickPosition(QSlider::TicksBelow);
    silence_text_ = new QLineEdit(this);
    silence_text_->setReadOnly(true);
    silence_text_->setMaximumWidth(40);
    connect(silence_, &QSlider::valueChanged, silence_text_,
            [this](int seconds) { silence_text_->setText(QString::number(seconds)); });
    auto* phone = new QGroupBox(tr("Telephone"), this);
    auto* phone_form = new QFormLayout(phone);
    AddRowWithUnit(phone_form, tr("Detect &In-Bound Call After"), rings_, tr("rings"));
    auto* silence_row = WithUnit(silence_, QString());
    silence_row->layout()->addWidget(silence_text_);
    silence_row->layout()->addWidget(new QLabel(tr("seconds"), silence_row));
    auto* silence_label = new QLabel(tr("Telephone Silence Detection"), this);
    phone_form->addRow(silence_label, silence_row);
    // Kept in the profile; the call recorder uses it.
    silence_label->setVisible(false);
    silence_row->setVisible(false);

    auto* quality_box = new QGroupBox(tr("Default recording quality"), this);
    auto* quality_layout = new QHBoxLayout(quality_box);
    quality_ = new QButtonGroup(this);
    const QString quality_names[] = {tr("Kivo &Voice"), tr("Kivo &Stereo"), tr("&Radio"),
                                     tr("&CD")};
    const QString quality_tips[] = {
        tr("8 kHz mono: the smallest files, for speech"),
        tr("Stereo voice quality"),
        tr("Radio quality"),
        tr("CD quality: the largest files"),
    };
    for (int quality = 0; quality <= core::kMaxRecordingQuality; ++quality) {
        auto* button = new QRadioButton(quality_names[quality], quality_box);
        button->setToolTip(quality_tips[quality]);
        quality_->addButton(button, quality);
        quality_layout->addWidget(button);
    }

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    // The same Alt+letters on every desktop, whatever its theme names them;
    // Esc cancels (Alt+C is "CD").
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    buttons->button(QDialogButtonBox::Help)->setText(tr("&Help"));
    buttons->button(QDialogButtonBox::Cancel)->setToolTip(tr("Close without saving any change"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::helpRequested, this,
            [this] { emit helpRequested(QString::fromLatin1(kOptionsHelpTopic)); });

    auto* help_key = new QShortcut(QKeySequence::HelpContents, this);
    connect(help_key, &QShortcut::activated, this,
            [this] { emit helpRequested(QString::fromLatin1(kOptionsHelpTopic)); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(costs);
    layout->addWidget(general);
    layout->addWidget(phone);
    layout->addWidget(quality_box);
    layout->addWidget(BuildPedalBox());
    layout->addWidget(buttons);

    Show(settings);
    phone_cost_->setFocus();
}

// The foot pedal: which one (the first found, or a chosen device), what
// each of its three pedals does in the player, and a test that names the
// pedal pressed.
QGroupBox* OptionsDialog::BuildPedalBox() {
    auto* box = new QGroupBox(tr("Foot pedal"), this);
    auto* form = new QFormLayout(box);
    pedal_device_ = new QComboBox(box);
    pedal_device_->setToolTip(tr("The transcription foot pedal the player follows"));
    form->addRow(tr("Pedal d&evice"), pedal_device_);
    const QString places[] = {tr("Pedal &1 (left)"), tr("Pedal &2 (middle)"),
                              tr("Pedal &3 (right)")};
    for (int place = 0; place < 3; ++place) {
        auto* actions = new QComboBox(box);
        actions->addItems({tr("Rewind while held"), tr("Play while held"),
                           tr("Fast forward while held"), tr("Nothing")});
        pedal_actions_[static_cast<std::size_t>(place)] = actions;
        form->addRow(places[place], actions);
    }
    pedal_test_ = new QPushButton(tr("Test the ped&al"), box);
    pedal_test_->setCheckable(true);
    pedal_test_->setAutoDefault(false);
    pedal_test_text_ = new QLabel(box);
    pedal_test_text_->setWordWrap(true);
    auto* test_row = new QHBoxLayout;
    test_row->addWidget(pedal_test_);
    test_row->addWidget(pedal_test_text_, 1);
    form->addRow(test_row);
    connect(pedal_test_, &QPushButton::toggled, this, &OptionsDialog::TestPedal);
    return box;
}

void OptionsDialog::SetPedalSearchRoots(std::filesystem::path sysfs_root,
                                        std::filesystem::path dev_root) {
    pedal_sysfs_root_ = std::move(sysfs_root);
    pedal_dev_root_ = std::move(dev_root);
    FillPedalDevices(pedal_device_->currentData().toString());
}

void OptionsDialog::FillPedalDevices(const QString& chosen) {
    pedal_device_->clear();
    pedal_device_->addItem(tr("The first pedal found"), QString());
    for (const std::filesystem::path& node :
         pedal::FindPedalDevices(pedal_sysfs_root_, pedal_dev_root_))
        pedal_device_->addItem(QString::fromStdString(node.string()),
                               QString::fromStdString(node.string()));
    // A chosen pedal that is unplugged now stays chosen.
    if (!chosen.isEmpty() && pedal_device_->findData(chosen) < 0)
        pedal_device_->addItem(tr("%1 (not connected)").arg(chosen), chosen);
    pedal_device_->setCurrentIndex(std::max(0, pedal_device_->findData(chosen)));
}

void OptionsDialog::TestPedal(bool on) {
    delete pedal_watcher_;
    pedal_watcher_ = nullptr;
    if (!on) {
        pedal_test_text_->clear();
        return;
    }
    pedal_watcher_ = new pedal::PedalWatcher(this);
    pedal_watcher_->setSearchRoots(pedal_sysfs_root_, pedal_dev_root_);
    pedal_watcher_->setDevicePath(pedal_device_->currentData().toString().toStdString());
    pedal_watcher_->setRescanInterval(0);
    connect(pedal_watcher_, &pedal::PedalWatcher::pedalEvent, this, &OptionsDialog::ShowPedalEvent);
    connect(pedal_watcher_, &pedal::PedalWatcher::deviceUnusable, this,
            [this](const QString& path, const QString& reason) {
                pedal_test_text_->setText(
                    tr("%1 cannot be opened: %2. Install the udev rule 70-kivo-pedal.rules and "
                       "plug the pedal in again.")
                        .arg(path, reason));
            });
    pedal_test_text_->clear();
    if (pedal_watcher_->start())
        pedal_test_text_->setText(tr("Press a pedal."));
    else if (pedal_test_text_->text().isEmpty())  // nothing was found that could not be opened
        pedal_test_text_->setText(tr("No foot pedal is connected."));
}

void OptionsDialog::ShowPedalEvent(pedal::PedalEvent event) {
    static const char* const kPlaceNames[] = {"Pedal 1 (left)", "Pedal 2 (middle)",
                                              "Pedal 3 (right)"};
    const int place = static_cast<int>(pedal::PlaceOf(event));
    const QString action = pedal_actions_[static_cast<std::size_t>(place)]->currentText();
    pedal_test_text_->setText(pedal::IsPress(event)
                                  ? tr("%1 is down: %2.").arg(tr(kPlaceNames[place]), action)
                                  : tr("%1 is up.").arg(tr(kPlaceNames[place])));
}

void OptionsDialog::Show(const OptionsSettings& settings) {
    phone_cost_->setText(QString::fromStdString(settings.phone_cost));
    meet_cost_->setText(QString::fromStdString(settings.meet_cost));
    const QString currency = QString::fromStdString(settings.currency);
    if (int found = currency_->findText(currency); found >= 0)
        currency_->setCurrentIndex(found);
    else
        currency_->setEditText(currency);
    highlight_->setChecked(settings.highlight);
    prime_->setChecked(settings.prime);
    export_prompt_->setChecked(settings.export_prompt);
    diary_on_start_->setChecked(settings.diary_on_start);
    compress_->setChecked(settings.compress);
    phone_warning_->setChecked(settings.phone_warning);
    rings_->setValue(settings.rings);
    silence_->setValue(settings.silence_s);
    silence_text_->setText(QString::number(settings.silence_s));
    if (auto* button = quality_->button(settings.recording_quality))
        button->setChecked(true);
    FillPedalDevices(QString::fromStdString(settings.pedal_device));
    for (int place = 0; place < 3; ++place) {
        pedal_actions_[static_cast<std::size_t>(place)]->setCurrentIndex(
            static_cast<int>(settings.pedal.ActionAt(static_cast<pedal::PedalPlace>(place))));
    }
}

OptionsSettings OptionsDialog::settings() const {
    OptionsSettings settings;
    settings.phone_cost = phone_cost_->text().trimmed().toStdString();
    settings.meet_cost = meet_cost_->text().trimmed().toStdString();
    settings.currency = currency_->currentText().toStdString();
    settings.highlight = highlight_->isChecked();
    settings.prime = prime_->isChecked();
    settings.export_prompt = export_prompt_->isChecked();
    settings.diary_on_start = diary_on_start_->isChecked();
    settings.compress = compress_->isChecked();
    settings.phone_warning = phone_warning_->isChecked();
    settings.rings = rings_->value();
    settings.silence_s = silence_->value();
    settings.recording_quality = quality_->checkedId() < 0 ? 0 : quality_->checkedId();
    settings.pedal_device = pedal_device_->currentData().toString().toStdString();
    settings.pedal.left = pedal::PedalActionFromNumber(pedal_actions_[0]->currentIndex());
    settings.pedal.middle = pedal::PedalActionFromNumber(pedal_actions_[1]->currentIndex());
    settings.pedal.right = pedal::PedalActionFromNumber(pedal_actions_[2]->currentIndex());
    return settings;
}

}  // namespace kivo::app
