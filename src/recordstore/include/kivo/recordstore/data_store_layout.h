// Names and sizes that fix the layout of a data store and its recording
// containers (docs/formats/data-store.md, docs/formats/recording-container.md).
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace kivo::recordstore {

// Record logs: 401-byte record lines (record_line.h), the first a header line.
inline constexpr std::string_view kMessageLogName = "Voxwren.xrr";  // kinds 0, 5, 9, 11-16
inline constexpr std::string_view kMeetingLogName = "Voxwren.xrm";  // kind 1
inline constexpr std::string_view kPhoneLogName = "Voxwren.xrp";    // kinds 2, 3
inline constexpr std::string_view kDiaryLogName = "Voxwren.xrd";    // kind 4
inline constexpr std::string_view kIndexName = "Voxwren.xri";
inline constexpr std::string_view kGreetingName = "xrgreet.wav";
inline constexpr std::string_view kWarningName = "xrwarn.wav";
inline constexpr std::string_view kPhoneBookName = "Voxwren.xrb";
inline constexpr std::string_view kTemplatesName = "Voxwren.xrc";
inline constexpr std::string_view kAgendaName = "Voxwren.xra";
inline constexpr std::string_view kAgendaLinesName = "Voxwren.xrl";  // added by the program later
// Sounds copied from the program's resource folder into a new data store.
inline constexpr std::string_view kGreetingSourceName = "00001.wav";
inline constexpr std::string_view kWarningSourceName = "00002.wav";
// Initial content of the agenda: nine characters, no line end.
inline constexpr std::string_view kEmptyAgendaText = "999999999";
inline constexpr std::string_view kStoreExtension = ".xrt";

// The ten members of a new data store, in the order they are stored.
inline constexpr std::array<std::string_view, 10> kNewStoreMembers = {
    kMessageLogName, kMeetingLogName, kPhoneLogName,  kDiaryLogName,  kIndexName,
    kGreetingName,   kWarningName,    kPhoneBookName, kTemplatesName, kAgendaName};

// Recording containers: "D" + stamp + extension; members B + extension.
inline constexpr std::string_view kContainerPrefix = "D";
inline constexpr std::string_view kAudioContainerExtension = ".xrz";
inline constexpr std::string_view kVideoContainerExtension = ".xrv";
inline constexpr std::string_view kAudioMediaExtension = ".xrw";
inline constexpr std::string_view kVideoMediaExtension = ".wmv";
inline constexpr std::string_view kIndexMarksExtension = ".xrs";
inline constexpr std::string_view kRecordLineExtension = ".xrl";
inline constexpr std::string_view kOriginalTextExtension = ".xr1";
inline constexpr std::string_view kTranslatedTextExtension = ".xr2";
inline constexpr std::string_view kGifPictureExtension = ".GIF";
inline constexpr std::string_view kJpgPictureExtension = ".JPG";
// A stand-alone container is opened up to this many members, each name at
// most kMaxOpenedMemberNameBytes long.
inline constexpr std::size_t kMaxOpenedMembers = 10;
inline constexpr std::size_t kMaxOpenedMemberNameBytes = 99;

}  // namespace kivo::recordstore
