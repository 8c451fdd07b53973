// Shared by the fuzz targets: a check that stops the run with a message
// (libFuzzer records the input that led there) and a bounded wait.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#define FUZZ_CHECK(condition, message)                                             \
  do {                                                                             \
    if (!(condition)) {                                                            \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d): %s\n", #condition,       \
                   __FILE__, __LINE__, message);                                   \
      std::abort();                                                                \
    }                                                                              \
  } while (0)

namespace fuzzsupport {

// Polls `condition` until it holds; false after a generous bound, which
// only a hang reaches.
template <typename Condition>
bool WaitUntil(Condition condition, std::chrono::seconds bound = std::chrono::seconds(20)) {
  const auto giveUp = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > giveUp) return false;
    std::this_thread::sleep_for(std::chrono::microseconds(100));
  }
  return true;
}

}  // namespace fuzzsupport
