// The record-kind list.
#include "record_kind_list.h"

#include <QSignalBlocker>

#include "resources.h"

namespace kivo::app {
namespace {

using core::ViewKind;

constexpr KindItem kKindItems[] = {
    {ViewKind::kDictation, "Dictation", "kind-dictation"},
    {ViewKind::kVideo, "Video", "kind-video"},
    {ViewKind::kMeeting, "Meeting", "kind-meeting"},
    {ViewKind::kTranslation, "Translate", "kind-translate"},
    {ViewKind::kPhone, "Phone", "kind-phone"},
    {ViewKind::kDiary, "Diary", "kind-diary"},
};

}  // namespace

PhoneIcon PhoneIconFor(bool monitoring, bool answer_machine_on, int new_messages) {
    if (answer_machine_on) {
        return new_messages > 0 ? PhoneIcon::kAnsweringWithNewMessages : PhoneIcon::kAnswering;
    }
    if (!monitoring)
        return PhoneIcon::kMonitoringOff;
    return new_messages > 0 ? PhoneIcon::kMonitoringWithNewMessages : PhoneIcon::kMonitoring;
}

const char* PhoneIconName(PhoneIcon icon) {
    switch (icon) {
        case PhoneIcon::kMonitoringOff:
            return "kind-phone";
        case PhoneIcon::kMonitoring:
            return "phone-monitoring";
        case PhoneIcon::kMonitoringWithNewMessages:
            return "phone-monitoring-new";
        case PhoneIcon::kAnswering:
            return "phone-answering";
        case PhoneIcon::kAnsweringWithNewMessages:
            return "phone-answering-new";
    }
    return "kind-phone";
}

std::span<const KindItem> KindItems() {
    return kKindItems;
}

RecordKindList::RecordKindList(const Resources& resources, QWidget* parent)
    : QListWidget(parent), resources_(resources) {
    setViewMode(QListView::IconMode);
    setFlow(QListView::TopToBottom);
    setWrapping(false);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setIconSize(QSize(32, 32));
    setGridSize(QSize(100, 80));
    setSpacing(0);
    setWordWrap(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFixedWidth(110);
    setStyleSheet(
        // The item styles hide the focus frame: a white border tells a
        // keyboard user that Tab has reached the kinds (Up and Down choose).
        QStringLiteral("QListWidget { background: rgb(122,153,215); color: white;"
                       " border: 2px solid rgb(92,118,170); }"
                       "QListWidget:focus { border: 2px solid white; }"
                       "QListWidget::item { padding-top: 6px; }"
                       "QListWidget::item:selected { background: rgb(62,95,165);"
                       " color: white; border-radius: 4px; }"));
    setAccessibleName(tr("Record kinds"));
    for (const KindItem& kind : kKindItems) {
        auto* item =
            new QListWidgetItem(resources_.Icon(kind.icon), QString::fromLatin1(kind.text), this);
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
        item->setSizeHint(QSize(96, 74));
    }
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!marking_ && row >= 0)
            emit kindChosen(KindAt(row));
    });
}

core::ViewKind RecordKindList::KindAt(int row) const {
    if (row < 0 || row >= static_cast<int>(std::size(kKindItems)))
        return ViewKind::kNone;
    return kKindItems[row].view;
}

int RecordKindList::RowOf(core::ViewKind view) const {
    for (int row = 0; row < static_cast<int>(std::size(kKindItems)); ++row) {
        if (kKindItems[row].view == view)
            return row;
    }
    return -1;
}

void RecordKindList::MarkKind(core::ViewKind view) {
    marking_ = true;
    setCurrentRow(RowOf(view));
    marking_ = false;
}

void RecordKindList::SetPhoneIcon(PhoneIcon icon) {
    phone_icon_ = icon;
    if (QListWidgetItem* phone = item(RowOf(ViewKind::kPhone)))
        phone->setIcon(resources_.Icon(PhoneIconName(icon)));
}

}  // namespace kivo::app
