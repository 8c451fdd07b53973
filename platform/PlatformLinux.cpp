// Linux side of the platform layer: getenv, dlopen/dlsym/dlclose, and the
// standard library's thread, mutex and condition variable, so that
// ThreadSanitizer sees every lock, wait and join. There is no debugger
// output channel here, so WriteDebuggerOutput does nothing.
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

// Threads, locks and waits.

void Mutex::lock() { native.lock(); }
void Mutex::unlock() { native.unlock(); }

void ConditionVariable::NotifyOne() { native.notify_one(); }
void ConditionVariable::NotifyAll() { native.notify_all(); }

namespace {
// The standard wait wants a lock on the std::mutex itself: adopt the one the
// caller holds and hand it back unreleased.
struct AdoptedLock {
  explicit AdoptedLock(std::mutex& mutex) : lock(mutex, std::adopt_lock) {}
  ~AdoptedLock() { lock.release(); }
  std::unique_lock<std::mutex> lock;
};
}  // namespace

void ConditionVariable::Wait(MutexLock& lock) {
  AdoptedLock adopted(lock.mutex()->native);
  native.wait(adopted.lock);
}

bool ConditionVariable::WaitUntil(MutexLock& lock, Clock::time_point deadline) {
  AdoptedLock adopted(lock.mutex()->native);
  return native.wait_until(adopted.lock, deadline) == std::cv_status::no_timeout;
}

bool Thread::Start(Entry entry, void* context) {
  if (native.joinable()) return false;
  try {
    native = std::thread(entry, context);
  } catch (...) {
    return false;
  }
  return true;
}

bool Thread::Joinable() const { return native.joinable(); }

void Thread::Join() {
  if (native.joinable()) native.join();
}

}  // namespace platform
