// A plugin library built from the host interface exports exactly the two
// host entry points and nothing else.
#include <gtest/gtest.h>

#include "testing/portable/TestOs.h"

#include <set>
#include <string>

namespace {

TEST(Exports, PluginLibraryExportsOnlyPlugMainAndSetLogCallback) {
  EXPECT_EQ(testos::DynamicExports(NM_PATH, TEST_PLUGIN_PATH),
            (std::set<std::string>{"SetLogCallback", "plugMain"}));
}

}  // namespace
