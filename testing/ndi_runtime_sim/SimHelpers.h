// What every program driving the simulated runtime needs beyond the control
// API: the call log as texts, source lists from plain names, and the checks
// that a finished run left the runtime as it found it. No test framework
// here, so the fuzzers and benchmarks use the same checks as the tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "testing/ndi_runtime_sim/NdiSimControl.h"
#include "testing/portable/TestOs.h"

namespace ndisim {

// Every call of the runtime so far, in order ("load", "connect", ...).
inline std::vector<std::string> Events() {
  std::vector<std::string> events;
  for (int i = 0; i < NdiSim_EventCount(); ++i) events.push_back(NdiSim_Event(i));
  return events;
}

// Replaces the source list the finders report.
inline void SetSources(const std::vector<NdiSimSource>& sources) {
  NdiSim_SetSources(sources.data(), static_cast<int>(sources.size()));
}

// The same, for sources that differ only by name.
inline void SetSourceNames(const std::vector<const char*>& names) {
  std::vector<NdiSimSource> sources;
  for (const char* name : names) sources.push_back({name, "10.0.0.1:5961"});
  SetSources(sources);
}

// The simulated runtime as the loader finds it through NDI_RUNTIME_DIR_V6.
inline std::filesystem::path RuntimeFile() {
  return testos::NativePath(NDISIM_RUNTIME_DIR) / NDISIM_RUNTIME_FILE_NAME;
}

inline bool RuntimeIsLoaded() { return testos::IsLibraryLoaded(RuntimeFile()); }

// Lets a worker held in a capture or the readiness check go on, so that it
// can be stopped.
inline void ReleaseBlocks() {
  NdiSim_BlockCaptures(0);
  NdiSim_BlockReadyCheck(0);
}

// Once every receiver is gone: no misuse and no unused slot called, every
// captured record handed back, every handle destroyed, and the runtime
// unloaded as often as it was loaded. One text per problem; empty when clean.
inline std::vector<std::string> TeardownProblems() {
  std::vector<std::string> problems;
  for (int i = 0; i < NdiSim_MisuseCount(); ++i) problems.push_back(std::string("misuse: ") + NdiSim_Misuse(i));
  for (int i = 0; i < NdiSim_BadSlotCount(); ++i) {
    problems.push_back("unused slot called at offset " + std::to_string(NdiSim_BadSlotOffset(i)));
  }
  const auto counts = [&](const char* what, int a, int b) {
    if (a != b) problems.push_back(std::string(what) + ": " + std::to_string(a) + " against " + std::to_string(b));
  };
  counts("video records handed out against handed back", NdiSim_VideoHandedOut(), NdiSim_VideoHandedBack());
  counts("live finders against none", NdiSim_LiveFinders(), 0);
  counts("live receivers against none", NdiSim_LiveReceivers(), 0);
  counts("runtime loads against unloads", NdiSim_LoadCount(), NdiSim_UnloadCount());
  if (RuntimeIsLoaded()) problems.push_back("the runtime library is still loaded");
  return problems;
}

}  // namespace ndisim
