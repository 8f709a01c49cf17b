/* Zn2Tapi: the telephony library's flat interface.
 *
 * One status record, TapiStatus, holds the library's whole state; every call
 * except Zn2TapiListDev, Zn2TapiGetCallInfo, Zn2TapiGetCallStatus and
 * Zn2TapiCallerID returns a pointer to it. The host keeps that pointer and
 * reads results, flags, caller identity and error codes from it; it writes
 * the fields marked "host". The record stays owned by the library.
 *
 * Lines are the line devices of the configured providers (the demo line, SIP
 * accounts, the local SIP line); see docs/telephony.md. Call events reach the
 * host as Qt events posted to the notification object given to Zn2TapiOpen:
 * the event's type is the message number below (ZN2TAPI_MSG_*).
 *
 * Host calling order: Zn2TapiInitVar; set deviceId, rings and autoAnswer;
 * Zn2TapiInit; if status is 0, Zn2TapiOpen; react to the posted messages
 * (answer, wave identifiers, resource and paths, play, record, pause, stop,
 * save); Zn2TapiClose at the end. Every call runs on the host's thread; the
 * host's event loop drives the line (Zn2TapiOpen starts a 20 ms pump there).
 */
#ifndef ZN2TAPI_H
#define ZN2TAPI_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZN2TAPI_PATH_CHARS 261
#define ZN2TAPI_CALLER_CHARS 80
#define ZN2TAPI_WAVE_BUFFERS 10

/* Messages posted to the notification object (WM_USER + n). */
#define ZN2TAPI_MSG_RING 1129
#define ZN2TAPI_MSG_NEW_CALL 1130
#define ZN2TAPI_MSG_CONNECTED 1131
#define ZN2TAPI_MSG_BUSY 1132
#define ZN2TAPI_MSG_FAILED 1133
#define ZN2TAPI_MSG_RECORDING 1134
#define ZN2TAPI_MSG_PAUSED 1135
#define ZN2TAPI_MSG_ANSWER_NOW 1144
#define ZN2TAPI_MSG_CALLER_ID 1145
#define ZN2TAPI_MSG_DISCONNECTED 1174
#define ZN2TAPI_MSG_IDLE 1175
#define ZN2TAPI_MSG_DIAL_TONE 1176
#define ZN2TAPI_MSG_DIALLING 1177
#define ZN2TAPI_MSG_PROCEEDING 1178

/* The line callback: device, message, instance and three parameters. */
typedef void (*Zn2TapiLineCallback)(uint32_t device, uint32_t message, uintptr_t instance,
                                    uintptr_t param1, uintptr_t param2, uintptr_t param3);

/* The call-audio recorder embedded in the status record: 10 buffers of
 * 200 ms, PCM mono 8000 samples per second, 16 bits. Take, accumulated and
 * wave files work as in the sound-card recorder: each take goes to the take
 * file, a stopped take is appended to the accumulated file, and saving wraps
 * the accumulated audio into a wave file ("fmt ", "fact", "data"). */
typedef struct TapiWave {
    void* engine; /* the recorder object that drives these fields */
    int32_t currentBuffer;
    int32_t pause;
    int32_t recordAfter;
    int32_t playAfter;
    int32_t stopping;
    int32_t playing;
    int32_t chainEnabled;
    char takePath[ZN2TAPI_PATH_CHARS];
    char wavePath[ZN2TAPI_PATH_CHARS];
    char accumulatedPath[ZN2TAPI_PATH_CHARS];
    int32_t maxLevel;      /* peak level 0..99 of the last completed buffer */
    int32_t silentBuffers; /* completed buffers whose samples were all 0 */
    const void* chainedModule;
    uint32_t chainedResourceId;
    uint32_t chainedPlaybackDevice;
    uint32_t chainedRecordingDevice;
    void* clientSink;
    void* playHeader;
    void* headers[ZN2TAPI_WAVE_BUFFERS];
    uint8_t* buffers[ZN2TAPI_WAVE_BUFFERS];
    uint8_t* samples;
    uint32_t dataSize;
    uint32_t takeBytes;
    void* format;
    uint32_t formatSize;
    uintptr_t waveIn;
    uintptr_t waveOut;
    int32_t stopGuard;
    void* callbackWindow;
    int32_t hasData;
    intptr_t takeFile; /* file descriptor of the take while recording, else -1 */
} TapiWave;

typedef struct TapiStatus {
    int32_t monitoring; /* host */
    int32_t recording;
    int32_t autoAnswer; /* host */
    int32_t lineOpen;
    int32_t callConnected;
    int32_t dialPending;
    int32_t tapiInitialized;
    int32_t devCapsHeld;
    int32_t callStatusHeld;
    int32_t callInfoHeld;
    int32_t lineOpened;
    void* devCaps;
    void* callStatus;
    void* callInfo;
    Zn2TapiLineCallback callback;
    uint32_t lineApp;
    uint32_t line;
    uint32_t call;
    uint32_t deviceId; /* host */
    uint32_t apiVersion;
    uint32_t numDevices;
    uint32_t waveInId;
    uint32_t waveOutId;
    int32_t rings;
    int32_t newMessages; /* host */
    int32_t ringCount;
    int32_t status;
    int32_t incoming;
    int32_t callerIdValid;
    char callerNumber[ZN2TAPI_CALLER_CHARS];
    char callerName[ZN2TAPI_CALLER_CHARS];
    void* notifyWindow;
    TapiWave recorder;
} TapiStatus;

/* The list Zn2TapiListDev fills: one row per suitable line device. */
typedef struct Zn2TapiDeviceList {
    void* context;
    void (*clear)(void* context);
    void (*addRow)(void* context, uint32_t device, const char* name);
} Zn2TapiDeviceList;

TapiStatus* Zn2TapiInitVar(void);
/* The module instance is not needed on this platform; pass 0. */
TapiStatus* Zn2TapiInit(void* moduleInstance);
/* notifyWindow: a QObject* that receives the messages as posted events. */
TapiStatus* Zn2TapiOpen(void* notifyWindow);
int32_t Zn2TapiListDev(const Zn2TapiDeviceList* list);
TapiStatus* Zn2TapiAnswer(void);
TapiStatus* Zn2TapiDial(const char* number);
/* select 1 = line, 4 = call; deviceClass "wave/in" or "wave/out". */
TapiStatus* Zn2TapiGetWaveID(int32_t select, const char* deviceClass);
/* module: a folder path (zero-terminated) holding "<resourceId>.wav". */
TapiStatus* Zn2TapiSetResource(const void* module, uint32_t resourceId);
TapiStatus* Zn2TapiSetRecord(const char* takePath, const char* accumulatedPath,
                             const char* wavePath);
TapiStatus* Zn2TapiPlayFile(const char* wavePath);
TapiStatus* Zn2TapiRecord(void);
TapiStatus* Zn2TapiPause(void);
TapiStatus* Zn2TapiStop(void);
TapiStatus* Zn2TapiSave(void);
TapiStatus* Zn2TapiClose(void);
int32_t Zn2TapiGetCallInfo(int32_t ignored);
int32_t Zn2TapiGetCallStatus(void);
void Zn2TapiCallerID(int32_t ignored);
void Zn2TapiCallBack(uint32_t device, uint32_t message, uintptr_t instance, uintptr_t param1,
                     uintptr_t param2, uintptr_t param3);

#ifdef __cplusplus
}
#endif

#endif /* ZN2TAPI_H */
