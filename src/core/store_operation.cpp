// One change of the open data store under its writer lock: see
// store_operation.h.
#include "kivo/core/store_operation.h"

#include "kivo/core/data_store_session.h"

namespace kivo::core {

StoreOperation::StoreOperation(DataStoreSession& session) : session_(session) {
    session_.BeginOperation(/*check_for_other_writers=*/true);
}

StoreOperation::~StoreOperation() {
    session_.EndOperation();
}

bool StoreOperation::ok() const {
    return session_.operation_ok_;
}

const std::string& StoreOperation::refusal() const {
    return session_.operation_refusal_;
}

}  // namespace kivo::core
