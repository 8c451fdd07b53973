// Plugin DLLs loaded and unloaded many times over, as a host that rescans its
// plugin folder does, leave the process as they found it: the same open
// handles, the same lowest free TLS index, the same threads, and the module
// gone after the last FreeLibrary. Half the cycles are bare loads; the
// other half are a whole life: codes 0 and 34, an instance in the WGL
// context drawing a few frames (the preview's fed by the simulated runtime),
// then codes 19 and 2.
#include <cstdio>
#include <cstdlib>

#include "tests/e2e/E2eSupport.h"

namespace {

// KESTRIN_LOAD_CYCLES overrides the preview's cycle count, to measure other
// builds (one that leaks runs out of TLS indexes after about a thousand).
int PreviewCycles() {
  const char* text = std::getenv("KESTRIN_LOAD_CYCLES");
  const int cycles = text ? std::atoi(text) : 0;
  return cycles > 0 ? cycles : 2000;
}
constexpr int kOtherCycles = 100;
constexpr int kFramesPerLife = 3;

struct ProcessState {
  int handles;
  unsigned long lowestFreeTls;
  int threads;
};

ProcessState Measure() {
  return {testos::OpenHandleCount(), testos::LowestFreeTlsIndex(), testos::ThreadCount()};
}

// Expects the process as it was in `before`, and prints the differences
// either way. A joined thread may stay listed for a moment, so the count
// is given time to settle.
void ExpectAsBefore(const ProcessState& before, const std::string& what) {
  testos::WaitUntil([&] { return testos::ThreadCount() <= before.threads; },
                    std::chrono::seconds(5));
  const ProcessState after = Measure();
  std::printf("%s: open handles %+d, lowest free TLS index %lu -> %lu, threads %+d\n",
              what.c_str(), after.handles - before.handles, before.lowestFreeTls,
              after.lowestFreeTls, after.threads - before.threads);
  EXPECT_EQ(after.handles, before.handles) << what << ": open handles";
  EXPECT_EQ(after.lowestFreeTls, before.lowestFreeTls) << what << ": lowest free TLS index";
  EXPECT_EQ(after.threads, before.threads) << what << ": threads";
}

struct Plugin {
  const char* path;
  int inputs;  // input textures its frames are drawn with
};

const Plugin kPreview{KESTRIN_PREVIEW_PATH, 0};
// The quick-start sample plugins, and the host tests' plugin (with the
// helper DLL it imports).
const Plugin kOthers[] = {{PROBE_EFFECT_PATH, 1}, {PROBE_MIXER_PATH, 2}, {PROBE_SOURCE_PATH, 0},
                          {HOST_TEST_PLUGIN_PATH, 0}};

bool IsLoaded(const Plugin& plugin) {
  return testos::IsLibraryLoaded(testos::NativePath(plugin.path));
}

// LoadLibrary and FreeLibrary, nothing called in between.
bool BareCycle(const Plugin& plugin) {
  const platform::LibraryHandle handle =
      platform::LoadLibraryFromPath(testos::NativePath(plugin.path).native());
  if (!handle) return false;
  platform::FreeLibraryHandle(handle);
  return true;
}

class LoadCycles : public ::testing::Test {
 protected:
  void SetUp() override {
    NdiSim_Reset();
    ndisim::SetSourceNames({e2e::kMainSource});
    std::string error;
    context = testgl::CreateCurrentContextWithGlew(error);
    ASSERT_TRUE(context) << error;
    layer = testhost::HostFramebuffer::Create(64, 36, error);
    ASSERT_TRUE(layer) << error;
    input = testhost::HostFramebuffer::Create(64, 36, error);
    ASSERT_TRUE(input) << error;
  }

  void TearDown() override {
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    input.reset();
    layer.reset();
    context.reset();
  }

  // Codes 0 and 34, an instance drawing a few frames (the preview's each
  // from a new picture the worker received), then codes 19 and 2 and the
  // unload.
  void Life(const Plugin& plugin) {
    std::string error;
    auto library = testhost::PluginLibrary::Load(plugin.path, error);
    ASSERT_TRUE(library) << error;
    ASSERT_NE(library->GetInfo(), nullptr);
    ASSERT_EQ(library->Initialise(), FF_SUCCESS);
    auto instance = library->Instantiate(layer->Viewport());
    ASSERT_TRUE(instance);
    const std::vector<TextureRecord> inputs(plugin.inputs, input->AsTextureRecord());
    for (int frame = 0; frame < kFramesPerLife; ++frame) {
      if (&plugin == &kPreview) {
        ASSERT_TRUE(e2e::Publish(picture.frame));
      }
      ASSERT_EQ(instance->RenderFrame(*layer, inputs), FF_SUCCESS);
    }
    ASSERT_EQ(instance->Deinstantiate(), FF_SUCCESS);
  }  // ~PluginLibrary: code 2, then FreeLibrary

  // Half bare cycles, half lives, each half checked against the state after
  // one warm-up cycle of each kind: the first load of a plugin may set up
  // what the process then keeps (the GL driver's state, the runtime's
  // dependencies), which is no loss per cycle.
  void Cycle(const Plugin& plugin, int cycles, const std::string& name) {
    ASSERT_TRUE(BareCycle(plugin));
    ASSERT_NO_FATAL_FAILURE(Life(plugin));
    const ProcessState before = Measure();
    for (int cycle = 0; cycle < cycles / 2; ++cycle) {
      ASSERT_TRUE(BareCycle(plugin)) << name << ": load " << cycle << " failed";
    }
    ExpectAsBefore(before, name + ", " + std::to_string(cycles / 2) + " bare cycles");
    for (int cycle = 0; cycle < cycles - cycles / 2; ++cycle) {
      ASSERT_NO_FATAL_FAILURE(Life(plugin)) << name << ": life " << cycle;
    }
    ExpectAsBefore(before, name + ", then " + std::to_string(cycles - cycles / 2) + " lives");
    EXPECT_FALSE(IsLoaded(plugin)) << name << " is still loaded";
  }

  std::unique_ptr<testgl::GlContext> context;
  std::unique_ptr<testhost::HostFramebuffer> layer;
  std::unique_ptr<testhost::HostFramebuffer> input;
  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
  e2e::SolidPicture picture{32, 18, e2e::kGreen};
};

TEST_F(LoadCycles, PreviewLeavesTheProcessAsItFoundIt) {
  ASSERT_NO_FATAL_FAILURE(Cycle(kPreview, PreviewCycles(), "KestrinPreview.dll"));
  EXPECT_FALSE(ndisim::RuntimeIsLoaded());
  EXPECT_EQ(ndisim::TeardownProblems(), std::vector<std::string>{});
}

TEST_F(LoadCycles, EveryOtherPluginLeavesTheProcessAsItFoundIt) {
  for (const Plugin& plugin : kOthers) {
    const std::string name = testos::NativePath(plugin.path).filename().string();
    ASSERT_NO_FATAL_FAILURE(Cycle(plugin, kOtherCycles, name));
  }
}

}  // namespace
