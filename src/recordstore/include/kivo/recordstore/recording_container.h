// Recording containers: the repository file ("D" + stamp + ".xrz", ".xrv"
// for video) that carries one record's media, record line and index marks,
// plus texts or a picture. Inside a data store each record has one container
// member; a container also travels alone, as an exported recording.
// Members are named after the container's base name B (the file name up to
// its last '.'): B.xrw or B.wmv (media, in the media codec's stored form),
// B.xrs (index marks), B.xrl (record line), B.xr1/B.xr2 (translation texts),
// B.GIF or B.JPG (picture). Layout: docs/formats/recording-container.md.
//
// Every file is reached through the FileSystem the container is given (the
// constructors without one use the machine's, filesystem::DefaultFileSystem()).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kivo/filesystem/file_system.h"
#include "kivo/recordstore/media_codec.h"

namespace kivo::recordstore {

enum class MediaKind { kAudio, kVideo };  // ".xrz" with ".xrw"; ".xrv" with ".wmv"

// Results carry the codes of the C interface (xrsave.h).
enum class ContainerResult : int {
    kDone = 0,
    kFailed = 108,         // a repository operation failed, or the media is damaged
    kBadPictureType = -1,  // a picture type outside 0..3; nothing was done
};

// What a container holds besides media, marks and record line (the
// "picture type" of the C interface).
enum class ContainerExtras : int { kNone = 0, kTranslation = 1, kGifPicture = 2, kJpgPicture = 3 };

// Which members OpenFromStore extracts (the "selector"). Values above 5
// extract media, marks and record line like kDefault but leave the media in
// its stored form.
enum class MemberSelector : int {
    kDefault = 0,  // media (decoded), marks, record line
    kMedia = 1,    // media (decoded)
    kMarks = 2,
    kLine = 3,
    kLineAndMarks = 4,
    kTranslation = 5,  // media (not decoded), marks, line, original and translated text
};

class RecordingContainer {
public:
    // file_name: "D" + stamp + ".xrz" (or ".xrv"), a plain file name. The
    // codec's file system is the container's (file_system must outlive it).
    RecordingContainer(filesystem::FileSystem& file_system, std::string file_name, MediaKind kind,
                       MediaCodecOptions codec_options = {});
    RecordingContainer(std::string file_name, MediaKind kind, MediaCodec codec = MediaCodec());

    const std::string& file_name() const { return file_name_; }
    std::string base_name() const;
    std::string media_name() const;  // B.xrw or B.wmv
    std::string marks_name() const;  // B.xrs
    std::string line_name() const;   // B.xrl

    // Encodes B's media in working_folder, stores B's files into the
    // container there (made when missing; earlier versions of the members
    // are replaced and compacted away), then stores the container into the
    // data store. extras_code is the C interface's picture type.
    ContainerResult SaveIntoStore(const std::string& working_folder, const std::string& store_path,
                                  int extras_code) const;
    // Builds the container in container_folder from B's media, marks and
    // record line in working_folder; touches no data store.
    ContainerResult BuildStandAlone(const std::string& container_folder,
                                    const std::string& working_folder) const;
    // Changes the container already in working_folder (extracted there from
    // its data store) without touching any store: marks removed_members
    // deleted, puts changed_members (files of working_folder) in as new
    // versions, in that order, and compacts it. The media member goes in in
    // the codec's stored form: a plain wave given for it is encoded for the
    // put and decoded again afterwards, so the working file is left as the
    // caller had it. kFailed, with nothing done, when the container is not
    // in working_folder.
    ContainerResult Update(const std::string& working_folder,
                           const std::vector<std::string>& removed_members,
                           const std::vector<std::string>& changed_members) const;
    // Compacts the container in working_folder and stores it into the store.
    ContainerResult StoreInto(const std::string& working_folder,
                              const std::string& store_path) const;
    // Extracts the container from the data store into working_folder, then
    // the selected members from it; decodes the media for selectors 0 and 1.
    ContainerResult OpenFromStore(const std::string& working_folder, const std::string& store_path,
                                  int selector_code) const;
    // Extracts a translation's texts (B.xr1 and B.xr2) from the container
    // that OpenFromStore left in working_folder. kFailed, with nothing
    // extracted, when the container holds neither; a container with only
    // one of them gives that one.
    ContainerResult ExtractTexts(const std::string& working_folder) const;

    // Opens a stand-alone container that may come from a stranger: up to ten
    // live members with safe names are extracted through a private staging
    // folder, the media, marks and record line are renamed to the base name
    // of container_path's file name, other members keep their names unless
    // that would replace a data store component or one of the three, and the
    // media is decoded. A container with no live member gives kFailed and
    // extracts nothing.
    static ContainerResult OpenStandAlone(filesystem::FileSystem& file_system,
                                          const std::string& container_path,
                                          const std::string& working_folder, MediaKind kind,
                                          MediaCodecOptions codec_options = {});
    // The same on codec's file system.
    static ContainerResult OpenStandAlone(const std::string& container_path,
                                          const std::string& working_folder, MediaKind kind,
                                          const MediaCodec& codec = MediaCodec());

private:
    std::string MemberName(std::string_view extension) const;
    bool EncodeMedia(const std::string& working_folder) const;
    ContainerResult BuildIn(const std::string& container_path, const std::string& working_folder,
                            const std::vector<std::string>& members) const;

    filesystem::FileSystem& file_system() const { return codec_.file_system(); }

    std::string file_name_;
    MediaKind kind_;
    MediaCodec codec_;
};

}  // namespace kivo::recordstore
