// StoreOperation: one change of the open data store, made while this program
// holds the store's writer lock, on working copies that are the store's own.
//
// The program keeps a store open for a whole session but holds its writer
// lock (kivo/repository/writer_lock.h) only while it changes it: a record
// save, an edit, a deletion, a commit of the component journal, a checkpoint,
// a load. Between operations another writer (kivoctl, xrrps) may take the
// lock and change the store. So every operation, once it holds the lock,
// compares the store with the state it left it in (StoreFingerprint); when
// another writer changed it, the session first takes that writer's changes
// into its working copies (DurableComponents::TakeOtherWritersChanges) and
// only then goes on. The program therefore never puts a stale copy into the
// store: a component both sides changed differently refuses the operation
// with a message that says so, and nothing is written.
//
// Usage, around everything the operation reads and writes:
//     StoreOperation operation(session);
//     if (!operation.ok()) { report operation.refusal(); return; }
//     ... working copies, session.store_access() puts, CommitChanges ...
// Operations nest: an inner one (CommitChanges inside a record update)
// shares the outer one's lock and result. A command that holds the store's
// writer lock for its whole run (DataStoreSession::set_writer_lock) takes no
// lock here and checks nothing: no one else can have written.
//
// When another writer holds the store the operation waits up to the
// session's lock wait (3 s) and is then refused with "The data store PATH is
// in use by PROGRAM (process PID)".
#pragma once

#include <string>

namespace kivo::core {

class DataStoreSession;

class StoreOperation {
public:
    explicit StoreOperation(DataStoreSession& session);
    ~StoreOperation();
    StoreOperation(const StoreOperation&) = delete;
    StoreOperation& operator=(const StoreOperation&) = delete;

    // The store is this session's to change, its working copies current.
    bool ok() const;
    // Why not, for the user.
    const std::string& refusal() const;

private:
    DataStoreSession& session_;
};

}  // namespace kivo::core
