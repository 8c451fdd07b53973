// The shared memory of the host tests and the test plugin library: a small
// shared library both link, so the test can script the plugin and read back
// every call it received without the plugin exporting anything beyond its
// two host exports.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#define PROBE_API __attribute__((visibility("default")))
#elif defined(host_test_probe_EXPORTS)  // set by CMake while building the probe
#define PROBE_API __declspec(dllexport)
#else
#define PROBE_API __declspec(dllimport)
#endif

namespace probe {

struct Switches {
  bool factoryFails = false;          // the factory answers FF_FAIL and no object
  uint32_t initialiseResult = 0;      // the descriptor's initialise callback answers this
  bool topLeftSupported = true;       // passed to the plugin's base constructor
  int32_t maxInputs = 0;
  bool timeSupported = true;
  uint32_t refuseParameterId = 0xFFFFFFFFu;  // Set*Parameter answers FF_FAIL for this id
  bool initGLFails = false;
  bool processFails = false;
  bool connectFails = false;
  bool disconnectFails = false;
  std::string throwIn;  // the operation (as recorded) that throws std::runtime_error
  // Store changes each ProcessOpenGL makes on the instance's own store, in
  // this order (the changes that can raise, raise).
  std::vector<std::pair<uint32_t, std::string>> displayNamesOnFrame;
  std::vector<std::pair<uint32_t, bool>> visibilityOnFrame;
  std::vector<std::pair<uint32_t, uint64_t>> eventsOnFrame;
  // Element lists (names; every value 5.0) that replace the instance's own.
  std::vector<std::pair<uint32_t, std::vector<std::string>>> elementsOnFrame;
  // What the instance's store said of top-left orientation at the last frame.
  uint32_t topLeftEnabledAtFrame = 0xFFFFFFFFu;
};

PROBE_API Switches& GetSwitches();
// Calls in the order the plugin received them, e.g. "P2.InitGL(0,0,64,32)".
PROBE_API std::vector<std::string>& Calls();
PROBE_API void Record(const std::string& call);
// Serial number of the next plugin object (1, 2, ... after Reset).
PROBE_API int NextObjectSerial();
PROBE_API int& GlewInitCalls();
// The address of every plugin object, as a CFFGLPlugin, in construction order.
PROBE_API std::vector<const void*>& Objects();
// Back to the defaults: no calls, default switches, serials from 1, no
// glewInit counted, no objects.
PROBE_API void Reset();

}  // namespace probe
