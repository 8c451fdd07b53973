// The thin layer over operating-system services: bounded environment reads,
// loading a library from a full path, export lookup, unloading, the
// debugger output channel, and a thread with its lock and wait. One
// implementation per OS (PlatformLinux.cpp, PlatformWindows.cpp); callers
// never include an OS header themselves.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>  // std::lock_guard and std::unique_lock work with Mutex
#include <string>

#ifndef _WIN32
#include <condition_variable>
#include <thread>
#endif

#ifdef _WIN32
#define PLATFORM_TEXT(s) L##s
#else
#define PLATFORM_TEXT(s) s
#endif

namespace platform {

#ifdef _WIN32
using NativeChar = wchar_t;  // paths and environment values are UTF-16
#else
using NativeChar = char;
#endif
using NativeString = std::basic_string<NativeChar>;

// An environment value must be shorter than this many units to be usable.
constexpr std::size_t kEnvironmentBufferUnits = 32768;

// Reads the variable into `value`. False, with `value` untouched, when the
// variable is unset, empty, or kEnvironmentBufferUnits units or longer.
bool ReadEnvironmentVariable(const NativeChar* name, NativeString& value);

// An opaque loaded-library handle; null means none.
using LibraryHandle = void*;

// Loads the library at a full path, searching the library's own folder for
// its dependencies. Null on failure.
LibraryHandle LoadLibraryFromPath(const NativeString& path);

// Looks up an export by its 8-bit name. Null when absent.
void* FindExport(LibraryHandle library, const char* name);

// Unloads a library loaded by LoadLibraryFromPath. Null is ignored.
void FreeLibraryHandle(LibraryHandle library);

// Writes text, unchanged, to the debugger output channel where the OS has
// one; elsewhere does nothing.
void WriteDebuggerOutput(const char* text);

// A worker thread, a lock and a wait with a time limit, for the code that
// ships inside a plugin library. On Windows they sit directly on the OS
// (CreateThread, an SRW lock, a condition variable): the C++ runtime's own
// thread support there is a separate threading library that sets up
// per-process objects at load and never releases them at unload, so a host
// that loads and unloads the library many times would run out of them. On
// Linux they are std::thread, std::mutex and std::condition_variable, which
// the sanitizers understand.

// A non-recursive lock. Lowercase lock/unlock so that std::lock_guard and
// std::unique_lock take it.
class Mutex {
 public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  void lock();
  void unlock();

 private:
  friend class ConditionVariable;
#ifdef _WIN32
  void* native = nullptr;  // an SRWLOCK, whose initial state is all zero bits
#else
  std::mutex native;
#endif
};

using MutexLock = std::unique_lock<Mutex>;

// Waits for a change announced under a Mutex. Wake-ups can be spurious, so
// callers re-check their condition (the predicate forms do that).
class ConditionVariable {
 public:
  using Clock = std::chrono::steady_clock;

  ConditionVariable() = default;
  ConditionVariable(const ConditionVariable&) = delete;
  ConditionVariable& operator=(const ConditionVariable&) = delete;

  void NotifyOne();
  void NotifyAll();

  // `lock` holds the mutex on entry and again on return.
  void Wait(MutexLock& lock);
  // False when `deadline` passed without a notification.
  bool WaitUntil(MutexLock& lock, Clock::time_point deadline);

  template <typename Rep, typename Period>
  bool WaitFor(MutexLock& lock, std::chrono::duration<Rep, Period> timeout) {
    return WaitUntil(lock, Clock::now() + timeout);
  }
  // Waits until `ready()` holds (true) or `deadline` passes with it false.
  template <typename Predicate>
  bool WaitUntil(MutexLock& lock, Clock::time_point deadline, Predicate ready) {
    while (!ready()) {
      if (!WaitUntil(lock, deadline)) return ready();
    }
    return true;
  }
  template <typename Rep, typename Period, typename Predicate>
  bool WaitFor(MutexLock& lock, std::chrono::duration<Rep, Period> timeout, Predicate ready) {
    return WaitUntil(lock, Clock::now() + timeout, ready);
  }

 private:
#ifdef _WIN32
  void* native = nullptr;  // a CONDITION_VARIABLE, all zero bits initially
#else
  std::condition_variable native;
#endif
};

// One thread running `entry(context)`. It must be joined before the object
// ends (the destructor joins one that was not). On Windows the running
// thread holds a reference on the module its code belongs to, so a library
// freed too early stays loaded until the thread has ended.
class Thread {
 public:
  using Entry = void (*)(void* context);

  Thread() = default;
  ~Thread() { Join(); }
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Starts the thread; false, with nothing started, when the OS refuses or
  // one is already running.
  bool Start(Entry entry, void* context);
  bool Joinable() const;
  // Waits for the thread to end; does nothing when none runs.
  void Join();

 private:
#ifdef _WIN32
  static unsigned long __stdcall Trampoline(void* self);
  void* handle = nullptr;
  Entry entry = nullptr;
  void* context = nullptr;
  void* module = nullptr;  // the reference the running thread holds on its module
#else
  std::thread native;
#endif
};

}  // namespace platform
