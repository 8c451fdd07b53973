// Finds and loads the NDI runtime library and fetches its function table.
#pragma once

#include "platform/Platform.h"
#include "preview/NdiRecords.h"

// The loaded runtime: the library and its function table. The runtime is
// usable exactly when `table` is non-null; a loaded `module` with a null
// `table` (export missing, null table, not ready) is kept loaded until this
// object ends, which frees it. The table belongs to the runtime. Owned by the
// worker loop as a local, so the library goes on every way out of the loop.
struct NdiRuntime {
  platform::LibraryHandle module = nullptr;
  const NdiFunctionTable* table = nullptr;

  NdiRuntime() = default;
  NdiRuntime(NdiRuntime&& other) noexcept;
  NdiRuntime(const NdiRuntime&) = delete;
  NdiRuntime& operator=(const NdiRuntime&) = delete;
  NdiRuntime& operator=(NdiRuntime&&) = delete;
  ~NdiRuntime();
};

// Loads the runtime from, in order, the folder named by NDI_RUNTIME_DIR_V6,
// the one named by NDI_RUNTIME_DIR_V5, and the version-6 folder under
// ProgramFiles; then calls the load export and the readiness check. Reports
// nothing itself: failures show as a null `module` or a null `table`.
NdiRuntime LoadNdiRuntime();
