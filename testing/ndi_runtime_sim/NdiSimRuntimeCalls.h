// What the simulated runtime library calls in its state library: the table's
// functions and the load bookkeeping. Not for tests; see NdiSimControl.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "preview/NdiRecords.h"
#include "testing/ndi_runtime_sim/NdiSimExport.h"

extern "C" {

NDISIM_STATE_API void NdiSimRt_LibraryLoaded(const char* path);
NDISIM_STATE_API void NdiSimRt_LibraryUnloaded(void);
// True when the load export is to return its table.
NDISIM_STATE_API bool NdiSimRt_LoadExportCalled(void);
NDISIM_STATE_API void NdiSimRt_BadSlot(std::size_t byteOffset);

NDISIM_STATE_API bool NdiSimRt_IsReady(void);
NDISIM_STATE_API void* NdiSimRt_FindCreate(const void* settings);
NDISIM_STATE_API void NdiSimRt_FindDestroy(void* finder);
NDISIM_STATE_API void NdiSimRt_RecvDestroy(void* receiver);
NDISIM_STATE_API const NdiSourceRecord* NdiSimRt_FindGetCurrentSources(void* finder,
                                                                       std::uint32_t* count);
NDISIM_STATE_API void NdiSimRt_RecvFreeVideo(void* receiver, NdiVideoFrameRecord* video);
NDISIM_STATE_API std::int32_t NdiSimRt_RecvCapture(void* receiver, NdiVideoFrameRecord* video,
                                                   void* audio, void* metadata,
                                                   std::uint32_t timeoutMs);
NDISIM_STATE_API void* NdiSimRt_RecvCreate(const NdiReceiverSettings* settings);
NDISIM_STATE_API void NdiSimRt_RecvConnect(void* receiver, const NdiSourceRecord* source);

}  // extern "C"
