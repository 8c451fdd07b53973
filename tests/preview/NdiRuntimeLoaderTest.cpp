// The runtime loader, through the real environment and real library loads:
// which folder wins, which values are unusable, and what a library that is
// not a usable runtime leaves behind.
#include <string>
#include <vector>

#include "NdiTestSupport.h"
#include "preview/NdiRuntime.h"
#include "testing/ndi_runtime_sim/SimEnvironment.h"

#ifndef _WIN32
#include <dlfcn.h>

namespace {

// The runtime paths handed to dlopen to load a library (not to ask whether
// one is loaded), in order.
std::vector<std::string>& RuntimeLoadAttempts() {
  static std::vector<std::string> attempts;
  return attempts;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

// Stands in front of the C library's dlopen for this program, so the test
// sees every path the loader tries, also those that load nothing.
extern "C" void* dlopen(const char* file, int mode) noexcept {
  using DlopenFunction = void* (*)(const char*, int);
  static const auto next = reinterpret_cast<DlopenFunction>(dlsym(RTLD_NEXT, "dlopen"));
  if (file && !(mode & RTLD_NOLOAD) && EndsWith(file, NDISIM_RUNTIME_FILE_NAME)) {
    RuntimeLoadAttempts().push_back(file);
  }
  return next(file, mode);
}
#endif

namespace {

using nditest::TempFolder;
using ndisim::ScopedEnvironmentVariable;

// The separator the loader puts between a variable's value and the file.
#ifdef _WIN32
const std::string kSeparator = "\\";
#else
const std::string kSeparator = "/";
#endif

class NdiRuntimeLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    NdiSim_Reset();
#ifndef _WIN32
    RuntimeLoadAttempts().clear();
#endif
  }

  static bool IsLoaded(const nditest::fs::path& file) { return testos::IsLibraryLoaded(file); }

  TempFolder temp;
  // Every test starts from no usable variable at all.
  ScopedEnvironmentVariable v6{"NDI_RUNTIME_DIR_V6", nullptr};
  ScopedEnvironmentVariable v5{"NDI_RUNTIME_DIR_V5", nullptr};
  ScopedEnvironmentVariable programFiles{"ProgramFiles", nullptr};
};

TEST_F(NdiRuntimeLoader, SearchesV6ThenV5ThenProgramFilesAndStopsAtTheFirstLoad) {
  const auto v6File = temp.PlaceRuntime("v6");
  const auto v5File = temp.PlaceRuntime("v5");
  const auto pfFile = temp.PlaceRuntime("pf/NDI/NDI 6 Runtime/v6");
  const std::string v6Dir = temp.Text("v6");
  const std::string v5Dir = temp.Text("v5");
  const std::string pfDir = temp.Text("pf");
  ScopedEnvironmentVariable pf("ProgramFiles", pfDir.c_str());
  {
    ScopedEnvironmentVariable a("NDI_RUNTIME_DIR_V6", v6Dir.c_str());
    ScopedEnvironmentVariable b("NDI_RUNTIME_DIR_V5", v5Dir.c_str());
    NdiRuntime runtime = LoadNdiRuntime();
    EXPECT_TRUE(runtime.module);
    EXPECT_TRUE(runtime.table);
    EXPECT_EQ(NdiSim_LastLoadedPath(), testos::PathText(v6File));
    EXPECT_TRUE(IsLoaded(v6File));
    EXPECT_FALSE(IsLoaded(v5File));
    EXPECT_EQ(NdiSim_LoadCount(), 1);
  }
  {
    // A V6 folder without the library falls through to V5.
    const std::string empty = temp.Text("nothing-here");
    ScopedEnvironmentVariable a("NDI_RUNTIME_DIR_V6", empty.c_str());
    ScopedEnvironmentVariable b("NDI_RUNTIME_DIR_V5", v5Dir.c_str());
    NdiRuntime runtime = LoadNdiRuntime();
    EXPECT_TRUE(runtime.table);
    EXPECT_EQ(NdiSim_LastLoadedPath(), testos::PathText(v5File));
  }
  {
    // Neither variable set: the version-6 layout under ProgramFiles.
    NdiRuntime runtime = LoadNdiRuntime();
    EXPECT_TRUE(runtime.table);
    EXPECT_EQ(NdiSim_LastLoadedPath(), testos::PathText(pfFile));
  }
  EXPECT_EQ(NdiSim_UnloadCount(), 3);
  EXPECT_FALSE(IsLoaded(v6File) || IsLoaded(v5File) || IsLoaded(pfFile));
}

TEST_F(NdiRuntimeLoader, EmptyAndOverLongValuesCountAsUnset) {
  temp.PlaceRuntime("v5");
  const std::string v5Dir = temp.Text("v5");
  ScopedEnvironmentVariable b("NDI_RUNTIME_DIR_V5", v5Dir.c_str());
  // The V6 value would name a folder with the library if it were used.
  const std::string tooLong = v5Dir + kSeparator + std::string(32768, 'x');
  for (const std::string& unusable : {std::string(), tooLong}) {
    SCOPED_TRACE(unusable.size());
    ScopedEnvironmentVariable a("NDI_RUNTIME_DIR_V6", unusable.c_str());
    NdiRuntime runtime = LoadNdiRuntime();
    EXPECT_TRUE(runtime.table);
    EXPECT_EQ(NdiSim_LastLoadedPath(), v5Dir + kSeparator + NDISIM_RUNTIME_FILE_NAME);
#ifndef _WIN32
    // Skipped, not tried with the file name alone.
    EXPECT_EQ(RuntimeLoadAttempts(),
              std::vector<std::string>{v5Dir + kSeparator + NDISIM_RUNTIME_FILE_NAME});
    RuntimeLoadAttempts().clear();
#endif
  }
  // The longest usable value (32767 units) is still read; here it names no
  // library, so nothing loads from it.
  const std::string longest(32767, 'y');
  ScopedEnvironmentVariable a("NDI_RUNTIME_DIR_V6", longest.c_str());
  ScopedEnvironmentVariable none("NDI_RUNTIME_DIR_V5", "");
  EXPECT_FALSE(LoadNdiRuntime().module);
#ifndef _WIN32
  EXPECT_EQ(RuntimeLoadAttempts(),
            std::vector<std::string>{longest + kSeparator + NDISIM_RUNTIME_FILE_NAME});
#endif
}

#ifndef _WIN32
// A library whose imports cannot all be resolved is no runtime: it must fail
// to load, so the search goes on, rather than load and end the process at
// its first call.
TEST_F(NdiRuntimeLoader, LibraryWithAnUnresolvableImportFallsThroughToTheNext) {
  temp.PlaceRuntime("v6", nditest::fs::path(NDISIM_RUNTIME_UNRESOLVED_DIR) / NDISIM_RUNTIME_FILE_NAME);
  const auto v5File = temp.PlaceRuntime("v5");
  ScopedEnvironmentVariable a("NDI_RUNTIME_DIR_V6", temp.Text("v6").c_str());
  ScopedEnvironmentVariable b("NDI_RUNTIME_DIR_V5", temp.Text("v5").c_str());
  NdiRuntime runtime = LoadNdiRuntime();
  EXPECT_TRUE(runtime.table);
  EXPECT_EQ(NdiSim_LastLoadedPath(), testos::PathText(v5File));
  EXPECT_EQ(NdiSim_LoadCount(), 1);
  EXPECT_EQ(RuntimeLoadAttempts().size(), 2u);
}
#endif

TEST_F(NdiRuntimeLoader, UsesTheValueExactlyAsRead) {
  temp.PlaceRuntime("v6");
  const std::string withSeparator = temp.Text("v6") + kSeparator;
  ScopedEnvironmentVariable a("NDI_RUNTIME_DIR_V6", withSeparator.c_str());
  NdiRuntime runtime = LoadNdiRuntime();
  EXPECT_TRUE(runtime.table);
#ifdef _WIN32
  // Windows names a loaded module by its normalised path, one backslash.
  EXPECT_EQ(NdiSim_LastLoadedPath(), withSeparator + NDISIM_RUNTIME_FILE_NAME);
#else
  EXPECT_EQ(NdiSim_LastLoadedPath(), withSeparator + kSeparator + NDISIM_RUNTIME_FILE_NAME);
#endif
}

TEST_F(NdiRuntimeLoader, FindsNothingWhenNoFolderHoldsTheLibrary) {
  const std::string empty = temp.Text();
  ScopedEnvironmentVariable a("NDI_RUNTIME_DIR_V6", empty.c_str());
  ScopedEnvironmentVariable b("NDI_RUNTIME_DIR_V5", empty.c_str());
  ScopedEnvironmentVariable pf("ProgramFiles", empty.c_str());
  NdiRuntime runtime = LoadNdiRuntime();
  EXPECT_FALSE(runtime.module);
  EXPECT_FALSE(runtime.table);
  EXPECT_EQ(NdiSim_LoadCount(), 0);
}

// A library that loads but is no usable runtime keeps its module, with no
// table, until the NdiRuntime ends.
TEST_F(NdiRuntimeLoader, UnusableLibraryIsKeptLoadedUntilTheRuntimeEnds) {
  struct Case {
    const char* what;
    nditest::fs::path library;
    void (*script)();
    int readyCalls;
  };
  const Case cases[] = {
      {"no load export", nditest::SimRuntimeWithoutExportFile(), [] {}, 0},
      {"null table", nditest::RuntimeFile(), [] { NdiSim_SetLoadReturnsNull(1); }, 0},
      {"not ready", nditest::RuntimeFile(), [] { NdiSim_SetReady(0); }, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NdiSim_Reset();
    c.script();
    TempFolder folder;
    const auto file = folder.PlaceRuntime({}, c.library);
    ScopedEnvironmentVariable a("NDI_RUNTIME_DIR_V6", folder.Text().c_str());
    {
      NdiRuntime runtime = LoadNdiRuntime();
      EXPECT_TRUE(runtime.module);
      EXPECT_FALSE(runtime.table);
      EXPECT_TRUE(IsLoaded(file));
      EXPECT_EQ(NdiSim_ReadyCalls(), c.readyCalls);
    }
    EXPECT_FALSE(IsLoaded(file));
    EXPECT_EQ(NdiSim_UnloadCount(), 1);
    EXPECT_EQ(NdiSim_BadSlotCount(), 0);
  }
}

}  // namespace
