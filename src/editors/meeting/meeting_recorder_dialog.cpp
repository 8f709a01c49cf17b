// The "Meeting Recorder" dialog (see meeting_recorder_dialog.h).
#include "kivo/meeting/meeting_recorder_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "kivo/meeting/times_and_costs_dialog.h"

namespace kivo::meeting {
namespace {

constexpr int kAgendaIndexRole = Qt::UserRole + 1;

void Highlight(QLabel* label, bool on, const char* colour) {
    label->setStyleSheet(on ? QStringLiteral("QLabel { font-weight: 700; background: black; "
                                             "color: %1; padding: 2px; }")
                                  .arg(QLatin1String(colour))
                            : QStringLiteral("QLabel { padding: 2px; }"));
}

}  // namespace

MeetingRecorderDialog::MeetingRecorderDialog(sound::AudioBackend& backend,
                                             recorder::RecorderTarget target,
                                             core::MessageReporter& reporter, QWidget* parent)
    : SpanRecorderDialog(QStringLiteral("Meeting Recorder"), QString::fromLatin1(kMeetingHelpTopic),
                         parent),
      session_(std::make_unique<MeetingSession>(backend, std::move(target), reporter)) {
    ask_remind_minutes = [this] { return AskRemindMinutes(this); };
    Attach(session_->recording());

    auto* agenda_row = new QHBoxLayout;
    auto* agenda_label = new QLabel(QStringLiteral("Meeting A&genda"), this);
    agenda_row->addWidget(agenda_label, 1);
    stored_agendas_box_ = new QComboBox(this);
    stored_agendas_box_->setToolTip(
        QStringLiteral("An agenda prepared in Tools > Meeting Agendas"));
    stored_agendas_box_->hide();  // shown when the store has agendas
    agenda_row->addWidget(stored_agendas_box_, 2);
    left_area()->addLayout(agenda_row);
    connect(stored_agendas_box_, &QComboBox::activated, this,
            &MeetingRecorderDialog::UseStoredAgenda);
    agenda_ = new QTreeWidget(this);
    agenda_->setHeaderHidden(true);
    agenda_->setMaximumHeight(140);
    // Alt+G, the arrows and Space or Enter mark an item as a click does.
    agenda_label->setBuddy(agenda_);
    agenda_->installEventFilter(this);
    left_area()->addWidget(agenda_);
    auto* add_row = new QHBoxLayout;
    new_item_ = new QLineEdit(this);
    new_item_->setPlaceholderText(QStringLiteral("New agenda item"));
    auto* add = new QPushButton(QStringLiteral("A&dd Item"), this);
    add->setAutoDefault(false);
    auto* new_item_label = new QLabel(QStringLiteral("Ne&w item"), this);
    new_item_label->setBuddy(new_item_);
    add_row->addWidget(new_item_label);
    add_row->addWidget(new_item_, 1);
    add_row->addWidget(add);
    left_area()->addLayout(add_row);
    connect(add, &QPushButton::clicked, this, [this] {
        if (session_->AddAgendaItem(new_item_->text().toStdString())) {
            new_item_->clear();
            ShowAgenda();
        }
    });
    // Enter in the item's field adds it, as the button does.
    connect(new_item_, &QLineEdit::returnPressed, add, &QPushButton::click);
    connect(agenda_, &QTreeWidget::itemClicked, this, &MeetingRecorderDialog::MarkAgendaItem);

    auto* group = new QGroupBox(QStringLiteral("Cost and Time Remaining"), this);
    auto* rows = new QVBoxLayout(group);
    cost_ = new QLabel(group);
    time_left_ = new QLabel(group);
    cost_->setObjectName(QStringLiteral("cost"));
    time_left_->setObjectName(QStringLiteral("time_left"));
    cost_->installEventFilter(this);
    time_left_->installEventFilter(this);
    rows->addWidget(cost_);
    rows->addWidget(time_left_);
    auto* row = new QHBoxLayout;
    alarm_ = new QCheckBox(QStringLiteral("A&larm On"), group);
    alarm_->setChecked(true);
    auto* settings = new QPushButton(QStringLiteral("S&ettings..."), group);
    settings->setAutoDefault(false);
    row->addWidget(alarm_);
    row->addWidget(settings);
    rows->addLayout(row);
    right_area()->addWidget(group);
    connect(alarm_, &QCheckBox::toggled, this, [this](bool on) { session_->set_alarm_on(on); });
    connect(settings, &QPushButton::clicked, this, &MeetingRecorderDialog::OnSettings);
    connect(session_.get(), &MeetingSession::overRun, this, &MeetingRecorderDialog::OnOverRun);
}

MeetingRecorderDialog::~MeetingRecorderDialog() = default;

bool MeetingRecorderDialog::Start(format::Agenda agenda) {
    if (session_->Open(std::move(agenda)) != 0)
        return false;
    cost_highlighted_ = time_highlighted_ = session_->highlight();
    subject_edit()->setText(QString::fromStdString(session_->recording().subject()));
    ShowAgenda();
    session_->Refresh();
    ShowFields();
    return true;
}

bool MeetingRecorderDialog::StartRecovered(const recorder::RecoveredTake& take) {
    if (session_->OpenRecovered(take) != 0)
        return false;
    cost_highlighted_ = time_highlighted_ = session_->highlight();
    ShowOpenedRecording();
    ShowAgenda();
    session_->Refresh();
    ShowFields();
    return true;
}

void MeetingRecorderDialog::OfferStoredAgendas(std::vector<format::Agenda> agendas) {
    stored_agendas_ = std::move(agendas);
    stored_agendas_box_->clear();
    stored_agendas_box_->addItem(QStringLiteral("(no stored agenda)"));
    for (const format::Agenda& agenda : stored_agendas_)
        stored_agendas_box_->addItem(agenda.title.empty() ? QStringLiteral("(untitled)")
                                                          : QString::fromStdString(agenda.title));
    stored_agendas_box_->setVisible(!stored_agendas_.empty());
}

void MeetingRecorderDialog::UseStoredAgenda(int row) {
    format::Agenda chosen;
    if (row > 0 && static_cast<std::size_t>(row) <= stored_agendas_.size())
        chosen = stored_agendas_[static_cast<std::size_t>(row - 1)];
    if (!session_->UseAgenda(std::move(chosen)))
        return;
    subject_edit()->setText(QString::fromStdString(session_->recording().subject()));
    ShowAgenda();
}

void MeetingRecorderDialog::StateShown() {
    // The agenda is chosen before the meeting starts.
    if (stored_agendas_box_ != nullptr)
        stored_agendas_box_->setEnabled(session_->recording().start_text().empty());
}

void MeetingRecorderDialog::ShowAgenda() {
    agenda_->clear();
    std::vector<QTreeWidgetItem*> parents;
    const std::vector<format::AgendaItem>& items = session_->agenda().items;
    for (std::size_t index = 0; index < items.size(); ++index) {
        const int depth = std::max(1, items[index].depth);
        parents.resize(std::min<std::size_t>(parents.size(), depth - 1));
        QTreeWidgetItem* item =
            parents.empty() ? new QTreeWidgetItem(agenda_) : new QTreeWidgetItem(parents.back());
        item->setText(0, QString::fromStdString(items[index].text));
        item->setData(0, kAgendaIndexRole, static_cast<qulonglong>(index));
        parents.push_back(item);
    }
    agenda_->expandAll();
    if (agenda_->topLevelItemCount() > 0)
        agenda_->setCurrentItem(agenda_->topLevelItem(0));
}

void MeetingRecorderDialog::Tick() {
    if (session_ == nullptr || cost_ == nullptr)
        return;
    session_->Refresh();
    ShowFields();
}

void MeetingRecorderDialog::ShowFields() {
    const std::string cost = session_->cost_text();
    cost_->setText(cost.empty() ? QStringLiteral("No cost per hour set")
                                : QString::fromStdString(cost));
    time_left_->setText(session_->times_and_costs().planned_end.empty()
                            ? QStringLiteral("No planned end set")
                            : QString::fromStdString(session_->time_left_text()));
    Highlight(cost_, cost_highlighted_, "lime");
    Highlight(time_left_, time_highlighted_, session_->over_run() ? "red" : "lime");
}

bool MeetingRecorderDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && (watched == cost_ || watched == time_left_)) {
        bool& flag = watched == cost_ ? cost_highlighted_ : time_highlighted_;
        flag = !flag;
        ShowFields();
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == agenda_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (QTreeWidgetItem* item = agenda_->currentItem())
                MarkAgendaItem(item);
            return true;
        }
    }
    return SpanRecorderDialog::eventFilter(watched, event);
}

void MeetingRecorderDialog::MarkAgendaItem(QTreeWidgetItem* item) {
    session_->MarkAgendaItem(item->data(0, kAgendaIndexRole).toULongLong());
}

void MeetingRecorderDialog::OnOverRun() {
    const int minutes = ask_remind_minutes ? ask_remind_minutes() : 0;
    if (minutes > 0)
        session_->RemindIn(minutes);
    ShowFields();
}

void MeetingRecorderDialog::OnSettings() {
    TimesAndCostsDialog settings(session_->times_and_costs(), this);
    if (settings.exec() != QDialog::Accepted)
        return;
    session_->ApplyTimesAndCosts(settings.settings());
    session_->Refresh();
    ShowFields();
}

}  // namespace kivo::meeting
