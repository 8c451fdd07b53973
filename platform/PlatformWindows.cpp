// Windows side of the platform layer: GetEnvironmentVariableW,
// LoadLibraryExW/GetProcAddress/FreeLibrary and OutputDebugStringA.
#include "platform/Platform.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstring>

namespace platform {

namespace {
// LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS: the
// library's own dependencies are found beside it, never in the current folder.
constexpr DWORD kLoadFromFullPathFlags = 0x100 | 0x1000;
}  // namespace

bool ReadEnvironmentVariable(const NativeChar* name, NativeString& value) {
  // The largest value a variable can hold; on the stack, so a read needs no
  // allocation. A result of 0 is unset or empty; kEnvironmentBufferUnits or
  // more is the size the value would need, so it did not fit.
  wchar_t buffer[kEnvironmentBufferUnits];
  const DWORD length =
      GetEnvironmentVariableW(name, buffer, static_cast<DWORD>(kEnvironmentBufferUnits));
  if (length == 0 || length >= kEnvironmentBufferUnits) return false;
  value.assign(buffer, length);
  return true;
}

LibraryHandle LoadLibraryFromPath(const NativeString& path) {
  return LoadLibraryExW(path.c_str(), nullptr, kLoadFromFullPathFlags);
}

void* FindExport(LibraryHandle library, const char* name) {
  if (!library) return nullptr;
  const FARPROC function = GetProcAddress(static_cast<HMODULE>(library), name);
  // Function and data pointers have the same size on this platform; copy the
  // bits rather than cast between the two kinds of pointer.
  void* address = nullptr;
  static_assert(sizeof address == sizeof function, "pointer sizes differ");
  std::memcpy(&address, &function, sizeof address);
  return address;
}

void FreeLibraryHandle(LibraryHandle library) {
  if (library) FreeLibrary(static_cast<HMODULE>(library));
}

void WriteDebuggerOutput(const char* text) { OutputDebugStringA(text); }

}  // namespace platform
