// Importing recording files chosen on disk (see import_message_files.h).
#include "kivo/exchange/import_message_files.h"

#include <algorithm>

#include "kivo/exchange/import_messages.h"

namespace kivo::exchange {

std::size_t MessageFilesImport::imported() const {
    return static_cast<std::size_t>(
        std::count_if(outcomes.begin(), outcomes.end(),
                      [](const MessageFileOutcome& outcome) { return outcome.result.ok(); }));
}

std::string MessageFilesImport::SummaryText() const {
    return std::to_string(imported()) + " of " + std::to_string(outcomes.size()) +
           kFilesImportedSuffix;
}

MessageFilesImport ImportMessageFiles(const recorder::RecorderTarget& target,
                                      const std::vector<std::filesystem::path>& files) {
    MessageFilesImport import;
    const RecordingImport importer(target);
    for (const std::filesystem::path& file : files)
        import.outcomes.push_back({file, importer.Import(file)});
    return import;
}

}  // namespace kivo::exchange
