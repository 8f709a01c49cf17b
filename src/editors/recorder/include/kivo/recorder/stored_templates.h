// The data store's record templates ("Voxwren.xrc") as Tools > Templates...
// edits them; a template's comments become a recorder's predefined index
// comments (PackPredefinedComments).
#pragma once

#include "kivo/format/template_book.h"
#include "kivo/recorder/stored_list.h"

namespace kivo::recorder {

using StoredTemplates = StoredList<format::RecordTemplate>;

// The templates of the store session holds now, bound to it.
StoredTemplates OpenStoredTemplates(core::DataStoreSession& session);

}  // namespace kivo::recorder
