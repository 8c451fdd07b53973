// Without a current GL context the process's one glewInit fails; that
// instantiation and every later one fail without calling it again.
#include <gtest/gtest.h>

#include "TestProbe.h"
#include "testing/plugin_host/PluginHost.h"

namespace {

TEST(GlLoader, FailureWithoutAContextIsFinalForTheProcess) {
  probe::Reset();
  std::string error;
  auto library = testhost::PluginLibrary::Load(TEST_PLUGIN_PATH, error);
  ASSERT_TRUE(library) << error;
  const ViewportRecord viewport{0, 0, 16, 16};

  EXPECT_TRUE(testhost::IsFail(library->InstantiateRaw(&viewport)));
  EXPECT_EQ(probe::GlewInitCalls(), 1);
  // The object got its defaults, then was deleted without any GL call.
  const std::vector<std::string>& calls = probe::Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back(), "P2.destroy");
  for (const std::string& call : calls) {
    EXPECT_EQ(call.find("InitGL"), std::string::npos) << call;
  }

  probe::Calls().clear();
  EXPECT_TRUE(testhost::IsFail(library->InstantiateRaw(&viewport)));
  EXPECT_EQ(probe::GlewInitCalls(), 1);
  EXPECT_EQ(probe::Calls().back(), "P3.destroy");
  // Class-level codes do not depend on GL.
  EXPECT_EQ(library->GetNumParameters(), 7u);
}

}  // namespace
