#include "preview/NdiRuntime.h"

namespace {

#ifdef _WIN32
constexpr const platform::NativeChar* kRuntimeInFolder = L"\\Processing.NDI.Lib.x64.dll";
constexpr const platform::NativeChar* kRuntimeUnderProgramFiles =
    L"\\NDI\\NDI 6 Runtime\\v6\\Processing.NDI.Lib.x64.dll";
#else
constexpr const platform::NativeChar* kRuntimeInFolder = "/libndi.so.6";
constexpr const platform::NativeChar* kRuntimeUnderProgramFiles =
    "/NDI/NDI 6 Runtime/v6/libndi.so.6";
#endif

using NdiLoadFunction = const NdiFunctionTable* (*)();

// Loads `suffix` appended to the variable's value, exactly as read: no
// trimming and no separator check. Null when the variable is unusable or
// nothing loads from the path.
platform::LibraryHandle LoadBelowVariable(const platform::NativeChar* variable,
                                          const platform::NativeChar* suffix) {
  platform::NativeString path;
  if (!platform::ReadEnvironmentVariable(variable, path)) return nullptr;
  path += suffix;
  return platform::LoadLibraryFromPath(path);
}

}  // namespace

NdiRuntime::NdiRuntime(NdiRuntime&& other) noexcept : module(other.module), table(other.table) {
  other.module = nullptr;
  other.table = nullptr;
}

NdiRuntime::~NdiRuntime() { platform::FreeLibraryHandle(module); }

NdiRuntime LoadNdiRuntime() {
  NdiRuntime runtime;
  for (const platform::NativeChar* variable :
       {PLATFORM_TEXT("NDI_RUNTIME_DIR_V6"), PLATFORM_TEXT("NDI_RUNTIME_DIR_V5")}) {
    runtime.module = LoadBelowVariable(variable, kRuntimeInFolder);
    if (runtime.module) break;
  }
  if (!runtime.module) {
    runtime.module = LoadBelowVariable(PLATFORM_TEXT("ProgramFiles"), kRuntimeUnderProgramFiles);
  }
  if (!runtime.module) return runtime;

  // From here on the module stays loaded whatever the outcome.
  if (void* entry = platform::FindExport(runtime.module, "NDIlib_v5_load")) {
    NdiLoadFunction load;
    std::memcpy(&load, &entry, sizeof load);
    runtime.table = load();
  }
  if (runtime.table && !GetNdiSlot<NdiIsReadySlot>(runtime.table)()) runtime.table = nullptr;
  return runtime;
}
