// The rows of the main window's command table.
#include "command_table.h"

#include <array>

namespace kivo::app {
namespace {

using C = Command;

// Columns: command, text, own icon, theme icon, shortcut, tool tip, checkable.
constexpr std::array<CommandEntry, kCommandCount> kCommands{{
    {C::kNewRecording, "&New Recording or Translation", "new-recording", "media-record", "Ctrl+N",
     "New recording", false},
    {C::kNewDataStore, "New &Kivo Datastore", nullptr, nullptr, "Ctrl+Shift+N", nullptr, false},
    {C::kOpenDataStore, "&Open Kivo Datastore", nullptr, nullptr, "Ctrl+O", nullptr, false},
    {C::kExit, "&Exit", nullptr, nullptr, "Ctrl+Q", nullptr, false},

    {C::kModemSelection, "&Modem Selection", nullptr, nullptr, nullptr, nullptr, false},
    {C::kStartMonitoring, "&Start Monitoring Phone Line", nullptr, nullptr, nullptr, nullptr,
     false},
    {C::kStopMonitoring, "S&top Monitoring Phone Line", nullptr, nullptr, nullptr, nullptr, false},
    {C::kAnswerMachineOn, "&Answer Machine On", nullptr, nullptr, nullptr, nullptr, true},
    {C::kAnswerMachineOff, "A&nswer Machine Off", nullptr, nullptr, nullptr, nullptr, true},
    {C::kLineSettings, "&Line Settings...", nullptr, nullptr, nullptr, nullptr, false},

    {C::kImportDataStore, "Kivo Data &Store", nullptr, nullptr, nullptr, nullptr, false},
    {C::kImportMessageFile, "Kivo &Message File", nullptr, nullptr, nullptr, nullptr, false},
    {C::kImportVideoFile, "Kivo V&ideo File", nullptr, nullptr, nullptr, nullptr, false},
    {C::kImportWavFile, "&WAV File", nullptr, nullptr, nullptr, nullptr, false},
    {C::kImportMp3File, "MP&3 File", nullptr, nullptr, nullptr, nullptr, false},
    {C::kImportWmaFile, "WM&A File", nullptr, nullptr, nullptr, nullptr, false},
    {C::kImportOggFile, "&OGG File", nullptr, nullptr, nullptr, nullptr, false},
    {C::kImportWmvFile, "WM&V File", nullptr, nullptr, nullptr, nullptr, false},
    {C::kImportPhoneBookFromStore, "From Kivo Data &Store", nullptr, nullptr, nullptr, nullptr,
     false},
    {C::kImportPhoneBookFromFile, "From exported phone book &file", nullptr, nullptr, nullptr,
     nullptr, false},
    {C::kImportTemplatesFromStore, "From Kivo Data &Store", nullptr, nullptr, nullptr, nullptr,
     false},
    {C::kImportTemplatesFromFile, "From exported template &file", nullptr, nullptr, nullptr,
     nullptr, false},
    {C::kImportAgendasFromStore, "From Kivo Data &Store", nullptr, nullptr, nullptr, nullptr,
     false},
    {C::kImportAgendasFromFile, "From exported agenda &file", nullptr, nullptr, nullptr, nullptr,
     false},

    {C::kExportPhoneBook, "&Phone Book", nullptr, nullptr, nullptr, nullptr, false},
    {C::kExportTemplates, "&Templates", nullptr, nullptr, nullptr, nullptr, false},
    {C::kExportAgendas, "&Agendas", nullptr, nullptr, nullptr, nullptr, false},

    {C::kOptions, "&Options...", nullptr, nullptr, nullptr, nullptr, false},
    {C::kHotKeys, "&Hot Keys...", nullptr, nullptr, nullptr, nullptr, false},
    {C::kPhoneBook, "&Phone Book...", nullptr, nullptr, nullptr, nullptr, false},
    {C::kTemplates, "&Templates...", nullptr, nullptr, nullptr, nullptr, false},
    {C::kMeetingAgendas, "&Meeting Agendas...", nullptr, nullptr, nullptr, nullptr, false},
    {C::kCompressDataStore, "&Compress the Data Store", nullptr, nullptr, nullptr, nullptr, false},
    {C::kDiaryMonitor, "&Diary Monitor", nullptr, nullptr, nullptr, nullptr, true},
    {C::kOfflineMeeting, "Off&line Meeting", nullptr, nullptr, nullptr, nullptr, false},
    {C::kTextToSpeech, "Text to &speech", nullptr, nullptr, nullptr, nullptr, false},

    {C::kHelpContents, "Kivo &Help", nullptr, "help-contents", "F1", nullptr, false},
    {C::kAmazing, "A&zaming!", "help", "help-browser", nullptr, "Help topic", false},
    {C::kWebSite, "Kivo on the &Web", nullptr, nullptr, nullptr, nullptr, false},
    {C::kAbout, "&About Kivo", nullptr, "help-about", nullptr, nullptr, false},

    {C::kPlay, "&Play", "play", "media-playback-start", nullptr, "Play", false},
    {C::kSend, "&Send", "email", "mail-send", nullptr, "E-mail", false},
    {C::kSearch, "Search", "search", "edit-find", "Ctrl+Shift+F", "Search", false},
    {C::kEdit, "&Edit", nullptr, nullptr, nullptr, nullptr, false},
    {C::kDelete, "&Delete", nullptr, nullptr, "Del", nullptr, false},
    {C::kPrint, "P&rint", nullptr, nullptr, "Ctrl+P", nullptr, false},
    {C::kExportKivoRecording, "&Kivo Recording", nullptr, nullptr, nullptr, nullptr, false},
    {C::kExportWav, "&WAV Format", nullptr, nullptr, nullptr, nullptr, false},
    {C::kExportWma, "WM&A Format", nullptr, nullptr, nullptr, nullptr, false},
    {C::kExportMp3, "&MP3 Format", nullptr, nullptr, nullptr, nullptr, false},
    {C::kExportOgg, "&OGG Format", nullptr, nullptr, nullptr, nullptr, false},
    {C::kExportWmv, "WM&V Format", nullptr, nullptr, nullptr, nullptr, false},
    {C::kPlayOverPhone, "Play &over the phone line", nullptr, nullptr, nullptr, nullptr, false},
    {C::kAddToPhoneBook, "&Add to PhoneBook", nullptr, nullptr, nullptr, nullptr, false},
    {C::kRedial, "Red&ial", nullptr, nullptr, nullptr, nullptr, false},
    {C::kNewDictation, "&New Dictation", nullptr, nullptr, nullptr, nullptr, false},
    {C::kUseAsGreeting, "Use dictation as &greeting", nullptr, nullptr, nullptr, nullptr, false},
}};

constexpr bool RowsFollowTheEnumeration() {
    for (int i = 0; i < kCommandCount; ++i) {
        if (static_cast<int>(kCommands[i].command) != i)
            return false;
    }
    return true;
}
static_assert(RowsFollowTheEnumeration(), "command rows must follow the Command order");

}  // namespace

std::span<const CommandEntry> CommandTable() {
    return kCommands;
}

const CommandEntry& EntryOf(Command command) {
    return kCommands[static_cast<std::size_t>(command)];
}

}  // namespace kivo::app
