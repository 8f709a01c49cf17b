// AudioExport: a prepared recording (recording_export.h) written as an
// ordinary audio file for any other player.
//
// The copy is opened as a stand-alone container in a scratch folder, its
// wave decoded; the record's subject, start date and keywords (the copy's
// ".xrk" member) become the file's tags and the user's index marks its
// chapters (kivo/encoding/audio_transcode.h says which formats carry them).
// The file is written under a temporary name beside the target and renamed
// (export_delivery.h); an existing target is replaced only when asked.
#pragma once

#include <filesystem>
#include <vector>

#include "kivo/encoding/audio_transcode.h"
#include "kivo/exchange/export_delivery.h"

namespace kivo::exchange {

// What a recording's copy says about itself.
struct RecordingDescription {
    encoding::AudioTags tags;
    std::vector<encoding::Chapter> chapters;
};

// Reads the tags and chapters from the record line, index marks and
// keywords files of a recording (any of them may be missing).
RecordingDescription DescribeRecording(const std::filesystem::path& record_line,
                                       const std::filesystem::path& index_marks,
                                       const std::filesystem::path& keywords);

// "dd/mm/yyyy" as "yyyy-mm-dd"; the text as it is when it is not a date.
std::string IsoDate(const std::string& day_month_year);

// Writes the prepared copy as target in format. scratch: an empty private
// folder for the unpacked members (emptied again before returning).
Delivery ExportAsAudio(const std::filesystem::path& prepared_copy,
                       const std::filesystem::path& scratch, encoding::AudioFormat format,
                       const std::filesystem::path& target, Overwrite overwrite);

}  // namespace kivo::exchange
