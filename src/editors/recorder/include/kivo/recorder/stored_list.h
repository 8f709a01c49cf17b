// StoredList: a list kept in one component file of the open data store (the
// meeting agendas, the record templates), as its editor dialog changes it.
//
// Every change reads the file as it is now, changes the list, and writes
// it back durably through core::BoundComponent: bound to the store the
// editor was opened on, committed before it reports success. A change of
// an entry that another program changed or removed since the editor last
// read the list is refused, and the list is read again.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kivo/core/bound_component.h"

namespace kivo::recorder {

template <typename Entry>
class StoredList {
public:
    using Parse = std::vector<Entry> (*)(std::string_view bytes);
    using Write = std::string (*)(const std::vector<Entry>& entries);

    StoredList(core::DataStoreSession& session, std::string_view member, Parse parse, Write write)
        : file_(session, member), parse_(parse), write_(write) {
        Reload();
    }

    const std::vector<Entry>& entries() const { return entries_; }
    bool bound() const { return file_.bound(); }

    // Reads the list again; false when the file cannot be read (the list is
    // then empty).
    bool Reload() {
        std::string bytes;
        const bool read = file_.Read(bytes);
        entries_ = parse_(bytes);
        return read;
    }

    core::ComponentSave Add(Entry entry) {
        return Edit(std::nullopt,
                    [&entry](std::vector<Entry>& entries) { entries.push_back(std::move(entry)); });
    }
    core::ComponentSave Replace(std::size_t index, Entry entry) {
        return Edit(index, [&](std::vector<Entry>& entries) { entries[index] = std::move(entry); });
    }
    core::ComponentSave Remove(std::size_t index) {
        return Edit(index, [index](std::vector<Entry>& entries) {
            entries.erase(entries.begin() + static_cast<std::ptrdiff_t>(index));
        });
    }

private:
    // Changes the list as the file holds it now; `index`, when given, must
    // still hold the entry this list last showed.
    core::ComponentSave Edit(std::optional<std::size_t> index,
                             const std::function<void(std::vector<Entry>&)>& edit) {
        if (index && *index >= entries_.size())
            return {core::ComponentSaveStatus::kWriteFailed, "no such entry"};
        bool stale = false;
        std::vector<Entry> written;
        core::ComponentSave save = file_.Change([&](std::string& bytes) {
            written = parse_(bytes);
            if (index && (*index >= written.size() || !(written[*index] == entries_[*index]))) {
                stale = true;
                return false;
            }
            edit(written);
            bytes = write_(written);
            written = parse_(bytes);  // the entries as the file now keeps them
            return true;
        });
        if (stale) {
            Reload();
            return {core::ComponentSaveStatus::kRefused,
                    "Another program changed this list meanwhile. It has been read again; "
                    "please make the change once more."};
        }
        if (save.saved())
            entries_ = std::move(written);
        return save;
    }

    core::BoundComponent file_;
    Parse parse_;
    Write write_;
    std::vector<Entry> entries_;
};

}  // namespace kivo::recorder
