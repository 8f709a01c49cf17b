// The main window's commands: one entry per menu item, toolbar button and
// context-menu item, with its text, icon and keyboard shortcut.
//
// Every command of the window has a row here, whether or not its work exists
// yet. CommandRouter makes one QAction per row; a command becomes usable only
// when some code routes it to a handler, so commands whose dialogs are built
// later stay visible and disabled until then.
#pragma once

#include <span>

namespace kivo::app {

enum class Command : int {
    // File
    kNewRecording,
    kNewDataStore,
    kOpenDataStore,
    kExit,
    // Phone
    kModemSelection,
    kStartMonitoring,
    kStopMonitoring,
    kAnswerMachineOn,
    kAnswerMachineOff,
    kLineSettings,
    // Tools > Import
    kImportDataStore,
    kImportMessageFile,
    kImportVideoFile,
    kImportWavFile,
    kImportMp3File,
    kImportWmaFile,
    kImportOggFile,
    kImportWmvFile,
    kImportPhoneBookFromStore,
    kImportPhoneBookFromFile,
    kImportTemplatesFromStore,
    kImportTemplatesFromFile,
    kImportAgendasFromStore,
    kImportAgendasFromFile,
    // Tools > Export
    kExportPhoneBook,
    kExportTemplates,
    kExportAgendas,
    // Tools
    kOptions,
    kHotKeys,
    kPhoneBook,
    kTemplates,
    kMeetingAgendas,
    kCompressDataStore,
    kDiaryMonitor,
    kOfflineMeeting,
    kTextToSpeech,
    // Help
    kHelpContents,
    kAmazing,
    kWebSite,
    kAbout,
    // Toolbar and record context menu ("Action")
    kPlay,
    kSend,
    kSearch,
    kEdit,
    kDelete,
    kPrint,
    kExportKivoRecording,
    kExportWav,
    kExportWma,
    kExportMp3,
    kExportOgg,
    kExportWmv,
    kPlayOverPhone,
    kAddToPhoneBook,
    kRedial,
    kNewDictation,
    kUseAsGreeting,
};

inline constexpr int kCommandCount = static_cast<int>(Command::kUseAsGreeting) + 1;

struct CommandEntry {
    Command command;
    const char* text;        // menu text with its mnemonic, as the user sees it
    const char* icon;        // icon name in share/kivo/icons (no ".svg"), or nullptr
    const char* theme_icon;  // freedesktop icon name preferred to it, or nullptr
    const char* shortcut;    // portable key sequence text, or nullptr
    const char* tool_tip;    // for toolbar buttons, or nullptr
    bool checkable;
};

// All commands, in the order of the Command enumeration.
std::span<const CommandEntry> CommandTable();
const CommandEntry& EntryOf(Command command);

}  // namespace kivo::app
