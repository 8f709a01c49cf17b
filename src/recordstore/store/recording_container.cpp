// Building, storing and opening recording containers: see
// recording_container.h.
#include "kivo/recordstore/recording_container.h"

#include <algorithm>
#include <optional>

#include "kivo/recordstore/data_store_layout.h"
#include "kivo/recordstore/store_repository.h"
#include "store/store_paths.h"
#include "store/unique_names.h"

namespace kivo::recordstore {
namespace {

std::string_view MediaExtension(MediaKind kind) {
    return kind == MediaKind::kVideo ? kVideoMediaExtension : kAudioMediaExtension;
}

bool EndsWithIgnoringCase(std::string_view name, std::string_view suffix) {
    return name.size() > suffix.size() &&
           SameNameIgnoringCase(name.substr(name.size() - suffix.size()), suffix);
}

// Names in the working folder that an opened container must never replace:
// the open data store's component files ("Voxwren.*", the two sounds).
bool IsStoreComponentName(std::string_view name) {
    constexpr std::string_view kComponentStem = "Voxwren.";
    return (name.size() > kComponentStem.size() &&
            SameNameIgnoringCase(name.substr(0, kComponentStem.size()), kComponentStem)) ||
           SameNameIgnoringCase(name, kGreetingName) || SameNameIgnoringCase(name, kWarningName);
}

// A fresh folder, private to this call, inside working_folder.
std::optional<std::string> MakeStagingFolder(filesystem::FileSystem& file_system,
                                             const std::string& working_folder) {
    std::string path;
    if (!MakeUniqueFolder(file_system, JoinPath(working_folder, ".xrm-"), &path).ok())
        return std::nullopt;
    return path;
}

// Removes the staging folder and the files left in it (members that were
// not placed). It holds files only: the engine extracts no folders.
void RemoveStagingFolder(filesystem::FileSystem& file_system, const std::string& staging) {
    const auto listing = file_system.ListDirectory(staging);
    for (const filesystem::DirectoryEntry& entry : listing.value.entries)
        file_system.Unlink(JoinPath(staging, entry.name));
    file_system.RemoveDirectory(staging);
}

// The live members an opened stand-alone container may give: the first ten
// in directory order, each with a safe name of at most 99 bytes and none
// equal (ignoring case) to an earlier one.
std::vector<std::string> MembersToOpen(const std::vector<MemberInfo>& live) {
    std::vector<std::string> names;
    const std::size_t considered = std::min(live.size(), kMaxOpenedMembers);
    for (std::size_t i = 0; i < considered; ++i) {
        const std::string& name = live[i].name;
        if (name.size() > kMaxOpenedMemberNameBytes || !IsSafeMemberName(name))
            continue;
        bool duplicate = false;
        for (const std::string& earlier : names)
            duplicate = duplicate || SameNameIgnoringCase(earlier, name);
        if (!duplicate)
            names.push_back(name);
    }
    return names;
}

const std::string* FirstEndingWith(const std::vector<std::string>& names,
                                   std::string_view extension) {
    for (const std::string& name : names) {
        if (EndsWithIgnoringCase(name, extension))
            return &name;
    }
    return nullptr;
}

}  // namespace

RecordingContainer::RecordingContainer(filesystem::FileSystem& file_system, std::string file_name,
                                       MediaKind kind, MediaCodecOptions codec_options)
    : file_name_(std::move(file_name)), kind_(kind), codec_(file_system, codec_options) {}

RecordingContainer::RecordingContainer(std::string file_name, MediaKind kind, MediaCodec codec)
    : file_name_(std::move(file_name)), kind_(kind), codec_(codec) {}

std::string RecordingContainer::base_name() const {
    return BaseName(file_name_);
}
std::string RecordingContainer::MemberName(std::string_view extension) const {
    return base_name() + std::string(extension);
}
std::string RecordingContainer::media_name() const {
    return MemberName(MediaExtension(kind_));
}
std::string RecordingContainer::marks_name() const {
    return MemberName(kIndexMarksExtension);
}
std::string RecordingContainer::line_name() const {
    return MemberName(kRecordLineExtension);
}

bool RecordingContainer::EncodeMedia(const std::string& working_folder) const {
    // A media file the codec cannot encode is stored as it is: decoding
    // leaves such a file alone, so nothing is lost.
    codec_.Encode(JoinPath(working_folder, media_name()));
    return true;
}

ContainerResult RecordingContainer::BuildIn(const std::string& container_path,
                                            const std::string& working_folder,
                                            const std::vector<std::string>& members) const {
    if (!IsSafeMemberName(file_name_))
        return ContainerResult::kFailed;
    EncodeMedia(working_folder);
    Repository container(file_system(), container_path);
    if (!container.Put(working_folder, members) || !container.CompressIfNeeded())
        return ContainerResult::kFailed;
    return ContainerResult::kDone;
}

ContainerResult RecordingContainer::SaveIntoStore(const std::string& working_folder,
                                                  const std::string& store_path,
                                                  int extras_code) const {
    std::vector<std::string> members = {media_name(), marks_name(), line_name()};
    switch (extras_code) {
        case static_cast<int>(ContainerExtras::kNone):
            break;
        case static_cast<int>(ContainerExtras::kTranslation):
            members.push_back(MemberName(kOriginalTextExtension));
            members.push_back(MemberName(kTranslatedTextExtension));
            break;
        case static_cast<int>(ContainerExtras::kGifPicture):
            members.push_back(MemberName(kGifPictureExtension));
            break;
        case static_cast<int>(ContainerExtras::kJpgPicture):
            members.push_back(MemberName(kJpgPictureExtension));
            break;
        default:
            return ContainerResult::kBadPictureType;
    }
    const ContainerResult built =
        BuildIn(JoinPath(working_folder, file_name_), working_folder, members);
    if (built != ContainerResult::kDone)
        return built;
    return Repository(file_system(), store_path).Put(working_folder, {file_name_})
               ? ContainerResult::kDone
               : ContainerResult::kFailed;
}

ContainerResult RecordingContainer::BuildStandAlone(const std::string& container_folder,
                                                    const std::string& working_folder) const {
    return BuildIn(JoinPath(container_folder, file_name_), working_folder,
                   {media_name(), marks_name(), line_name()});
}

ContainerResult RecordingContainer::Update(const std::string& working_folder,
                                           const std::vector<std::string>& removed_members,
                                           const std::vector<std::string>& changed_members) const {
    // A container that is not there would be made anew holding only the
    // changed members, and replace the record's recording in its store.
    const std::string container_path = JoinPath(working_folder, file_name_);
    if (!IsSafeMemberName(file_name_) || !PathExists(file_system(), container_path))
        return ContainerResult::kFailed;
    Repository container(file_system(), container_path);
    if (!removed_members.empty() && !container.Delete(removed_members))
        return ContainerResult::kFailed;
    const std::string media_path = JoinPath(working_folder, media_name());
    const bool media_changed = std::find(changed_members.begin(), changed_members.end(),
                                         media_name()) != changed_members.end();
    const bool encoded =
        media_changed && codec_.Encode(media_path).outcome == CodecOutcome::kEncoded;
    const bool put = changed_members.empty() || container.Put(working_folder, changed_members);
    if (encoded && !codec_.Decode(media_path).ok())
        return ContainerResult::kFailed;
    if (!put || !container.CompressIfNeeded())
        return ContainerResult::kFailed;
    return ContainerResult::kDone;
}

ContainerResult RecordingContainer::StoreInto(const std::string& working_folder,
                                              const std::string& store_path) const {
    if (!IsSafeMemberName(file_name_))
        return ContainerResult::kFailed;
    if (!Repository(file_system(), JoinPath(working_folder, file_name_)).CompressIfNeeded())
        return ContainerResult::kFailed;
    return Repository(file_system(), store_path).Put(working_folder, {file_name_})
               ? ContainerResult::kDone
               : ContainerResult::kFailed;
}

ContainerResult RecordingContainer::OpenFromStore(const std::string& working_folder,
                                                  const std::string& store_path,
                                                  int selector_code) const {
    if (!IsSafeMemberName(file_name_))
        return ContainerResult::kFailed;
    if (!Repository(file_system(), store_path).Get(working_folder, {file_name_}))
        return ContainerResult::kFailed;

    std::vector<std::string> members;
    bool decode = false;
    switch (selector_code) {
        case static_cast<int>(MemberSelector::kMedia):
            members = {media_name()};
            decode = true;
            break;
        case static_cast<int>(MemberSelector::kMarks):
            members = {marks_name()};
            break;
        case static_cast<int>(MemberSelector::kLine):
            members = {line_name()};
            break;
        case static_cast<int>(MemberSelector::kLineAndMarks):
            members = {line_name(), marks_name()};
            break;
        case static_cast<int>(MemberSelector::kTranslation):
            members = {media_name(), marks_name(), line_name(), MemberName(kOriginalTextExtension),
                       MemberName(kTranslatedTextExtension)};
            break;
        default:
            members = {media_name(), marks_name(), line_name()};
            decode = selector_code == static_cast<int>(MemberSelector::kDefault);
            break;
    }
    if (!Repository(file_system(), JoinPath(working_folder, file_name_))
             .Get(working_folder, members)) {
        return ContainerResult::kFailed;
    }
    // Media damaged in the container is a failure, not a file the player
    // would choke on.
    if (decode && !codec_.Decode(JoinPath(working_folder, media_name())).ok()) {
        return ContainerResult::kFailed;
    }
    return ContainerResult::kDone;
}

ContainerResult RecordingContainer::ExtractTexts(const std::string& working_folder) const {
    if (!IsSafeMemberName(file_name_))
        return ContainerResult::kFailed;
    Repository container(file_system(), JoinPath(working_folder, file_name_));
    bool any = false;
    for (std::string_view extension : {kOriginalTextExtension, kTranslatedTextExtension}) {
        if (container.Get(working_folder, {MemberName(extension)}))
            any = true;
    }
    return any ? ContainerResult::kDone : ContainerResult::kFailed;
}

ContainerResult RecordingContainer::OpenStandAlone(filesystem::FileSystem& file_system,
                                                   const std::string& container_path,
                                                   const std::string& working_folder,
                                                   MediaKind kind,
                                                   MediaCodecOptions codec_options) {
    return OpenStandAlone(container_path, working_folder, kind,
                          MediaCodec(file_system, codec_options));
}

ContainerResult RecordingContainer::OpenStandAlone(const std::string& container_path,
                                                   const std::string& working_folder,
                                                   MediaKind kind, const MediaCodec& codec) {
    const RecordingContainer own(FileNamePart(container_path), kind, codec);
    if (own.base_name().empty() || !IsSafeMemberName(own.media_name()))
        return ContainerResult::kFailed;

    filesystem::FileSystem& file_system = codec.file_system();
    Repository container(file_system, container_path);
    const std::vector<std::string> names = MembersToOpen(container.LiveMembers());
    // The media, marks and record line take the container's own base name.
    const std::vector<std::pair<const std::string*, std::string>> renamed = {
        {FirstEndingWith(names, MediaExtension(kind)), own.media_name()},
        {FirstEndingWith(names, kIndexMarksExtension), own.marks_name()},
        {FirstEndingWith(names, kRecordLineExtension), own.line_name()},
    };
    if (renamed[0].first == nullptr)
        return ContainerResult::kFailed;  // nothing to play

    const std::optional<std::string> staging = MakeStagingFolder(file_system, working_folder);
    if (!staging)
        return ContainerResult::kFailed;
    bool placed = container.Get(*staging, names);
    for (const std::string& name : names) {
        if (!placed)
            break;
        std::string target;
        for (const auto& [found, expected] : renamed) {
            if (found == &name)
                target = expected;
        }
        if (target.empty()) {
            // Other members keep their names, but never replace a data store
            // component, one of the three above or the container itself.
            bool clashes =
                IsStoreComponentName(name) || SameNameIgnoringCase(name, own.file_name());
            for (const auto& entry : renamed)
                clashes = clashes || SameNameIgnoringCase(name, entry.second);
            if (clashes)
                continue;
            target = name;
        }
        placed =
            file_system.Rename(JoinPath(*staging, name), JoinPath(working_folder, target)).ok();
    }
    RemoveStagingFolder(file_system, *staging);
    if (!placed)
        return ContainerResult::kFailed;
    if (!codec.Decode(JoinPath(working_folder, own.media_name())).ok())
        return ContainerResult::kFailed;
    return ContainerResult::kDone;
}

}  // namespace kivo::recordstore
