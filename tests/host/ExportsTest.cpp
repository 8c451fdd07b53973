// A plugin library built from the host interface exports exactly the two
// host entry points and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

namespace {

TEST(Exports, PluginLibraryExportsOnlyPlugMainAndSetLogCallback) {
  const std::string command = std::string(NM_PATH) + " -D --defined-only '" + TEST_PLUGIN_PATH + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr) << command;
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe)) {
    // "<address> <kind> <name>"
    char kind = 0;
    char name[400] = {};
    if (std::sscanf(line, "%*s %c %399s", &kind, name) == 2) names.insert(name);
  }
  ASSERT_EQ(pclose(pipe), 0) << command;
  EXPECT_EQ(names, (std::set<std::string>{"SetLogCallback", "plugMain"}));
}

}  // namespace
