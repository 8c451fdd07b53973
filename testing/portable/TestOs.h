// The few OS calls tests make themselves, behind one portable face, so the
// same test sources run on Linux and on Windows (under Wine): paths handed
// over by the build, whether a library is loaded, the process environment,
// the process's thread count (and on Windows its handles and TLS indexes)
// and temporary folders. Texts are UTF-8 throughout.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "platform/Platform.h"

#if defined(__GLIBC__)
#include <pthread.h>
#endif

namespace testos {

namespace fs = std::filesystem;

// A path given as text ('/' or '\' separated, as the build writes them) in
// the OS's own form: backslashes on Windows, whose library loader wants them.
fs::path NativePath(const std::string& text);

// The path's text in the OS's own form.
std::string PathText(const fs::path& path);

// True when the library file at `file` is loaded in this process right now.
// Never loads it and never changes its reference count.
bool IsLibraryLoaded(const fs::path& file);

// The process environment as the OS's own calls see it (getenv,
// GetEnvironmentVariableW). Null when unset.
std::optional<std::string> EnvironmentValue(const std::string& name);
// Sets the variable, or removes it when `value` is null.
void SetEnvironmentValue(const std::string& name, const char* value);

// The number of threads this process has right now.
int ThreadCount();

// Polls `condition` every `poll` until it holds or a generous bound passes.
// Bounds are there to end a broken test, never to measure speed.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::seconds bound = std::chrono::seconds(20),
               std::chrono::microseconds poll = std::chrono::milliseconds(1)) {
  const auto giveUp = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(poll);
  }
  return true;
}

// A thread running any callable until it is joined or ends: what tests
// would use std::thread for, which the Windows build's standard library does
// not have. It runs on the platform layer's thread.
class Thread {
 public:
  explicit Thread(std::function<void()> body) : body(std::move(body)) {
    started = thread.Start([](void* self) { static_cast<Thread*>(self)->body(); }, this);
  }
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // False when the OS refused the thread; the body then never runs.
  bool Started() const { return started; }
  void Join() { thread.Join(); }

 private:
  std::function<void()> body;
  platform::Thread thread;
  bool started = false;
};

#ifdef _WIN32
// The number of handles open in this process, found by probing handle
// values (GetProcessHandleCount answers 0 under Wine).
int OpenHandleCount();
// The lowest TLS index free right now (allocated and freed again).
unsigned long LowestFreeTlsIndex();

// What every heap of this process holds allocated right now, found by
// walking each heap (GetProcessMemoryInfo's private figures read 0 under
// Wine). The C runtime of every module allocates from one of these heaps,
// so what a plugin DLL keeps after its unload shows up here.
struct HeapUse {
  std::int64_t bytes = 0;
  std::int64_t blocks = 0;
};
HeapUse AllocatedHeapBytes();
#endif

#ifndef _WIN32
// The names a shared library exports, as `nm -D --defined-only` lists them;
// empty when nm cannot be run.
std::set<std::string> DynamicExports(const std::string& nmPath, const std::string& library);
#endif

// Creates a new, empty folder below the system's temporary folder whose name
// starts with `prefix`. Empty on failure.
fs::path MakeTempFolder(const std::string& prefix);

#if defined(__GLIBC__)
// Makes every thread created without explicit attributes ask for a stack no
// machine can give, so that thread creation fails for real; undone at the
// end of the scope. Only glibc lets a test change the attributes std::thread
// creates threads with, so tests that need it exist on glibc only.
class ScopedThreadCreationFailure {
 public:
  ScopedThreadCreationFailure() {
    pthread_getattr_default_np(&saved);
    pthread_attr_t huge;
    pthread_attr_init(&huge);
    pthread_attr_setstacksize(&huge, (SIZE_MAX / 4) & ~std::size_t{0xFFFF});
    active = pthread_setattr_default_np(&huge) == 0;
    pthread_attr_destroy(&huge);
  }
  ~ScopedThreadCreationFailure() {
    pthread_setattr_default_np(&saved);
    pthread_attr_destroy(&saved);
  }
  ScopedThreadCreationFailure(const ScopedThreadCreationFailure&) = delete;
  ScopedThreadCreationFailure& operator=(const ScopedThreadCreationFailure&) = delete;

  // False when the attributes could not be changed.
  bool Active() const { return active; }

 private:
  pthread_attr_t saved;
  bool active = false;
};
#endif

}  // namespace testos
