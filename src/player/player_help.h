// The message player's help: its own pages in share/kivo/help/kvmp/, opened
// in the desktop's browser. F1 on a control opens the contents page at that
// control's section.
#pragma once

#include <QString>

namespace kivo::player {

// Help > Contents, the toolbar's help button and F1.
inline constexpr const char* kHelpContentsTopic = "166.htm";
// Help > Kivo Recording Files.
inline constexpr const char* kRecordingFilesTopic = "900.htm";

// The contents page at a control's section ("166.htm#start").
QString ControlHelpTopic(const QString& section);

// The file of a topic (any "#section" left off): the installed page beside
// the program (bin/../share/kivo/help/kvmp/), else the one in `source_folder`.
QString HelpPagePath(const QString& topic, const QString& program_folder,
                     const QString& source_folder);

}  // namespace kivo::player
