// The data store's meeting agendas (see stored_agendas.h).
#include "kivo/meeting/stored_agendas.h"

#include "kivo/recordstore/data_store_layout.h"

namespace kivo::meeting {

StoredAgendas OpenStoredAgendas(core::DataStoreSession& session) {
    return StoredAgendas(session, recordstore::kAgendaName, format::ParseAgendaBook,
                         format::WriteAgendaBook);
}

}  // namespace kivo::meeting
