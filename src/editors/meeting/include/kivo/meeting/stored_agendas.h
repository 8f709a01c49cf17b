// The data store's meeting agendas ("Voxwren.xra") as Tools > Meeting
// Agendas... edits them and the Meeting Recorder offers them.
#pragma once

#include "kivo/format/agenda_book.h"
#include "kivo/recorder/stored_list.h"

namespace kivo::meeting {

using StoredAgendas = recorder::StoredList<format::Agenda>;

// The agendas of the store session holds now, bound to it.
StoredAgendas OpenStoredAgendas(core::DataStoreSession& session);

}  // namespace kivo::meeting
