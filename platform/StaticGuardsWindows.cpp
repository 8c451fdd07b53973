// The guards that make a function's static object initialise once when
// several threads reach it together, for C++ code on Windows. The C++
// runtime's own version creates a process-wide recursive lock (a semaphore
// handle) the first time a guard waits, and never closes it, so every load
// and unload of a DLL in which that happened lost one handle. This version
// waits on an SRW lock and a condition variable, which need no handle.
//
// Linked as an object into every module the build makes, it takes the place
// of the runtime's version, as ThreadStorageWindows.cpp does.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

namespace {

// The guard's first byte says "initialised" (the compiler's inline check
// reads it); the second says "being initialised by some thread".
struct GuardBytes {
  unsigned char done;
  unsigned char busy;
};

SRWLOCK gLock = SRWLOCK_INIT;
CONDITION_VARIABLE gChanged = CONDITION_VARIABLE_INIT;

GuardBytes& Bytes(std::int64_t* guard) { return *reinterpret_cast<GuardBytes*>(guard); }

// Ends an initialisation, successful or not, and wakes the threads waiting
// for it.
void Finish(std::int64_t* guard, bool done) {
  AcquireSRWLockExclusive(&gLock);
  Bytes(guard).busy = 0;
  if (done) __atomic_store_n(&Bytes(guard).done, 1, __ATOMIC_RELEASE);
  ReleaseSRWLockExclusive(&gLock);
  WakeAllConditionVariable(&gChanged);
}

}  // namespace

// 1: the caller initialises the object now; 0: it is initialised already.
extern "C" int __cxa_guard_acquire(std::int64_t* guard) {
  if (__atomic_load_n(&Bytes(guard).done, __ATOMIC_ACQUIRE)) return 0;
  AcquireSRWLockExclusive(&gLock);
  int result = 0;
  for (;;) {
    if (Bytes(guard).done) break;
    if (!Bytes(guard).busy) {
      Bytes(guard).busy = 1;
      result = 1;
      break;
    }
    SleepConditionVariableSRW(&gChanged, &gLock, INFINITE, 0);
  }
  ReleaseSRWLockExclusive(&gLock);
  return result;
}

extern "C" void __cxa_guard_release(std::int64_t* guard) { Finish(guard, true); }

// The initialiser threw: the next thread to arrive tries again.
extern "C" void __cxa_guard_abort(std::int64_t* guard) { Finish(guard, false); }
