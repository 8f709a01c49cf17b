/* XRSAVE: the record store library's flat C interface.
 *
 * A data store (".xrt") is a repository holding one user's records: four
 * record logs of 401-byte record lines, the record index, the greeting and
 * warning sounds, the phone book, templates, the agenda, and one recording
 * container per record. A recording container ("D" + stamp + ".xrz", or
 * ".xrv" for video) is itself a repository holding the record's media, its
 * record line (".xrl") and its index marks (".xrs"), plus optional texts or
 * a picture. See docs/formats/data-store.md and recording-container.md.
 *
 * Contract shared by every call:
 *  - Paths and names are zero-terminated UTF-8. A "folder" argument may end
 *    with '/' or not. Member and container names are plain file names with
 *    no folder part.
 *  - Every call opens and closes what it needs; the library keeps no state
 *    between calls. Repository access goes through the zn2xrrps engine, one
 *    call at a time per process.
 *  - Results are the only report (the engine's messages are not passed on).
 *  - Media is kept in the media codec's stored form inside containers:
 *    the save operations encode the media file in place before storing it,
 *    the open operations decode it in place after extracting it
 *    (docs/formats/media-codec.md).
 *  - No call throws.
 */
#ifndef KIVO_XRSAVE_H
#define KIVO_XRSAVE_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
enum {
    XR_OK = 0,
    XR_NOT_FOUND = 1,             /* CheckForFile: no live member of that name */
    XR_MEMBER_FAILED = 99,        /* member operations; CheckForFile: nothing live */
    XR_BUILD_CREATE_FAILED = 101, /* XRfilebuild: a component file cannot be made */
    XR_BUILD_STORE_FAILED = 102,  /* XRfilebuild: storing into the new store failed */
    XR_CONTAINER_FAILED = 108,    /* containers: a repository operation failed */
    XR_BAD_PICTURE_TYPE = -1      /* XRsaveXRZ: picture type outside 0..3 */
};

/* Picture types of XRsaveXRZ. */
enum {
    XR_PICTURE_NONE = 0,        /* media, marks, record line */
    XR_PICTURE_TRANSLATION = 1, /* ... plus ".xr1" and ".xr2" texts */
    XR_PICTURE_GIF = 2,         /* ... plus B + ".GIF" */
    XR_PICTURE_JPG = 3          /* ... plus B + ".JPG" */
};

/* Member selectors of XRopenXRZ and XRopenXRV. */
enum {
    XR_OPEN_DEFAULT = 0,     /* media (decoded), marks, record line */
    XR_OPEN_MEDIA = 1,       /* media (decoded) */
    XR_OPEN_MARKS = 2,       /* index marks */
    XR_OPEN_LINE = 3,        /* record line */
    XR_OPEN_LINE_MARKS = 4,  /* record line, index marks */
    XR_OPEN_TRANSLATION = 5, /* media (not decoded), marks, line, ".xr1", ".xr2" */
    XR_OPEN_UNDECODED = 6    /* any value above 5: as 0, media left undecoded */
};

/* ---- Data store and members ------------------------------------------ */

/* Builds a new data store store_folder/store_name.xrt with its ten
 * component files, made in working_folder and removed from it afterwards.
 * The greeting and warning sounds are copied from "00001.wav" and
 * "00002.wav" of the program's resource folder (share/kivo beside the
 * program's bin/ folder, or else the program's own folder).
 * Returns 0; 101 a component file cannot be created; 102 storing failed
 * (also when a sound file is missing: the other members are stored), or a
 * file already exists at the data store path (it is left untouched). */
int32_t XRfilebuild(const char* store_folder, const char* store_name, const char* working_folder);

/* 0 the repository has a live member of exactly that name (byte for byte);
 * 1 it has none; 99 it has no live member at all or cannot be read. */
int32_t CheckForFile(const char* repository, const char* member);

/* Size in bytes of the live member; -1 when there is none. */
int64_t CheckFileSize(const char* repository, const char* member);

/* 0 the live member was marked deleted; 99 on any failure. */
int32_t DelFile(const char* repository, const char* member);

/* 0 the live member was extracted into target_folder; 99 on any failure. */
int32_t ExtractFile(const char* repository, const char* target_folder, const char* member);

/* ---- Saving a new record ---------------------------------------------- */
/* Arguments: the media file, the record-line file (".xrl", 401 bytes) and
 * the index-mark file (".xrs"), all names in working_folder; an extra file
 * (a picture) or "" for none; the working folder; the data store path; the
 * stamp (container = "D" + stamp + ".xrz", ".xrv" for XRsaveV); and the
 * append-only flag (non-zero: stop after appending to the record log).
 *
 * The media file is encoded in place, the container is built in the working
 * folder, the record line is appended to the kind's record log in the
 * working folder, then container, record log and "Voxwren.xri" are stored
 * into the data store.
 * Result: the byte offset of the appended record line in its record log
 * (a positive multiple of 401); 0 on any failure. */
int64_t XRsaveR(const char* media, const char* record_line, const char* index_marks,
                const char* extra, const char* working_folder, const char* store_path,
                const char* stamp, int32_t append_only); /* "Voxwren.xrr" */
int64_t XRsaveM(const char* media, const char* record_line, const char* index_marks,
                const char* extra, const char* working_folder, const char* store_path,
                const char* stamp, int32_t append_only); /* "Voxwren.xrm" */
int64_t XRsaveP(const char* media, const char* record_line, const char* index_marks,
                const char* extra, const char* working_folder, const char* store_path,
                const char* stamp, int32_t append_only); /* "Voxwren.xrp" */
int64_t XRsaveD(const char* media, const char* record_line, const char* index_marks,
                const char* extra, const char* working_folder, const char* store_path,
                const char* stamp, int32_t append_only); /* "Voxwren.xrd" */
/* Translation: always five members (original ".xr1", translated ".xr2",
 * stored also when empty); an empty name for either text gives 0. */
int64_t XRsaveT(const char* media, const char* record_line, const char* index_marks,
                const char* original_text, const char* translated_text, const char* working_folder,
                const char* store_path, const char* stamp, int32_t append_only); /* "Voxwren.xrr" */
/* Video: the media is the ".wmv" file; container ".xrv". */
int64_t XRsaveV(const char* media, const char* record_line, const char* index_marks,
                const char* extra, const char* working_folder, const char* store_path,
                const char* stamp, int32_t append_only); /* "Voxwren.xrr" */

/* ---- Recording containers --------------------------------------------- */
/* B is the container name up to its last '.'; members are B + ".xrw" (or
 * ".wmv"), B + ".xrs", B + ".xrl", then the texts or picture. */

/* Builds container_name in working_folder from B's files there (picture
 * type as XR_PICTURE_*) and stores it into the data store.
 * 0; 108 a repository operation failed; -1 bad picture type (nothing done). */
int32_t XRsaveXRZ(const char* container_name, const char* working_folder, const char* store_path,
                  int32_t picture_type);
/* The same for a video container (B + ".wmv", marks, line, no picture). */
int32_t XRsaveXRV(const char* container_name, const char* working_folder, const char* store_path);
/* Builds a stand-alone container in container_folder from B's media, marks
 * and record line in working_folder; touches no data store. 0 or 108. */
int32_t XRsaveXRZX(const char* container_name, const char* container_folder,
                   const char* working_folder);
/* Compacts working_folder/container_name and stores it into the data
 * store. 0 or 108. */
int32_t XRStoreXRZ(const char* container_name, const char* working_folder, const char* store_path);

/* Extracts the container from the data store into working_folder, then the
 * members chosen by selector (XR_OPEN_*) from it; the media is decoded for
 * selectors 0 and 1. The container file stays in working_folder (callers
 * delete it). 0; 108 a repository operation failed or the media is damaged. */
int32_t XRopenXRZ(const char* container_name, const char* working_folder, const char* store_path,
                  int32_t selector);
int32_t XRopenXRV(const char* container_name, const char* working_folder, const char* store_path,
                  int32_t selector);

/* Opens a stand-alone container file (for instance one received by e-mail)
 * whose member names may carry another base name: at most ten live members
 * with safe names are extracted into working_folder, and the media, marks
 * and record line are renamed to B + ".xrw" (".wmv"), ".xrs" and ".xrl",
 * B taken from container_path's file name; the media is decoded. Nothing is
 * written outside working_folder, and no data store component file there is
 * replaced. 0; 108 the file cannot be read, holds no live media member,
 * an extraction failed or the media is damaged. */
int32_t XRMopenXRZ(const char* container_path, const char* working_folder);
int32_t XRMopenXRV(const char* container_path, const char* working_folder);

/* ---- Media codec ------------------------------------------------------- */
/* Encodes a PCM wave file in place into the stored form (lossless FLAC
 * carrying the wave's own header bytes); any other file is left as it is.
 * 0 success (encoded or left as it is); non-zero the file could not be read
 * or written (the file is then unchanged). */
int32_t XRMediaEncode(const char* path);
/* Decodes a stored-form file in place back into the identical wave file;
 * any other file (a plain wave, a video) is left as it is. 0 success;
 * non-zero a damaged stored form or an I/O failure (file unchanged). */
int32_t XRMediaDecode(const char* path);

#ifdef __cplusplus
}
#endif

#endif /* KIVO_XRSAVE_H */
