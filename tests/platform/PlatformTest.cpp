// The platform layer through the OS's real calls: bounded environment reads,
// loading a library from a full path with its dependencies found beside it
// (and only there), export lookup and unloading. The program does not link
// the simulated runtime's state library, so the runtime's own dependency
// has to be found by the loader.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "testing/portable/TestOs.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRuntimeDir = testos::NativePath(NDISIM_RUNTIME_DIR);
const fs::path kRuntime = kRuntimeDir / NDISIM_RUNTIME_FILE_NAME;
const fs::path kStateBesideRuntime = kRuntimeDir / NDISIM_STATE_FILE_NAME;

platform::NativeString Native(const fs::path& path) {
  return fs::path(path).make_preferred().native();
}

constexpr const char* kVariable = "KESTRIN_PLATFORM_TEST";

}  // namespace

// Exported by this program, so that a lookup through the whole process
// would find it.
#ifdef _WIN32
extern "C" __declspec(dllexport) void KestrinPlatformTestExport() {}
#else
extern "C" __attribute__((visibility("default"))) void KestrinPlatformTestExport() {}
#endif

namespace {

// The test variable set for a test, removed after.
class ScopedVariable {
 public:
  explicit ScopedVariable(const std::string& value) : value_(value) {
    testos::SetEnvironmentValue(kVariable, value.c_str());
  }
  ~ScopedVariable() { testos::SetEnvironmentValue(kVariable, nullptr); }

  // False when the process environment cannot hold the value exactly: Wine
  // keeps values in 16-bit-counted strings and cuts them at 32766
  // characters; Linux and Windows hold longer ones.
  bool Held() const { return testos::EnvironmentValue(kVariable) == value_; }

 private:
  std::string value_;
};

// Reads the test variable through the platform layer; null when unusable.
std::optional<platform::NativeString> Read() {
  platform::NativeString value = PLATFORM_TEXT("untouched");
  if (!platform::ReadEnvironmentVariable(PLATFORM_TEXT("KESTRIN_PLATFORM_TEST"), value)) {
    EXPECT_EQ(value, PLATFORM_TEXT("untouched"));
    return std::nullopt;
  }
  return value;
}

TEST(ReadEnvironmentVariable, UnsetAndEmptyAreUnusableAndLeaveTheValueAlone) {
  testos::SetEnvironmentValue(kVariable, nullptr);
  EXPECT_FALSE(Read());
  ScopedVariable empty("");
  EXPECT_FALSE(Read());
}

TEST(ReadEnvironmentVariable, ReadsTheValueExactly) {
  ScopedVariable spaced(" C:\\Program Files\\ ");
  EXPECT_EQ(Read(), platform::NativeString(PLATFORM_TEXT(" C:\\Program Files\\ ")));
}

TEST(ReadEnvironmentVariable, LongestValueThatFitsTheBufferIsRead) {
  const std::size_t length = platform::kEnvironmentBufferUnits - 1;
  ScopedVariable longest(std::string(length, 'y'));
  if (!longest.Held()) GTEST_SKIP() << "the environment cannot hold " << length << " characters";
  EXPECT_EQ(Read(), platform::NativeString(length, 'y'));
}

TEST(ReadEnvironmentVariable, ValuesThatDoNotFitTheBufferAreUnusable) {
  for (const std::size_t length : {platform::kEnvironmentBufferUnits, std::size_t{40000}}) {
    SCOPED_TRACE(length);
    ScopedVariable tooLong(std::string(length, 'x'));
    if (!tooLong.Held()) GTEST_SKIP() << "the environment cannot hold " << length << " characters";
    EXPECT_FALSE(Read());
  }
}

TEST(LoadLibraryFromPath, FindsTheLibrarysDependencyBesideItAndUnloadsBoth) {
  ASSERT_FALSE(testos::IsLibraryLoaded(kStateBesideRuntime));
  platform::LibraryHandle library = platform::LoadLibraryFromPath(Native(kRuntime));
  ASSERT_TRUE(library);
  EXPECT_TRUE(testos::IsLibraryLoaded(kRuntime));
  EXPECT_TRUE(testos::IsLibraryLoaded(kStateBesideRuntime));
  EXPECT_TRUE(platform::FindExport(library, "NDIlib_v5_load"));
  EXPECT_FALSE(platform::FindExport(library, "NDIlib_v5_load_"));
  EXPECT_FALSE(platform::FindExport(nullptr, "NDIlib_v5_load"));
  EXPECT_FALSE(platform::FindExport(nullptr, "KestrinPlatformTestExport"))
      << "no library: nothing is searched, not even the program's own exports";

  platform::FreeLibraryHandle(library);
  EXPECT_FALSE(testos::IsLibraryLoaded(kRuntime));
  EXPECT_FALSE(testos::IsLibraryLoaded(kStateBesideRuntime));
  platform::FreeLibraryHandle(nullptr);
}

TEST(LoadLibraryFromPath, SearchesForDependenciesBesideTheLibraryOnly) {
  // A copy of the runtime alone: its dependency sits in the current folder
  // and on PATH, where a plain search would find it, but not beside it.
  const fs::path folder = testos::MakeTempFolder("platform-test-");
  ASSERT_FALSE(folder.empty());
  fs::copy_file(kRuntime, folder / NDISIM_RUNTIME_FILE_NAME);
  const fs::path previousFolder = fs::current_path();
  fs::current_path(kRuntimeDir);
  const std::optional<std::string> previousPath = testos::EnvironmentValue("PATH");
  testos::SetEnvironmentValue("PATH", testos::PathText(kRuntimeDir).c_str());

  platform::LibraryHandle alone =
      platform::LoadLibraryFromPath(Native(folder / NDISIM_RUNTIME_FILE_NAME));
  // A bare file name is no full path: nothing is searched for it.
  platform::LibraryHandle byName =
      platform::LoadLibraryFromPath(Native(NDISIM_RUNTIME_FILE_NAME));

  testos::SetEnvironmentValue("PATH", previousPath ? previousPath->c_str() : nullptr);
  fs::current_path(previousFolder);
  EXPECT_FALSE(alone);
  EXPECT_FALSE(byName);
  platform::FreeLibraryHandle(alone);
  platform::FreeLibraryHandle(byName);
  EXPECT_FALSE(testos::IsLibraryLoaded(kStateBesideRuntime));
  // Wine keeps a library whose load failed open, so this may fail there; the
  // prefix's temporary folder goes with the prefix.
  std::error_code ignored;
  fs::remove_all(folder, ignored);
}

}  // namespace
