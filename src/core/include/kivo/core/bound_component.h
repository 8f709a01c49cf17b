// BoundComponent: the way a dialog changes one whole component file of the
// open data store (the agendas "Voxwren.xra", the templates "Voxwren.xrc"):
// bound to the store its session held when the dialog opened, and saved
// durably before it reports success.
//
// Change runs as one StoreOperation (under the store's writer lock, on
// working copies that already hold every other writer's changes): it reads
// the working copy, lets the caller change the bytes, replaces the working
// copy atomically and commits it to the session's component journal
// (DataStoreSession::CommitChanges); a session without a journal (a working
// folder filled by hand) puts the member into the store instead. Once the
// session has loaded another store (Open, New) every change is refused and
// nothing is written.
//
// Plain C++ without Qt; runs on the caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace kivo::core {

class DataStoreSession;

enum class ComponentSaveStatus {
    kSaved,
    kNotBound,     // the session holds another store now; nothing written
    kRefused,      // another program holds or changed the store; nothing written
    kUnreadable,   // the working copy cannot be read (or is too large)
    kWriteFailed,  // the working copy cannot be replaced; it is as before
    kNotDurable,   // written, but not made durable (it goes with the next save)
};

struct ComponentSave {
    ComponentSaveStatus status = ComponentSaveStatus::kSaved;
    std::string detail;  // the store's refusal, or what failed
    bool saved() const { return status == ComponentSaveStatus::kSaved; }
};

class BoundComponent {
public:
    // member: a component file name of the store (kivo/recordstore/data_store_layout.h).
    BoundComponent(DataStoreSession& session, std::string_view member,
                   std::uint64_t max_bytes = 8u << 20);

    // The session still holds the store this component was bound to.
    bool bound() const;
    // The working copy's bytes; false (bytes empty) when it cannot be read.
    // A missing file reads as empty.
    bool Read(std::string& bytes) const;
    // change receives the working copy's current bytes and changes them;
    // returning false leaves everything as it was (status kSaved, nothing
    // written).
    ComponentSave Change(const std::function<bool(std::string& bytes)>& change);

private:
    DataStoreSession& session_;
    std::string member_;
    std::uint64_t max_bytes_;
    std::uint64_t store_generation_;
};

}  // namespace kivo::core
