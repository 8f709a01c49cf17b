// The engine's own texts for the files it refuses.
#include "refusal_texts.h"

namespace kivo::repository {

std::string NotRegularFileText(filesystem::FileType type) {
    return std::string("Not a regular file (") + filesystem::FileTypeName(type) + ")";
}

std::string InUseText(const std::optional<filesystem::LockHolder>& holder) {
    const std::string text = "The repository is in use by ";
    if (!holder) {
        return text + "another program";
    }
    const std::string process = "process " + std::to_string(holder->process_id);
    if (holder->program.empty()) {
        return text + process;
    }
    return text + holder->program + " (" + process + ")";
}

std::string SeveralNamesText(std::uint64_t link_count) {
    return "The file has " + std::to_string(link_count) +
           " names (hard links); a repository is changed only through a single name, so that "
           "the journal of an interrupted change is always found (copy it to give it its own "
           "file)";
}

std::string StrayJournalText(const std::string& stray_journal, const std::string& journal) {
    return "The journal of an interrupted change lies under another name of this file (" +
           stray_journal + "); move it to " + journal +
           " to finish that change, or remove it if the repository has been written since";
}

}  // namespace kivo::repository
