// C exports of the media codec (XRMediaEncode, XRMediaDecode): see xrsave.h.
// No exception leaves a C function: an unexpected one is a failure.
#include "kivo/filesystem/posix_file_system.h"
#include "kivo/recordstore/media_codec.h"
#include "xrsave.h"

using kivo::filesystem::DefaultFileSystem;
using kivo::recordstore::MediaCodec;

extern "C" int32_t XRMediaEncode(const char* path) {
    if (path == nullptr)
        return 1;
    try {
        return MediaCodec(DefaultFileSystem()).Encode(path).ok() ? 0 : 1;
    } catch (...) {
        return 1;
    }
}

extern "C" int32_t XRMediaDecode(const char* path) {
    if (path == nullptr)
        return 1;
    try {
        return MediaCodec(DefaultFileSystem()).Decode(path).ok() ? 0 : 1;
    } catch (...) {
        return 1;
    }
}
