#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <cstdint>
#include <vector>

#include "testing/portable/TestOs.h"

namespace testos {

namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes,
                      nullptr, nullptr);
  return text;
}

}  // namespace

fs::path NativePath(const std::string& text) { return fs::u8path(text).make_preferred(); }

std::string PathText(const fs::path& path) { return Utf8(fs::path(path).make_preferred().wstring()); }

bool IsLibraryLoaded(const fs::path& file) {
  // Looks the module up by its full path without taking a reference.
  return GetModuleHandleW(fs::path(file).make_preferred().c_str()) != nullptr;
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const std::wstring wideName = Wide(name);
  const DWORD needed = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
  if (needed == 0) {
    // Set but empty also answers 0; only a missing variable fails so.
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::string();
  }
  std::vector<wchar_t> buffer(needed);
  const DWORD length = GetEnvironmentVariableW(wideName.c_str(), buffer.data(), needed);
  return Utf8(std::wstring(buffer.data(), length));
}

void SetEnvironmentValue(const std::string& name, const char* value) {
  const std::wstring wideValue = value ? Wide(value) : std::wstring();
  SetEnvironmentVariableW(Wide(name).c_str(), value ? wideValue.c_str() : nullptr);
}

int ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  const DWORD self = GetCurrentProcessId();
  int count = 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID == self) ++count;
  }
  CloseHandle(snapshot);
  return count;
}

int OpenHandleCount() {
  // Handle values are multiples of 4; the bound is far above what a test
  // process opens.
  int count = 0;
  for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
    DWORD flags = 0;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

unsigned long LowestFreeTlsIndex() {
  const DWORD index = TlsAlloc();
  if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
  return index;
}

HeapUse AllocatedHeapBytes() {
  // Room for far more heaps than a test process has; the list is fetched
  // before the walk so that the walk allocates nothing it then counts.
  std::vector<HANDLE> heaps(256);
  const DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  heaps.resize(count < heaps.size() ? count : heaps.size());
  HeapUse use;
  for (HANDLE heap : heaps) {
    if (!HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heap, &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
        use.bytes += entry.cbData;
        ++use.blocks;
      }
    }
    HeapUnlock(heap);
  }
  return use;
}

fs::path MakeTempFolder(const std::string& prefix) {
  const fs::path base = fs::temp_directory_path();
  // CreateDirectoryW fails on an existing name, so a taken name is skipped.
  for (unsigned attempt = 0; attempt < 1000; ++attempt) {
    const fs::path folder =
        base / fs::u8path(prefix + std::to_string(GetCurrentProcessId()) + "-" +
                          std::to_string(GetTickCount64() % 100000) + "-" + std::to_string(attempt));
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
  }
  return {};
}

}  // namespace testos
