// Help topics: the program's HTML help pages in share/kivo/help, opened in the
// desktop's web browser.
#pragma once

#include <QString>

class QWidget;

namespace kivo::app {

class Resources;

// Help > Kivo Help and the main window's F1.
inline constexpr const char* kHelpContentsTopic = "166.htm";
// Help > A&zaming! and the toolbar's help button.
inline constexpr const char* kAmazingTopic = "900.htm";

// Opens share/kivo/help/<topic> in the browser. False (and a message box on
// parent) when the page is missing or no browser could show it.
bool OpenHelpTopic(const Resources& resources, const QString& topic, QWidget* parent);

}  // namespace kivo::app
