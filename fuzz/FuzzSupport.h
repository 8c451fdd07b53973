// Shared by the fuzz targets: a check that stops the run with a message
// (libFuzzer records the input that led there) and a bounded wait.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "testing/portable/TestOs.h"

#define FUZZ_CHECK(condition, message)                                             \
  do {                                                                             \
    if (!(condition)) {                                                            \
      std::fprintf(stderr, "fuzz check failed: %s (%s:%d): %s\n", #condition,       \
                   __FILE__, __LINE__, message);                                   \
      std::abort();                                                                \
    }                                                                              \
  } while (0)

namespace fuzzsupport {

// A bounded wait that polls often, so each input stays quick; false only
// after a bound that a hang reaches.
template <typename Condition>
bool WaitUntil(Condition condition) {
  return testos::WaitUntil(condition, std::chrono::seconds(20), std::chrono::microseconds(100));
}

}  // namespace fuzzsupport
