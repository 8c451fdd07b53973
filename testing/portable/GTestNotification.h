// GoogleTest's thread-start notification for the Windows build, whose
// standard library (win32 thread model) has no std::mutex or
// std::condition_variable for GoogleTest's own version. Force-included
// into every file that includes GoogleTest there; only GoogleTest's own
// thread helpers use it, so polling is enough.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
