// The plugin host loads a plugin library by a UTF-8 path, also one that is
// not ASCII (UTF-16 on Windows), and unloads it with the PluginLibrary.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testing/plugin_host/PluginHost.h"
#include "testing/portable/TestOs.h"

namespace {

namespace fs = std::filesystem;

TEST(PluginHostLoad, LoadsByAUtf8PathAndUnloadsWithTheLibraryObject) {
  const fs::path folder = testos::MakeTempFolder("plugin-host-test-");
  ASSERT_FALSE(folder.empty());
  const fs::path plugins = folder / fs::u8path(u8"Plug-ins \u00c4\u00f6\u00fc \u65e5\u672c");
  fs::create_directories(plugins);
  const fs::path original = testos::NativePath(TEST_PLUGIN_PATH);
  const fs::path copy = plugins / original.filename();
  fs::copy_file(original, copy);

  std::string error;
  {
    auto library = testhost::PluginLibrary::Load(copy.u8string(), error);
    ASSERT_TRUE(library) << error;
    ASSERT_TRUE(library->GetInfo());
    EXPECT_EQ(library->GetNumParameters(), 7u);
    EXPECT_TRUE(testos::IsLibraryLoaded(copy));
  }
  EXPECT_FALSE(testos::IsLibraryLoaded(copy));

  const std::string missing = (plugins / "missing").u8string();
  EXPECT_FALSE(testhost::PluginLibrary::Load(missing, error));
  EXPECT_EQ(error, "cannot load plugin library " + missing);
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace
