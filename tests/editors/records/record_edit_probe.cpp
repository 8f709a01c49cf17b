// A program that edits one record the way the record edit dialogs' OK does
// and then waits to be killed: the kill -9 test of record_edit_kill_test.cpp
// runs it. It opens the store in a working folder of its own (as Kivo does
// at start-up), changes the record's subject and keywords, saves, commits
// the changes (unless told "no-commit"), prints "saved" and sleeps.
//
// Usage: record_edit_probe STORE.xrt WORKING_ROOT CONTAINER SUBJECT KEYWORDS commit|no-commit
#include <unistd.h>

#include <cstdio>
#include <string>

#include "kivo/core/data_store_session.h"
#include "kivo/core/user_messages.h"
#include "kivo/core/working_folder.h"
#include "kivo/records/record_edit_session.h"

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr,
                     "usage: record_edit_probe STORE WORKING_ROOT CONTAINER SUBJECT "
                     "KEYWORDS commit|no-commit\n");
        return 2;
    }
    using namespace kivo;
    core::WorkingFolder working;
    if (working.Create(argv[2]) != 0)
        return 3;
    core::DataStoreSession store(working.path());
    store.set_location(core::StoreLocation::FromOpenedPath(argv[1]));
    if (store.LoadDataStore() != 0)
        return 4;
    core::StderrMessageReporter reporter;
    records::RecordEditSession edit(store, reporter);
    if (edit.Open(argv[3]) != 0)
        return 5;
    edit.set_subject(argv[4]);
    edit.set_keywords(argv[5]);
    if (edit.Save() != 0)
        return 6;
    if (std::string(argv[6]) == "commit" && store.CommitChanges() != 0)
        return 7;
    std::printf("saved\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
