// Plugin DLLs loaded and unloaded many times over, as a host that rescans its
// plugin folder does, leave the process as they found it: the same open
// handles, the same lowest free TLS index, the same threads, no more than a
// trace of heap, and the module gone after the last FreeLibrary. Three kinds
// of cycle: bare loads; a whole life (codes 0 and 34, an instance in the WGL
// context drawing a few frames, the preview's fed by the simulated runtime,
// then codes 19 and 2); and a folder scan that reads the parameters (codes
// 0, 4 and 6) and unloads without code 2.
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
constexpr int kScanCycles = 200;
constexpr int kFramesPerLife = 3;
// Heap bytes a cycle may leave behind on average: room for the loader's
// and the GL driver's own bookkeeping, well below the smallest leak seen (a
// forgotten prototype, about 4 KB).
constexpr double kHeapBytesPerCycle = 1024;

struct ProcessState {
  int handles;
  unsigned long lowestFreeTls;
  int threads;
  testos::HeapUse heap;
};

ProcessState Measure() {
  return {testos::OpenHandleCount(), testos::LowestFreeTlsIndex(), testos::ThreadCount(),
          testos::AllocatedHeapBytes()};
}

// The process's state once the threads of the cycles just run have gone:
// a joined thread may stay listed for a moment, so the count is given time
// to settle down to `threads`.
ProcessState MeasureSettled(int threads) {
  testos::WaitUntil([&] { return testos::ThreadCount() <= threads; }, std::chrono::seconds(5));
  return Measure();
}

// Expects the process in `after` as it was in `before`, `cycles` cycles
// earlier, and prints the differences either way.
void ExpectAsBefore(const ProcessState& before, const ProcessState& after, int cycles,
                    const std::string& what) {
  const long long heapBytes = after.heap.bytes - before.heap.bytes;
  const double bytesPerCycle = static_cast<double>(heapBytes) / cycles;
  std::printf("%s: open handles %+d, lowest free TLS index %lu -> %lu, threads %+d, "
              "heap %+lld bytes in %+lld blocks (%.1f bytes per cycle)\n",
              what.c_str(), after.handles - before.handles, before.lowestFreeTls,
              after.lowestFreeTls, after.threads - before.threads, heapBytes,
              static_cast<long long>(after.heap.blocks - before.heap.blocks), bytesPerCycle);
  EXPECT_EQ(after.handles, before.handles) << what << ": open handles";
  EXPECT_EQ(after.lowestFreeTls, before.lowestFreeTls) << what << ": lowest free TLS index";
  EXPECT_EQ(after.threads, before.threads) << what << ": threads";
  EXPECT_LE(bytesPerCycle, kHeapBytesPerCycle) << what << ": heap bytes per cycle";
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
bool BareCycle(const testos::fs::path& file) {
  const platform::LibraryHandle handle = platform::LoadLibraryFromPath(file.native());
  if (!handle) return false;
  platform::FreeLibraryHandle(handle);
  return true;
}
bool BareCycle(const Plugin& plugin) { return BareCycle(testos::NativePath(plugin.path)); }

// What a host scanning its plugin folder does: the information record, the
// parameter count and every default, which makes the prototype; then the
// unload, without code 2.
bool ScanCycle(const Plugin& plugin) {
  const platform::LibraryHandle handle =
      platform::LoadLibraryFromPath(testos::NativePath(plugin.path).native());
  if (!handle) return false;
  const auto plugMain =
      reinterpret_cast<PlugMainFunction>(platform::FindExport(handle, "plugMain"));
  bool answered = plugMain && plugMain(FF_GET_INFO, {0}, nullptr).AsPointer() != nullptr;
  const uint32_t count = answered ? plugMain(FF_GET_NUM_PARAMETERS, {0}, nullptr).AsUInt() : 0;
  answered = answered && count != FF_FAIL;
  for (uint32_t id = 0; answered && id < count; ++id) {
    plugMain(FF_GET_PARAMETER_DEFAULT, FFGLValue::FromUInt(id), nullptr);
  }
  platform::FreeLibraryHandle(handle);
  return answered;
}

// The state to compare, with the simulated runtime's records of the
// cycles so far checked and then dropped: they grow with every life and
// are the test's, not the plugin's.
ProcessState MeasureWithoutRecords(int threads) {
  EXPECT_EQ(ndisim::TeardownProblems(), std::vector<std::string>{});
  NdiSim_Reset();
  ndisim::SetSourceNames({e2e::kMainSource});
  return MeasureSettled(threads);
}

// `count` cycles of one kind, checked against the state before them.
// (ASSERT_NO_FATAL_FAILURE would start GoogleTest's own watcher thread on
// its first use, which would count as the cycles'.)
template <typename OneCycle>
void Repeat(int count, const std::string& what, OneCycle cycle) {
  const ProcessState before = MeasureWithoutRecords(testos::ThreadCount());
  for (int i = 0; i < count; ++i) {
    cycle();
    if (::testing::Test::HasFatalFailure()) {
      ADD_FAILURE() << what << ": cycle " << i;
      return;
    }
  }
  ExpectAsBefore(before, MeasureWithoutRecords(before.threads), count, what);
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

  // Half bare cycles, half lives, then the scans, each kind checked on its
  // own, and all after one warm-up cycle of every kind: the first load of a
  // plugin may set up what the process then keeps (the GL driver's state,
  // the runtime's dependencies), which is no loss per cycle.
  void Cycle(const Plugin& plugin, int cycles, int scans, const std::string& name) {
    ASSERT_TRUE(BareCycle(plugin));
    ASSERT_NO_FATAL_FAILURE(Life(plugin));
    ASSERT_TRUE(ScanCycle(plugin));
    const int bare = cycles / 2, lives = cycles - bare;
    Repeat(bare, name + ", " + std::to_string(bare) + " bare cycles",
           [&] { ASSERT_TRUE(BareCycle(plugin)); });
    Repeat(lives, name + ", " + std::to_string(lives) + " lives",
           [&] { ASSERT_NO_FATAL_FAILURE(Life(plugin)); });
    Repeat(scans, name + ", " + std::to_string(scans) + " scans without code 2",
           [&] { ASSERT_TRUE(ScanCycle(plugin)); });
    EXPECT_FALSE(IsLoaded(plugin)) << name << " is still loaded";
  }

  std::unique_ptr<testgl::GlContext> context;
  std::unique_ptr<testhost::HostFramebuffer> layer;
  std::unique_ptr<testhost::HostFramebuffer> input;
  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
  e2e::SolidPicture picture{32, 18, e2e::kGreen};
};

TEST_F(LoadCycles, PreviewLeavesTheProcessAsItFoundIt) {
  ASSERT_NO_FATAL_FAILURE(Cycle(kPreview, PreviewCycles(), kScanCycles, "KestrinPreview.dll"));
  EXPECT_FALSE(ndisim::RuntimeIsLoaded());
  EXPECT_EQ(ndisim::TeardownProblems(), std::vector<std::string>{});
}

TEST_F(LoadCycles, EveryOtherPluginLeavesTheProcessAsItFoundIt) {
  for (const Plugin& plugin : kOthers) {
    const std::string name = testos::NativePath(plugin.path).filename().string();
    ASSERT_NO_FATAL_FAILURE(Cycle(plugin, kOtherCycles, kOtherCycles, name));
  }
}

// The simulated runtime is built as the plugins are, so that the lives
// above measure the plugin alone.
TEST(SimulatedRuntime, LeavesTheProcessAsItFoundIt) {
  ASSERT_TRUE(BareCycle(ndisim::RuntimeFile()));
  Repeat(kOtherCycles, "the simulated runtime, " + std::to_string(kOtherCycles) + " bare cycles",
         [&] { ASSERT_TRUE(BareCycle(ndisim::RuntimeFile())); });
  EXPECT_FALSE(ndisim::RuntimeIsLoaded());
}

}  // namespace
