// Delivering a prepared file to the place the user chose.
//
// The file is written under a temporary name in the target's folder, synced,
// and only then renamed to the target name, so a failure (a full disk, a
// removed stick) never leaves a half-written file under the final name and
// the temporary file is removed. An existing file at the target is replaced
// only when the caller says so (the user confirmed it); otherwise the answer
// is kTargetExists and nothing is written - also when the file appears while
// the copy is being written.
#pragma once

#include <filesystem>
#include <string>

namespace kivo::exchange {

enum class DeliveryOutcome { kDelivered, kTargetExists, kFailed };

struct Delivery {
    DeliveryOutcome outcome = DeliveryOutcome::kFailed;
    std::string message;  // why it failed
    bool ok() const { return outcome == DeliveryOutcome::kDelivered; }
};

enum class Overwrite { kNever, kReplace };

// Copies source to target as described above.
Delivery DeliverFile(const std::filesystem::path& source, const std::filesystem::path& target,
                     Overwrite overwrite);

// A temporary file beside target (".<name>.XXXXXX"), open for writing; its
// path goes into *temporary. -1 when it cannot be made.
int OpenTemporaryBeside(const std::filesystem::path& target, std::filesystem::path* temporary);

// Renames temporary to target (replacing only with kReplace); removes
// temporary when that fails.
Delivery CommitTemporary(const std::filesystem::path& temporary,
                         const std::filesystem::path& target, Overwrite overwrite);

}  // namespace kivo::exchange
