// Points the NDI runtime loader at a folder for the life of a test: sets
// NDI_RUNTIME_DIR_V6 to it and unsets NDI_RUNTIME_DIR_V5 and ProgramFiles,
// restoring all three afterwards. Set it up before a receiver starts.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace ndisim {

// One environment variable set or unset for a scope, restored after.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const char* name, const char* value) : name(name) {
    if (const char* old = std::getenv(name)) previous = old;
    Apply(value);
  }
  ~ScopedEnvironmentVariable() { Apply(previous ? previous->c_str() : nullptr); }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  void Apply(const char* value) {
#ifdef _WIN32
    _putenv_s(name.c_str(), value ? value : "");
#else
    if (value) {
      setenv(name.c_str(), value, 1);
    } else {
      unsetenv(name.c_str());
    }
#endif
  }
  std::string name;
  std::optional<std::string> previous;
};

class ScopedRuntimeFolder {
 public:
  explicit ScopedRuntimeFolder(const std::string& folder)
      : v6("NDI_RUNTIME_DIR_V6", folder.c_str()),
        v5("NDI_RUNTIME_DIR_V5", nullptr),
        programFiles("ProgramFiles", nullptr) {}

 private:
  ScopedEnvironmentVariable v6;
  ScopedEnvironmentVariable v5;
  ScopedEnvironmentVariable programFiles;
};

}  // namespace ndisim
