// Control and read-back API of the simulated NDI runtime, for tests and the
// demo. The simulated runtime library (built under the platform's runtime
// file name in its own folder) keeps all of its state in a companion library
// beside it, which test programs link directly; so a test can script what the
// runtime answers and read back what a receiver's worker did, while the
// worker loads and unloads the runtime library itself.
//
// Strings handed out stay valid until NdiSim_Reset. Every call is
// thread-safe. Call NdiSim_Reset only while no worker uses the runtime.
#pragma once

#include <cstddef>
#include <cstdint>

#include "preview/NdiRecords.h"
#include "testing/ndi_runtime_sim/NdiSimExport.h"

// The source the demo pattern plays as, when enabled.
#define NDISIM_DEMO_SOURCE_NAME "KESTRIN - Viewport (Demo)"

extern "C" {

// --- Scripting --------------------------------------------------------------

// One discovered source; either text may be null.
struct NdiSimSource {
  const char* name;
  const char* url;
};

// One video frame a capture will return. `data` null gives a record with a
// null data pointer; otherwise `dataSize` bytes are copied and the record
// points at the copy until it is handed back.
struct NdiSimFrame {
  std::int32_t width;
  std::int32_t height;
  std::uint32_t fourCC;
  std::int32_t lineStride;
  float aspect;
  const std::uint8_t* data;
  std::size_t dataSize;
};

// Back to a fresh runtime: no sources, nothing queued, ready, every counter
// and log empty, captures not blocked and waiting out their timeout, demo off.
NDISIM_STATE_API void NdiSim_Reset(void);
// Replaces the source list the finders report (copied).
NDISIM_STATE_API void NdiSim_SetSources(const NdiSimSource* sources, int count);
// Queues a capture that returns 1 with this frame filled in.
NDISIM_STATE_API void NdiSim_QueueVideo(const NdiSimFrame* frame);
// Queues a capture that returns 1 with this frame filled in, pointing at
// `frame->data` itself rather than a copy (as a runtime hands out its own
// buffer): the caller keeps the bytes unchanged until the record is handed
// back. For measuring the receiver without the copy made here.
NDISIM_STATE_API void NdiSim_QueueLentVideo(const NdiSimFrame* frame);
// Queues a capture that returns `frameType` and fills nothing in.
NDISIM_STATE_API void NdiSim_QueueResult(std::int32_t frameType);
// With nothing queued a capture waits for its timeout and returns 0. While
// enabled, it returns `frameType` at once instead, over and over, with
// `frame` filled in when it is not null (lent, as by NdiSim_QueueLentVideo:
// the caller keeps the bytes until every record is handed back).
NDISIM_STATE_API void NdiSim_SetAnswerAtOnce(int enabled, std::int32_t frameType,
                                             const NdiSimFrame* frame);

// While enabled, the source-list query answers a null array with `count`.
NDISIM_STATE_API void NdiSim_SetNullSourceList(int enabled, std::uint32_t count);
// The readiness check's answer (1 by default).
NDISIM_STATE_API void NdiSim_SetReady(int ready);
// Makes the load export return a null table.
NDISIM_STATE_API void NdiSim_SetLoadReturnsNull(int returnsNull);
// Makes finder or receiver creation return null.
NDISIM_STATE_API void NdiSim_SetFinderCreateFails(int fails);
NDISIM_STATE_API void NdiSim_SetReceiverCreateFails(int fails);
// While blocked, every capture waits inside the runtime, whatever its
// timeout, until unblocked (or NdiSim_Reset).
NDISIM_STATE_API void NdiSim_BlockCaptures(int block);
// How many captures are waiting at the block right now.
NDISIM_STATE_API int NdiSim_BlockedCaptures(void);
// The same for the readiness check, the first call a loaded runtime gets.
NDISIM_STATE_API void NdiSim_BlockReadyCheck(int block);
NDISIM_STATE_API int NdiSim_BlockedReadyChecks(void);
// Lists NDISIM_DEMO_SOURCE_NAME after the scripted sources; a receiver
// connected to it gets a moving 640 x 360 BGRA test picture at 30 frames
// per second whenever nothing is queued.
NDISIM_STATE_API void NdiSim_SetDemoSource(int enabled);

// --- Read-back ----------------------------------------------------------------

// Times the runtime library was loaded and unloaded, and the path it was
// last loaded from (empty before the first load).
NDISIM_STATE_API int NdiSim_LoadCount(void);
NDISIM_STATE_API int NdiSim_UnloadCount(void);
NDISIM_STATE_API const char* NdiSim_LastLoadedPath(void);
// Calls of the load export and of the readiness check.
NDISIM_STATE_API int NdiSim_LoadExportCalls(void);
NDISIM_STATE_API int NdiSim_ReadyCalls(void);

// Every call of the runtime in order, as short texts: "load", "ready",
// "find_create", "recv_create", "connect", "free_video", "recv_destroy",
// "find_destroy", "unload" (captures and source-list queries are counted
// below instead).
NDISIM_STATE_API int NdiSim_EventCount(void);
NDISIM_STATE_API const char* NdiSim_Event(int index);

// Anything the runtime would not accept: a slot outside the used ones, an
// unknown or destroyed handle, a record handed back twice or never handed
// out, a non-null finder settings pointer, audio or metadata record.
NDISIM_STATE_API int NdiSim_MisuseCount(void);
NDISIM_STATE_API const char* NdiSim_Misuse(int index);
// Byte offsets of the unused slots that were called, in order.
NDISIM_STATE_API int NdiSim_BadSlotCount(void);
NDISIM_STATE_API int NdiSim_BadSlotOffset(int index);

NDISIM_STATE_API int NdiSim_LiveFinders(void);
NDISIM_STATE_API int NdiSim_LiveReceivers(void);
NDISIM_STATE_API int NdiSim_SourceListCalls(void);

// A receiver creation: the settings as passed, with the name copied.
struct NdiSimReceiverCreation {
  NdiReceiverSettings settings;  // settings.name points at `name`
  const char* name;              // null when the settings named none
};
NDISIM_STATE_API int NdiSim_ReceiverCreationCount(void);
NDISIM_STATE_API NdiSimReceiverCreation NdiSim_ReceiverCreation(int index);

// A connect call: `sourceIndex` is the record's position in the source
// array the finder last reported (-1 for a null record, -2 for a pointer
// outside that array); the texts are copies (null when the record's were).
struct NdiSimConnect {
  int sourceIndex;
  const char* name;
  const char* url;
};
NDISIM_STATE_API int NdiSim_ConnectCount(void);
NDISIM_STATE_API NdiSimConnect NdiSim_Connect(int index);

// A capture call: the record as the caller had written it, the other
// arguments, and what the capture returned (the first 4096 are kept).
struct NdiSimCapture {
  NdiVideoFrameRecord before;
  int audioIsNull;
  int metadataIsNull;
  std::uint32_t timeoutMs;
  std::int32_t result;
  // How long the answer had been queued when this capture took it; -1 when
  // the answer was not a queued one.
  std::int64_t queuedNs;
};
NDISIM_STATE_API int NdiSim_CaptureCount(void);
NDISIM_STATE_API NdiSimCapture NdiSim_Capture(int index);

// Video records handed out by captures, and handed back.
NDISIM_STATE_API int NdiSim_VideoHandedOut(void);
NDISIM_STATE_API int NdiSim_VideoHandedBack(void);

}  // extern "C"
