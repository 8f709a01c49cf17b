// RecordKindList: the left-hand list of the six record kinds as large icons
// ("Dictation", "Video", "Meeting", "Translate", "Phone", "Diary") on the
// program's blue background. Choosing one lists that kind.
//
// The Phone item's icon shows the telephone state: monitoring off, monitoring
// on, answer machine on, each with or without new messages.
#pragma once

#include <QListWidget>

#include "kivo/core/record_list.h"

namespace kivo::app {

class Resources;

enum class PhoneIcon {
    kMonitoringOff,
    kMonitoring,
    kMonitoringWithNewMessages,
    kAnswering,
    kAnsweringWithNewMessages,
};

// The Phone icon for a telephone state.
PhoneIcon PhoneIconFor(bool monitoring, bool answer_machine_on, int new_messages);
// Icon file name (in share/kivo/icons) of a Phone icon state.
const char* PhoneIconName(PhoneIcon icon);

// Texts and icon names of the kinds, in list order.
struct KindItem {
    core::ViewKind view;
    const char* text;
    const char* icon;
};
std::span<const KindItem> KindItems();

class RecordKindList : public QListWidget {
    Q_OBJECT

public:
    RecordKindList(const Resources& resources, QWidget* parent = nullptr);

    core::ViewKind KindAt(int row) const;
    int RowOf(core::ViewKind view) const;
    // Marks the kind as the current item without listing it again.
    void MarkKind(core::ViewKind view);
    void SetPhoneIcon(PhoneIcon icon);
    PhoneIcon phone_icon() const { return phone_icon_; }

signals:
    void kindChosen(core::ViewKind view);

private:
    const Resources& resources_;
    PhoneIcon phone_icon_ = PhoneIcon::kMonitoringOff;
    bool marking_ = false;
};

}  // namespace kivo::app
