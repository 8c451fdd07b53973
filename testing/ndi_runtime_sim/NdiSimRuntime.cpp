// The simulated NDI runtime library. It holds no state of its own: every
// slot the receiver uses leads into the state library beside it, every other
// slot records that it was called, and loading and unloading are reported
// there too, so a test can see this library come and go.
#include <cstring>
#include <utility>

#include "testing/ndi_runtime_sim/NdiSimRuntimeCalls.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// Comfortably past the last slot the receiver uses.
constexpr std::size_t kSlotCount = 128;

// Filled once when the library loads, read-only afterwards.
alignas(8) unsigned char gTable[kSlotCount * sizeof(void*)];

template <std::size_t Index>
void* UnusedSlot() {
  NdiSimRt_BadSlot(Index * sizeof(void*));
  return nullptr;
}

template <typename Function>
void PutSlot(std::size_t byteOffset, Function function) {
  std::memcpy(gTable + byteOffset, &function, sizeof function);
}

template <std::size_t... Index>
void FillWithUnusedSlots(std::index_sequence<Index...>) {
  (PutSlot(Index * sizeof(void*), &UnusedSlot<Index>), ...);
}

template <typename Slot>
void SetSlot(typename Slot::Function function) {
  PutSlot(Slot::kOffset, function);
}

void BuildTable() {
  FillWithUnusedSlots(std::make_index_sequence<kSlotCount>());
  SetSlot<NdiIsReadySlot>(&NdiSimRt_IsReady);
  SetSlot<NdiFindCreateSlot>(&NdiSimRt_FindCreate);
  SetSlot<NdiFindDestroySlot>(&NdiSimRt_FindDestroy);
  SetSlot<NdiRecvDestroySlot>(&NdiSimRt_RecvDestroy);
  SetSlot<NdiFindGetCurrentSourcesSlot>(&NdiSimRt_FindGetCurrentSources);
  SetSlot<NdiRecvFreeVideoSlot>(&NdiSimRt_RecvFreeVideo);
  SetSlot<NdiRecvCaptureSlot>(&NdiSimRt_RecvCapture);
  SetSlot<NdiRecvCreateSlot>(&NdiSimRt_RecvCreate);
  SetSlot<NdiRecvConnectSlot>(&NdiSimRt_RecvConnect);
}

// The path this copy of the library was loaded from.
void ReportLoaded() {
#ifdef _WIN32
  HMODULE self = nullptr;
  char path[MAX_PATH] = {};
  if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCSTR>(gTable), &self)) {
    GetModuleFileNameA(self, path, MAX_PATH);
  }
  NdiSimRt_LibraryLoaded(path);
#else
  Dl_info info{};
  NdiSimRt_LibraryLoaded(dladdr(gTable, &info) && info.dli_fname ? info.dli_fname : "");
#endif
}

__attribute__((constructor)) void OnLoad() {
  BuildTable();
  ReportLoaded();
}

__attribute__((destructor)) void OnUnload() { NdiSimRt_LibraryUnloaded(); }

}  // namespace

#ifdef NDISIM_WITH_UNRESOLVED_IMPORT
// Defined by no library: with immediate binding the library cannot load; with
// lazy binding it loads and the process dies at the first call below.
extern "C" __attribute__((visibility("default"))) void NdiSim_ImportNoLibraryDefines();
#endif

#ifndef NDISIM_WITHOUT_LOAD_EXPORT
extern "C" NDISIM_EXPORT const NdiFunctionTable* NDIlib_v5_load() {
#ifdef NDISIM_WITH_UNRESOLVED_IMPORT
  NdiSim_ImportNoLibraryDefines();
#endif
  return NdiSimRt_LoadExportCalled() ? reinterpret_cast<const NdiFunctionTable*>(gTable)
                                     : nullptr;
}
#endif
