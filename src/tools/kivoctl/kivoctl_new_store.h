// Making a new data store so that two runs can never both believe they made
// it, and no half-built store ever shows under its name.
//
// The store is built under a hidden name of its own in the target folder
// (".<name>.building-<pid>.xrt"), then given its name with link(2), which
// fails when the name exists (rename with RENAME_NOREPLACE where the file
// system has no hard links), and the hidden name is removed. Of two runs
// making the same store, one succeeds and the other is told the store exists;
// the store either does not exist or is whole. Hidden stores left by runs
// that were killed (their process is gone) are removed by the next run that
// makes a store in that folder.
#pragma once

#include "kivo/core/data_store_session.h"

namespace kivo::kivoctl {

// Builds the store at target with session's working folder. Returns 0, 3
// when target exists (nothing is changed), or the builder's 101 or 102.
int MakeNewStore(core::DataStoreSession& session, const core::StoreLocation& target);

}  // namespace kivo::kivoctl
