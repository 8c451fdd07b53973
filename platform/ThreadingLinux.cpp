// Linux side of the thread primitives: the standard library's, so that
// ThreadSanitizer sees every lock, wait and join.
#include "platform/Threading.h"

namespace platform {

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
