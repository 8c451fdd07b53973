#include <cstdio>
#include <dirent.h>
#include <dlfcn.h>

#include <cstdlib>

#include "testing/portable/TestOs.h"

namespace testos {

fs::path NativePath(const std::string& text) { return fs::path(text); }

std::string PathText(const fs::path& path) { return path.string(); }

bool IsLibraryLoaded(const fs::path& file) {
  // RTLD_NOLOAD finds a loaded library only; the extra reference it takes is
  // given back at once.
  void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
}

std::optional<std::string> EnvironmentValue(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  if (!value) return std::nullopt;
  return std::string(value);
}

void SetEnvironmentValue(const std::string& name, const char* value) {
  if (value) {
    setenv(name.c_str(), value, 1);
  } else {
    unsetenv(name.c_str());
  }
}

int ThreadCount() {
  int count = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(tasks)) {
      if (entry->d_name[0] != '.') ++count;
    }
    closedir(tasks);
  }
  return count;
}

fs::path MakeTempFolder(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (!mkdtemp(pattern.data())) return {};
  return fs::path(pattern);
}

std::set<std::string> DynamicExports(const std::string& nmPath, const std::string& library) {
  const std::string command = nmPath + " -D --defined-only '" + library + "'";
  std::set<std::string> names;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    // "<address> <kind> <name>"
    char kind = 0;
    char name[400] = {};
    if (std::sscanf(line, "%*s %c %399s", &kind, name) == 2) names.insert(name);
  }
  if (pclose(pipe) != 0) names.clear();
  return names;
}

}  // namespace testos
