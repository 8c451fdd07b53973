// The platform's thread, lock and wait (a notification to all wakes every
// waiter; a wait for a condition sleeps on through wake-ups while it is
// false), and what every module links for thread-local objects and function
// statics: each thread sees its own thread-local copies, starting from their
// initial values, aligned as declared and kept while more of them come into
// use; a function static is initialised once however many threads reach it
// together, and again after its initialiser threw.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "platform/Platform.h"
#include "testing/portable/TestOs.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Runs a callable on a platform::Thread.
template <typename Body>
bool StartOn(platform::Thread& thread, Body& body) {
  return thread.Start([](void* context) { (*static_cast<Body*>(context))(); }, &body);
}

TEST(Threading, ThreadRunsItsEntryOnceAndJoinsOnce) {
  platform::Mutex mutex;
  platform::ConditionVariable changed;
  bool release = false;
  std::atomic<int> runs{0};
  auto body = [&] {
    ++runs;
    platform::MutexLock lock(mutex);
    changed.WaitFor(lock, std::chrono::seconds(20), [&] { return release; });
  };
  platform::Thread thread;
  EXPECT_FALSE(thread.Joinable());
  ASSERT_TRUE(StartOn(thread, body));
  EXPECT_TRUE(thread.Joinable());
  EXPECT_FALSE(StartOn(thread, body)) << "a second start while one runs";
  {
    std::lock_guard<platform::Mutex> lock(mutex);
    release = true;
  }
  changed.NotifyAll();
  thread.Join();
  EXPECT_FALSE(thread.Joinable());
  thread.Join();  // nothing left to join
  EXPECT_EQ(runs.load(), 1);

  // Joined, it can run again.
  release = true;
  ASSERT_TRUE(StartOn(thread, body));
  thread.Join();
  EXPECT_EQ(runs.load(), 2);
}

TEST(Threading, LockKeepsOtherThreadsOutUntilReleased) {
  platform::Mutex mutex;
  std::atomic<bool> entered{false};
  auto body = [&] {
    std::lock_guard<platform::Mutex> lock(mutex);
    entered = true;
  };
  platform::Thread thread;
  {
    std::lock_guard<platform::Mutex> lock(mutex);
    ASSERT_TRUE(StartOn(thread, body));
    // Plenty of time for the thread to get in if the lock let it.
    std::this_thread::sleep_for(milliseconds(50));
    EXPECT_FALSE(entered.load()) << "entered while the lock was held";
  }
  EXPECT_TRUE(testos::WaitUntil([&] { return entered.load(); }));
  thread.Join();
}

TEST(Threading, WaitsEndOnANotificationOrNoEarlierThanTheirTimeout) {
  platform::Mutex mutex;
  platform::ConditionVariable changed;
  platform::MutexLock lock(mutex);

  // No notification: false, and not before the time is up.
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(changed.WaitFor(lock, milliseconds(30)));
  EXPECT_GE(Clock::now() - start, milliseconds(30));
  EXPECT_TRUE(lock.owns_lock());
  EXPECT_FALSE(changed.WaitUntil(lock, Clock::now() - milliseconds(1))) << "a deadline passed";
  EXPECT_FALSE(changed.WaitFor(lock, milliseconds(5), [] { return false; }));

  // A notification sent under the lock wakes the waiter, which holds the
  // lock again on return.
  bool ready = false;
  auto body = [&] {
    std::lock_guard<platform::Mutex> inner(mutex);
    ready = true;
    changed.NotifyOne();
  };
  platform::Thread thread;
  ASSERT_TRUE(StartOn(thread, body));
  EXPECT_TRUE(changed.WaitFor(lock, std::chrono::seconds(20), [&] { return ready; }));
  EXPECT_TRUE(lock.owns_lock());
  lock.unlock();
  thread.Join();
}

TEST(Threading, NotifyAllWakesEveryWaiter) {
  constexpr int kWaiters = 3;
  platform::Mutex mutex;
  platform::ConditionVariable changed;
  bool ready = false;
  int waiting = 0;
  std::atomic<int> woken{0};
  auto body = [&] {
    platform::MutexLock lock(mutex);
    ++waiting;
    if (changed.WaitFor(lock, std::chrono::seconds(60), [&] { return ready; })) ++woken;
  };
  platform::Thread threads[kWaiters];
  for (platform::Thread& thread : threads) ASSERT_TRUE(StartOn(thread, body));
  // A waiter counted under the lock is inside its wait once the lock is
  // ours again.
  ASSERT_TRUE(testos::WaitUntil([&] {
    std::lock_guard<platform::Mutex> lock(mutex);
    return waiting == kWaiters;
  }));
  {
    std::lock_guard<platform::Mutex> lock(mutex);
    ready = true;
  }
  changed.NotifyAll();
  EXPECT_TRUE(testos::WaitUntil([&] { return woken.load() == kWaiters; }, std::chrono::seconds(10)))
      << woken.load() << " of " << kWaiters << " waiters woke";
  // Whoever still sleeps is let go one by one, so that the joins end.
  while (woken.load() < kWaiters) {
    changed.NotifyOne();
    std::this_thread::sleep_for(milliseconds(1));
  }
  for (platform::Thread& thread : threads) thread.Join();
}

TEST(Threading, PredicateWaitSleepsOnThroughWakeUpsWhileItsPredicateIsFalse) {
  platform::Mutex mutex;
  platform::ConditionVariable changed;
  bool waiting = false, ready = false;
  bool answer = false, readyOnReturn = false;
  auto body = [&] {
    platform::MutexLock lock(mutex);
    waiting = true;
    answer = changed.WaitFor(lock, std::chrono::seconds(20), [&] { return ready; });
    readyOnReturn = ready;
  };
  platform::Thread thread;
  ASSERT_TRUE(StartOn(thread, body));
  ASSERT_TRUE(testos::WaitUntil([&] {
    std::lock_guard<platform::Mutex> lock(mutex);
    return waiting;
  }));
  // Wake-ups with the predicate still false: the waiter goes back to sleep.
  for (int wakeUp = 0; wakeUp < 5; ++wakeUp) {
    changed.NotifyAll();
    std::this_thread::sleep_for(milliseconds(5));
  }
  {
    std::lock_guard<platform::Mutex> lock(mutex);
    ready = true;
  }
  changed.NotifyAll();
  thread.Join();
  EXPECT_TRUE(answer);
  EXPECT_TRUE(readyOnReturn) << "the wait answered before its predicate held";

  // Wake-ups until the deadline: false, and not before the time is up.
  ready = false;
  platform::MutexLock lock(mutex);
  auto wakeUps = [&] {
    for (int wakeUp = 0; wakeUp < 5; ++wakeUp) {
      changed.NotifyAll();
      std::this_thread::sleep_for(milliseconds(5));
    }
  };
  ASSERT_TRUE(StartOn(thread, wakeUps));
  const Clock::time_point start = Clock::now();
  EXPECT_FALSE(changed.WaitFor(lock, milliseconds(60), [&] { return ready; }));
  EXPECT_GE(Clock::now() - start, milliseconds(60));
  lock.unlock();
  thread.Join();
}

// Forty thread-local objects, more than a thread's first block of storage
// holds, each starting from its own value.
template <int N>
thread_local int tValue = N;
alignas(64) thread_local unsigned char tAligned[3] = {1, 2, 3};

template <int... N>
void SetAll(std::integer_sequence<int, N...>, int offset) {
  ((tValue<N> = N + offset), ...);
}
template <int... N>
bool AllAre(std::integer_sequence<int, N...>, int offset) {
  return ((tValue<N> == N + offset) && ...);
}
using Forty = std::make_integer_sequence<int, 40>;

// Read back through a volatile so that the compiler cannot answer from the
// declaration.
bool IsAligned64(const void* address) {
  const void* volatile seen = address;
  return reinterpret_cast<std::uintptr_t>(seen) % 64 == 0;
}

TEST(ModuleRuntime, EachThreadHasItsOwnThreadLocalsFromTheirInitialValues) {
  // Values set one at a time survive as later objects come into use.
  tValue<0> = 100;
  SetAll(Forty{}, 1000);
  EXPECT_TRUE(AllAre(Forty{}, 1000));
  EXPECT_TRUE(IsAligned64(tAligned));
  tAligned[0] = 9;

  bool fresh = false, aligned = false, kept = false;
  testos::Thread thread([&] {
    fresh = AllAre(Forty{}, 0) && tAligned[0] == 1 && tAligned[2] == 3;
    aligned = IsAligned64(tAligned);
    SetAll(Forty{}, 7);
    kept = AllAre(Forty{}, 7);
  });
  ASSERT_TRUE(thread.Started());
  thread.Join();
  EXPECT_TRUE(fresh) << "another thread starts from the initial values";
  EXPECT_TRUE(aligned);
  EXPECT_TRUE(kept);
  EXPECT_TRUE(AllAre(Forty{}, 1000)) << "this thread's values are its own";
  EXPECT_EQ(tAligned[0], 9);
}

std::atomic<int> gConstructions{0};
std::atomic<int> gFailuresLeft{0};

struct SlowToBuild {
  SlowToBuild() {
    ++gConstructions;
    if (gFailuresLeft > 0) {
      --gFailuresLeft;
      throw std::runtime_error("not this time");
    }
    // Long enough for the other threads to arrive and wait.
    std::this_thread::sleep_for(milliseconds(30));
    value = 42;
  }
  int value = 0;
};

int StaticValue() {
  static SlowToBuild built;
  return built.value;
}

TEST(ModuleRuntime, FunctionStaticIsBuiltOnceByRacingThreadsAndRetriedAfterAThrow) {
  gFailuresLeft = 1;
  EXPECT_THROW(StaticValue(), std::runtime_error);

  std::atomic<int> sum{0};
  {
    testos::Thread first([&] { sum += StaticValue(); }), second([&] { sum += StaticValue(); }),
        third([&] { sum += StaticValue(); }), fourth([&] { sum += StaticValue(); });
  }  // all joined
  constexpr int kThreads = 4;
  EXPECT_EQ(sum.load(), 42 * kThreads);
  EXPECT_EQ(gConstructions.load(), 2) << "one failed build, then exactly one more";
}

}  // namespace
