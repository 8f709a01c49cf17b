// The C exports of XRSAVE (xrsave.h): each turns its arguments into a call on
// DataStore, RecordSaver or RecordingContainer over the machine's file system
// and its result into the documented code. No exception leaves a C function:
// an unexpected one (out of memory) becomes the operation's failure code.
#include "xrsave.h"

#include <string>

#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/data_store.h"
#include "kivo/recordstore/record_save.h"
#include "kivo/recordstore/recording_container.h"

using namespace kivo::recordstore;
using kivo::filesystem::DefaultFileSystem;

namespace {

std::string Text(const char* text) {
    return text == nullptr ? std::string() : std::string(text);
}

template <typename Operation>
auto Guarded(decltype(std::declval<Operation>()()) failure, Operation operation) {
    try {
        return operation();
    } catch (...) {
        return failure;
    }
}

int64_t SaveRecord(RecordLogKind log, MediaKind media_kind, const char* media,
                   const char* record_line, const char* index_marks,
                   std::vector<std::string> extras, const char* working_folder,
                   const char* store_path, const char* stamp, int32_t append_only) {
    RecordSaveRequest request;
    request.log = log;
    request.media_kind = media_kind;
    request.media = Text(media);
    request.record_line = Text(record_line);
    request.index_marks = Text(index_marks);
    request.extras = std::move(extras);
    request.working_folder = Text(working_folder);
    request.store_path = Text(store_path);
    request.stamp = Text(stamp);
    request.append_only = append_only != 0;
    return static_cast<int64_t>(RecordSaver(DefaultFileSystem()).Save(request).line_offset);
}

}  // namespace

extern "C" {

int32_t XRfilebuild(const char* store_folder, const char* store_name, const char* working_folder) {
    return Guarded(XR_BUILD_STORE_FAILED, [&] {
        const NewDataStore request{Text(store_folder), Text(store_name), Text(working_folder),
                                   DataStore::ProgramResourceFolder(DefaultFileSystem())};
        return static_cast<int32_t>(DataStore::Build(DefaultFileSystem(), request));
    });
}

int32_t CheckForFile(const char* repository, const char* member) {
    return Guarded(XR_MEMBER_FAILED, [&] {
        return static_cast<int32_t>(
            DataStore(DefaultFileSystem(), Text(repository)).FindMember(Text(member)));
    });
}

int64_t CheckFileSize(const char* repository, const char* member) {
    return Guarded(int64_t{-1}, [&] {
        const auto size = DataStore(DefaultFileSystem(), Text(repository)).MemberSize(Text(member));
        return size ? static_cast<int64_t>(*size) : int64_t{-1};
    });
}

int32_t DelFile(const char* repository, const char* member) {
    return Guarded(XR_MEMBER_FAILED, [&] {
        return DataStore(DefaultFileSystem(), Text(repository)).DeleteMember(Text(member))
                   ? int32_t{XR_OK}
                   : int32_t{XR_MEMBER_FAILED};
    });
}

int32_t ExtractFile(const char* repository, const char* target_folder, const char* member) {
    return Guarded(XR_MEMBER_FAILED, [&] {
        return DataStore(DefaultFileSystem(), Text(repository))
                       .ExtractMember(Text(member), Text(target_folder))
                   ? int32_t{XR_OK}
                   : int32_t{XR_MEMBER_FAILED};
    });
}

#define XR_SAVE_WITH_EXTRA(function, log, media_kind)                                          \
    int64_t function(const char* media, const char* record_line, const char* index_marks,      \
                     const char* extra, const char* working_folder, const char* store_path,    \
                     const char* stamp, int32_t append_only) {                                 \
        return Guarded(int64_t{0}, [&] {                                                       \
            return SaveRecord(log, media_kind, media, record_line, index_marks, {Text(extra)}, \
                              working_folder, store_path, stamp, append_only);                 \
        });                                                                                    \
    }

XR_SAVE_WITH_EXTRA(XRsaveR, RecordLogKind::kMessages, MediaKind::kAudio)
XR_SAVE_WITH_EXTRA(XRsaveM, RecordLogKind::kMeetings, MediaKind::kAudio)
XR_SAVE_WITH_EXTRA(XRsaveP, RecordLogKind::kPhoneCalls, MediaKind::kAudio)
XR_SAVE_WITH_EXTRA(XRsaveD, RecordLogKind::kDiary, MediaKind::kAudio)
XR_SAVE_WITH_EXTRA(XRsaveV, RecordLogKind::kMessages, MediaKind::kVideo)
#undef XR_SAVE_WITH_EXTRA

int64_t XRsaveT(const char* media, const char* record_line, const char* index_marks,
                const char* original_text, const char* translated_text, const char* working_folder,
                const char* store_path, const char* stamp, int32_t append_only) {
    return Guarded(int64_t{0}, [&] {
        // Both texts are always stored, also when one is empty (0 bytes);
        // a missing name makes the save fail rather than store fewer.
        const std::string original = Text(original_text);
        const std::string translated = Text(translated_text);
        if (original.empty() || translated.empty())
            return int64_t{0};
        return SaveRecord(RecordLogKind::kMessages, MediaKind::kAudio, media, record_line,
                          index_marks, {original, translated}, working_folder, store_path, stamp,
                          append_only);
    });
}

int32_t XRsaveXRZ(const char* container_name, const char* working_folder, const char* store_path,
                  int32_t picture_type) {
    return Guarded(int32_t{XR_CONTAINER_FAILED}, [&] {
        return static_cast<int32_t>(
            RecordingContainer(DefaultFileSystem(), Text(container_name), MediaKind::kAudio)
                .SaveIntoStore(Text(working_folder), Text(store_path), picture_type));
    });
}

int32_t XRsaveXRV(const char* container_name, const char* working_folder, const char* store_path) {
    return Guarded(int32_t{XR_CONTAINER_FAILED}, [&] {
        return static_cast<int32_t>(
            RecordingContainer(DefaultFileSystem(), Text(container_name), MediaKind::kVideo)
                .SaveIntoStore(Text(working_folder), Text(store_path),
                               static_cast<int>(ContainerExtras::kNone)));
    });
}

int32_t XRsaveXRZX(const char* container_name, const char* container_folder,
                   const char* working_folder) {
    return Guarded(int32_t{XR_CONTAINER_FAILED}, [&] {
        return static_cast<int32_t>(
            RecordingContainer(DefaultFileSystem(), Text(container_name), MediaKind::kAudio)
                .BuildStandAlone(Text(container_folder), Text(working_folder)));
    });
}

int32_t XRStoreXRZ(const char* container_name, const char* working_folder, const char* store_path) {
    return Guarded(int32_t{XR_CONTAINER_FAILED}, [&] {
        return static_cast<int32_t>(
            RecordingContainer(DefaultFileSystem(), Text(container_name), MediaKind::kAudio)
                .StoreInto(Text(working_folder), Text(store_path)));
    });
}

int32_t XRopenXRZ(const char* container_name, const char* working_folder, const char* store_path,
                  int32_t selector) {
    return Guarded(int32_t{XR_CONTAINER_FAILED}, [&] {
        return static_cast<int32_t>(
            RecordingContainer(DefaultFileSystem(), Text(container_name), MediaKind::kAudio)
                .OpenFromStore(Text(working_folder), Text(store_path), selector));
    });
}

int32_t XRopenXRV(const char* container_name, const char* working_folder, const char* store_path,
                  int32_t selector) {
    return Guarded(int32_t{XR_CONTAINER_FAILED}, [&] {
        return static_cast<int32_t>(
            RecordingContainer(DefaultFileSystem(), Text(container_name), MediaKind::kVideo)
                .OpenFromStore(Text(working_folder), Text(store_path), selector));
    });
}

int32_t XRMopenXRZ(const char* container_path, const char* working_folder) {
    return Guarded(int32_t{XR_CONTAINER_FAILED}, [&] {
        return static_cast<int32_t>(RecordingContainer::OpenStandAlone(
            DefaultFileSystem(), Text(container_path), Text(working_folder), MediaKind::kAudio));
    });
}

int32_t XRMopenXRV(const char* container_path, const char* working_folder) {
    return Guarded(int32_t{XR_CONTAINER_FAILED}, [&] {
        return static_cast<int32_t>(RecordingContainer::OpenStandAlone(
            DefaultFileSystem(), Text(container_path), Text(working_folder), MediaKind::kVideo));
    });
}

}  // extern "C"
