// HotKeysDialog: "Kivo Hot Keys Selection" (Tools > Hot Keys...). Shows the six
// playback hot keys of a table; "&Save" hands the edited table back.
#pragma once

#include <QDialog>

#include <array>

#include "kivo/core/hot_keys.h"

namespace kivo::app {

class HotKeyEdit;

inline constexpr const char* kHotKeysTitle = "Kivo Hot Keys Selection";
inline constexpr const char* kHotKeysHelpTopic = "hot-keys.htm";

class HotKeysDialog : public QDialog {
    Q_OBJECT

public:
    HotKeysDialog(const core::HotKeyTable& table, QWidget* parent = nullptr);

    // The table as the dialog shows it, with the extended-key flags cleared.
    core::HotKeyTable table() const;
    HotKeyEdit* edit(int position) const { return edits_.at(static_cast<std::size_t>(position)); }

signals:
    void helpRequested(const QString& topic);

private:
    std::array<HotKeyEdit*, core::kHotKeyCount> edits_{};
};

}  // namespace kivo::app
