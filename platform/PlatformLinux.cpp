// Linux side of the platform layer: getenv, dlopen/dlsym/dlclose. There is
// no debugger output channel here, so WriteDebuggerOutput does nothing.
#include "platform/Platform.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>

namespace platform {

bool ReadEnvironmentVariable(const NativeChar* name, NativeString& value) {
  const char* raw = std::getenv(name);
  if (!raw) return false;
  // Same limits as the Windows side: empty or too long counts as unset.
  const std::size_t length = strnlen(raw, kEnvironmentBufferUnits);
  if (length == 0 || length >= kEnvironmentBufferUnits) return false;
  value.assign(raw, length);
  return true;
}

LibraryHandle LoadLibraryFromPath(const NativeString& path) {
  // A full path: dlopen does no search of its own, and the library's
  // dependencies come from its RUNPATH (for example $ORIGIN).
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* FindExport(LibraryHandle library, const char* name) {
  return library ? dlsym(library, name) : nullptr;
}

void FreeLibraryHandle(LibraryHandle library) {
  if (library) dlclose(library);
}

void WriteDebuggerOutput(const char*) {}

}  // namespace platform
