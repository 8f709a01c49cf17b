// Saving a new record: its media, record line and index marks (and texts or
// a picture) are packed into a new recording container in the working
// folder, the record line is appended to the record log of its kind, and
// container, record log and index are stored into the data store. Which log
// each kind goes to: docs/formats/data-store.md.
//
// Every file is reached through the FileSystem the saver is given.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/media_codec.h"
#include "kivo/recordstore/recording_container.h"

namespace kivo::recordstore {

enum class RecordLogKind {
    kMessages,    // "Voxwren.xrr": kinds 0, 5, 9 and 11-16
    kMeetings,    // "Voxwren.xrm": kind 1
    kPhoneCalls,  // "Voxwren.xrp": kinds 2 and 3
    kDiary,       // "Voxwren.xrd": kind 4
};

// File name of a record log ("Voxwren.xrr" ...).
std::string RecordLogName(RecordLogKind log);

struct RecordSaveRequest {
    RecordLogKind log = RecordLogKind::kMessages;
    MediaKind media_kind = MediaKind::kAudio;  // kVideo: container ".xrv"
    // File names in working_folder, stored in this order.
    std::string media;
    std::string record_line;  // its first 401 bytes are the record line
    std::string index_marks;
    std::vector<std::string> extras;  // a picture, or the two translation texts
    std::string working_folder;
    std::string store_path;
    std::string stamp;         // container "D" + stamp + ".xrz" (".xrv")
    bool append_only = false;  // stop once the record log has the line
    // Put the container alone: the record log (with the line appended) and
    // the index stay in the working folder, for the caller to make durable
    // (a component journal) before it reports the record saved.
    bool container_only = false;
    // Puts the named files of working_folder into the store (true on
    // success); by default an engine of the saver's own, which waits while
    // another holds the store's writer lock. A caller holding the lock puts
    // under it here.
    std::function<bool(const std::vector<std::string>& members)> put_into_store;
};

struct RecordSaveResult {
    std::uint64_t line_offset = 0;  // where the line was appended; 0 on failure
    std::string error;
    bool ok() const { return line_offset != 0; }
};

class RecordSaver {
public:
    // file_system must outlive the saver.
    explicit RecordSaver(filesystem::FileSystem& file_system, MediaCodecOptions codec_options = {})
        : file_system_(file_system), codec_(file_system, codec_options) {}

    // Container, record log and index reach the data store in one store
    // call, so the store holds all of the record or none of it, also after a
    // crash, and its log never names a container it lacks (with
    // container_only, the container alone: the caller's journal commit of
    // the log then completes the record). A failed save
    // leaves no container in the working folder and, when the line had been
    // appended, takes the line out of the working log again.
    RecordSaveResult Save(const RecordSaveRequest& request) const;

private:
    filesystem::FileSystem& file_system_;
    MediaCodec codec_;
};

}  // namespace kivo::recordstore
