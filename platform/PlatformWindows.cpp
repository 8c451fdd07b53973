// Windows side of the platform layer: GetEnvironmentVariableW,
// LoadLibraryExW/GetProcAddress/FreeLibrary, OutputDebugStringA, and
// CreateThread, SRW locks and condition variables, which need nothing set up
// per process and so leave nothing behind when the library unloads.
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

// Threads, locks and waits.

namespace {
static_assert(sizeof(SRWLOCK) == sizeof(void*), "an SRW lock is one pointer");
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void*), "a condition variable is one pointer");

PSRWLOCK Native(void*& lock) { return reinterpret_cast<PSRWLOCK>(&lock); }
PCONDITION_VARIABLE NativeCondition(void*& condition) {
  return reinterpret_cast<PCONDITION_VARIABLE>(&condition);
}
}  // namespace

void Mutex::lock() { AcquireSRWLockExclusive(Native(native)); }
void Mutex::unlock() { ReleaseSRWLockExclusive(Native(native)); }

void ConditionVariable::NotifyOne() { WakeConditionVariable(NativeCondition(native)); }
void ConditionVariable::NotifyAll() { WakeAllConditionVariable(NativeCondition(native)); }

void ConditionVariable::Wait(MutexLock& lock) {
  SleepConditionVariableSRW(NativeCondition(native), Native(lock.mutex()->native), INFINITE, 0);
}

bool ConditionVariable::WaitUntil(MutexLock& lock, Clock::time_point deadline) {
  const Clock::time_point now = Clock::now();
  if (now >= deadline) return false;
  // Whole milliseconds, rounded up so that a wait never ends early; capped
  // below INFINITE.
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
  const DWORD timeoutMs = left >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(left);
  if (SleepConditionVariableSRW(NativeCondition(native), Native(lock.mutex()->native),
                                timeoutMs, 0)) {
    return true;
  }
  return Clock::now() < deadline;  // ERROR_TIMEOUT, or woken by the OS without a notification
}

namespace {
// A reference on the module this code is linked into, taken before a thread
// starts and dropped as it ends: a host that frees the library while the
// thread still runs then leaves the module loaded until the thread is out,
// instead of pulling the code from under it. Null when the OS refuses; the
// thread then runs without one.
HMODULE ReferenceOwnModule() {
  HMODULE module = nullptr;
  const auto address = reinterpret_cast<LPCWSTR>(&ReferenceOwnModule);
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, address, &module)) return nullptr;
  return module;
}
}  // namespace

unsigned long __stdcall Thread::Trampoline(void* self) {
  Thread* thread = static_cast<Thread*>(self);
  const HMODULE module = static_cast<HMODULE>(thread->module);
  thread->entry(thread->context);
  // Drops the reference and ends the thread in one call that never returns
  // here, since the module may unload with it.
  if (module) FreeLibraryAndExitThread(module, 0);
  return 0;
}

bool Thread::Start(Entry newEntry, void* newContext) {
  if (handle) return false;
  entry = newEntry;
  context = newContext;
  module = ReferenceOwnModule();
  handle = CreateThread(nullptr, 0, &Thread::Trampoline, this, 0, nullptr);
  if (!handle && module) FreeLibrary(static_cast<HMODULE>(module));
  return handle != nullptr;
}

bool Thread::Joinable() const { return handle != nullptr; }

void Thread::Join() {
  if (!handle) return;
  WaitForSingleObject(handle, INFINITE);
  CloseHandle(handle);
  handle = nullptr;
}

}  // namespace platform
