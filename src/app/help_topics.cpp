// The page that describes each command's work.
#include "help_topics.h"

#include <array>

namespace kivo::app {
namespace {

using C = Command;

constexpr std::array<CommandHelpPage, 15> kCommandPages{{
    {C::kNewRecording, "300.htm"},
    {C::kNewDictation, "300.htm"},
    {C::kPlay, "playback.htm"},
    {C::kEdit, "dictation-editor.htm"},
    {C::kEdit, "meeting-editor.htm"},
    {C::kEdit, "phone-editor.htm"},
    {C::kEdit, "diary-editor.htm"},
    {C::kOpenDataStore, "data-stores.htm"},
    {C::kNewDataStore, "data-stores.htm"},
    {C::kOptions, "options.htm"},
    {C::kHotKeys, "hot-keys.htm"},
    {C::kCompressDataStore, "compress.htm"},
    {C::kTextToSpeech, "translator.htm"},
    {C::kMeetingAgendas, "agendas.htm"},
    {C::kTemplates, "templates.htm"},
}};

}  // namespace

std::span<const CommandHelpPage> CommandHelpPages() {
    return kCommandPages;
}

}  // namespace kivo::app
