/* zn2xrrps: the repository engine's flat C interface.
 *
 * A repository is one file holding named member files with their attributes,
 * times and versions (docs/formats/repository.md). Every call opens the
 * repository, does its work and closes it again.
 *
 * Contract shared by every RPS_ call:
 *  - The result is null when the call added no message (success), otherwise a
 *    pointer to the process-wide status record. The record, its messages and
 *    its entry list belong to the engine and stay valid until the next call.
 *  - Calls are serialised by a mutex inside the library; two threads never
 *    corrupt each other's results, but a result is only valid until the next
 *    call from any thread.
 *  - Paths are zero-terminated UTF-8. A repository path may name a repository
 *    nested in another: "outer.xrt>>inner.xrz" (read-only operations only).
 *  - Between processes: a call that changes a repository waits up to 3 s
 *    while another writer holds it, and a reading call waits while a change
 *    is being written; then the call fails with "RPS01 Unable to open
 *    repository file (PATH) - The repository is in use by PROGRAM (process
 *    PID)". Each call locks for itself only; a command of several calls that
 *    must not be interleaved with other writers uses the C++ WriterLock
 *    (kivo/repository/writer_lock.h).
 *  - No call throws.
 */
#ifndef KIVO_ZN2XRRPS_H
#define KIVO_ZN2XRRPS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Windows SYSTEMTIME: eight 16-bit words, always UTC. */
typedef struct RPS_SYSTEMTIME {
    uint16_t year;
    uint16_t month;
    uint16_t day_of_week;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    uint16_t milliseconds;
} RPS_SYSTEMTIME;

/* Windows FILETIME: 100-ns intervals since 1601-01-01 UTC. */
typedef struct RPS_FILETIME {
    uint32_t low;
    uint32_t high;
} RPS_FILETIME;

typedef struct RPS_MESSAGE {
    char* text; /* "RPSnn ..." */
    struct RPS_MESSAGE* next;
} RPS_MESSAGE;

/* One node of the entry list filled by RPS_Info and RPS_AllInfo. */
typedef struct RPS_ENTRY_INFO {
    struct RPS_ENTRY_INFO* next;
    char* name;
    uint32_t version;
    RPS_FILETIME created;
    RPS_FILETIME accessed;
    RPS_FILETIME written;
    RPS_SYSTEMTIME stored;
    RPS_SYSTEMTIME deleted_at;
    uint32_t size;
    uint32_t attributes;
    uint32_t deleted;
    char nested; /* '?' not examined, 'Y' a repository, 'N' not one */
} RPS_ENTRY_INFO;

/* Severities of the status record. */
enum {
    RPS_SEVERITY_NONE = 0,
    RPS_SEVERITY_FAILURE = 4,
    RPS_SEVERITY_IO = 8,
    RPS_SEVERITY_DIRECTORY = 12,
    RPS_SEVERITY_HEADER = 16
};

typedef struct RPS_STATUS {
    int32_t message_count; /* -1 once memory for a message ran out */
    RPS_MESSAGE* messages;
    RPS_ENTRY_INFO* entries;
    RPS_SYSTEMTIME repository_time;
    int32_t severity;
    uint64_t total_size;
    uint64_t deleted_size;
} RPS_STATUS;

/* Progress: phase 0 after a block was read, 1 after it was written. */
typedef void (*RPS_CALLBACK)(int32_t phase, uint32_t byte_count, const char* label);

/* Text kinds set by RPS_LoadFile. */
enum {
    RPS_TEXT_CONTROL = 0, /* other control characters occur */
    RPS_TEXT_CRLF = 1,
    RPS_TEXT_LF = 2,
    RPS_TEXT_CR = 3
};

typedef struct RPS_LOAD_REQUEST {
    char name[260];
    void* buffer;
    uint32_t buffer_size; /* must equal the member size */
    int32_t text_kind;    /* set by the call */
} RPS_LOAD_REQUEST;

/* The Windows shell's DLLVERSIONINFO (20 bytes). */
typedef struct RPS_DLLVERSIONINFO {
    uint32_t cbSize;
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformID;
} RPS_DLLVERSIONINFO;

RPS_STATUS* RPS_Get(const char* repository, const char* directory, const char* const* names,
                    int32_t count);
RPS_STATUS* RPS_GetCB(const char* repository, const char* directory, const char* const* names,
                      int32_t count, RPS_CALLBACK callback);
RPS_STATUS* RPS_GetAll(const char* repository, const char* directory);
RPS_STATUS* RPS_GetAllCB(const char* repository, const char* directory, RPS_CALLBACK callback);
RPS_STATUS* RPS_Put(const char* repository, const char* directory, const char* const* names,
                    int32_t count);
RPS_STATUS* RPS_PutCB(const char* repository, const char* directory, const char* const* names,
                      int32_t count, RPS_CALLBACK callback);
RPS_STATUS* RPS_PutAll(const char* repository, const char* directory);
RPS_STATUS* RPS_PutAllCB(const char* repository, const char* directory, RPS_CALLBACK callback);
RPS_STATUS* RPS_Delete(const char* repository, const char* const* names, int32_t count);
RPS_STATUS* RPS_UnDelete(const char* repository, const char* name, uint32_t version);
RPS_STATUS* RPS_UnDeleteCB(const char* repository, const char* name, uint32_t version,
                           RPS_CALLBACK callback);
RPS_STATUS* RPS_Compress(const char* repository);
RPS_STATUS* RPS_CompressCB(const char* repository, RPS_CALLBACK callback);
RPS_STATUS* RPS_CheckIntegrity(const char* repository);
RPS_STATUS* RPS_Info(const char* repository);    /* always returns the record */
RPS_STATUS* RPS_AllInfo(const char* repository); /* always returns the record */
RPS_STATUS* RPS_LoadFile(const char* repository, RPS_LOAD_REQUEST* request);
int32_t DllGetVersion(RPS_DLLVERSIONINFO* info); /* 0, or 160 when cbSize < 20 */

#ifdef __cplusplus
}
#endif

#endif /* KIVO_ZN2XRRPS_H */
