// The subject and body of a mail that carries Kivo recording files, one
// source for the main program's Send and the message player's e-mail button.
//
// Subject: "[Enter your subject heading here] (Kivo Recording :- " and the
// total size (FileSizeText) and ")". Body: "Kivo™ voice mail attached"
// ("video mail" when the first file is a ".xrv" video), a blank line,
// "Number of Messages : " and the count, then how the recipient plays the
// files. The body names no web site, so it has no sentence pointing at one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kivo::format {

// True when the file name ends in ".xrv" in any letter case.
bool IsVideoRecordingName(const std::string& file_name);

std::string RecordingMailSubject(std::uint64_t total_size_bytes);

// The whole body for `recording_count` attached files; `video` picks the
// video wording.
std::string RecordingMailBody(std::size_t recording_count, bool video);

}  // namespace kivo::format
