// Points the NDI runtime loader at a folder for the life of a test: sets
// NDI_RUNTIME_DIR_V6 to it and unsets NDI_RUNTIME_DIR_V5 and ProgramFiles,
// restoring all three afterwards. The folder goes in in the OS's own form
// (backslashes on Windows), as a user would set it. Set it up before a
// receiver starts.
#pragma once

#include <optional>
#include <string>

#include "testing/portable/TestOs.h"

namespace ndisim {

// One environment variable set or unset for a scope, restored after.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const char* name, const char* value)
      : name(name), previous(testos::EnvironmentValue(name)) {
    testos::SetEnvironmentValue(name, value);
  }
  ~ScopedEnvironmentVariable() {
    testos::SetEnvironmentValue(name, previous ? previous->c_str() : nullptr);
  }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::string name;
  std::optional<std::string> previous;
};

class ScopedRuntimeFolder {
 public:
  explicit ScopedRuntimeFolder(const std::string& folder)
      : v6("NDI_RUNTIME_DIR_V6", testos::PathText(testos::NativePath(folder)).c_str()),
        v5("NDI_RUNTIME_DIR_V5", nullptr),
        programFiles("ProgramFiles", nullptr) {}

 private:
  ScopedEnvironmentVariable v6;
  ScopedEnvironmentVariable v5;
  ScopedEnvironmentVariable programFiles;
};

}  // namespace ndisim
