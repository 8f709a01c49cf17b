// One whole component file changed durably, bound to its store (see
// bound_component.h).
#include "kivo/core/bound_component.h"

#include "kivo/core/data_store_session.h"
#include "kivo/core/safe_file_io.h"
#include "kivo/core/store_operation.h"

namespace kivo::core {

BoundComponent::BoundComponent(DataStoreSession& session, std::string_view member,
                               std::uint64_t max_bytes)
    : session_(session),
      member_(member),
      max_bytes_(max_bytes),
      store_generation_(session.store_generation()) {}

bool BoundComponent::bound() const {
    return session_.has_open_store() && session_.store_generation() == store_generation_;
}

bool BoundComponent::Read(std::string& bytes) const {
    bytes.clear();
    const ReadResult read = ReadWholeFile(session_.WorkingPath(member_), max_bytes_, bytes);
    if (read == ReadResult::kMissing)
        return true;
    if (read != ReadResult::kOk)
        bytes.clear();
    return read == ReadResult::kOk;
}

ComponentSave BoundComponent::Change(const std::function<bool(std::string& bytes)>& change) {
    if (!bound())
        return {ComponentSaveStatus::kNotBound,
                "the data store it was opened on is no longer open"};
    StoreOperation operation(session_);
    if (!operation.ok())
        return {ComponentSaveStatus::kRefused, operation.refusal()};
    std::string bytes;
    if (!Read(bytes))
        return {ComponentSaveStatus::kUnreadable, member_ + " cannot be read"};
    if (!change(bytes))
        return {};
    if (!ReplaceFileAtomically(session_.WorkingPath(member_), bytes))
        return {ComponentSaveStatus::kWriteFailed, member_ + " cannot be written"};
    if (session_.journals_changes()) {
        if (session_.CommitChanges() != kStoreOk)
            return {ComponentSaveStatus::kNotDurable, member_ + " was not made durable"};
        return {};
    }
    const std::string names[] = {member_};
    if (!session_.store_access().Put(session_.store_path().string(),
                                     session_.working_folder().string(), names))
        return {ComponentSaveStatus::kNotDurable, "the data store refused " + member_};
    return {};
}

}  // namespace kivo::core
