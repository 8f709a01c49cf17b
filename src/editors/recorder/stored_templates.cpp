// The data store's record templates (see stored_templates.h).
#include "kivo/recorder/stored_templates.h"

#include "kivo/recordstore/data_store_layout.h"

namespace kivo::recorder {

StoredTemplates OpenStoredTemplates(core::DataStoreSession& session) {
    return StoredTemplates(session, recordstore::kTemplatesName, format::ParseTemplateBook,
                           format::WriteTemplateBook);
}

}  // namespace kivo::recorder
