// Many instances of the preview plugin living and dying at once, as in a long
// show: sixteen slots, each instance torn down and replaced in turn, while
// sources appear, vanish and get renamed in the simulated runtime, frames and
// connection errors arrive, and parameters change between host frames.
// Afterwards nothing may be left: no thread, no GL object, no runtime handle,
// no captured record, no loaded runtime or plugin library; and no GL error.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "testing/gl_context/GlContext.h"
#include "testing/ndi_runtime_sim/NdiSimControl.h"
#include "testing/ndi_runtime_sim/SimEnvironment.h"
#include "testing/ndi_runtime_sim/SimHelpers.h"
#include "testing/plugin_host/HostFramebuffer.h"
#include "testing/plugin_host/PluginHost.h"
#include "testing/portable/TestOs.h"

namespace {

constexpr int kSlots = 16;
// The run time is mostly teardowns waiting out a worker's capture (at most
// 50 ms each), so sanitizers barely lengthen it.
constexpr int kCycles = 1000;

// The simulated network: a few KESTRIN senders that come, go and get renamed.
class Network {
 public:
  explicit Network(std::mt19937& random) : random(random) {}

  void Change() {
    static const char* const kNames[] = {
        "KESTRIN - Viewport (Stage)", "KESTRIN - Viewport (Backup)", "KESTRIN - VP-03 - Left",
        "KESTRIN - VP-07 - Right",    "KESTRIN - VP-64 - Floor",     "Camera 2",
    };
    names.clear();
    for (const char* name : kNames) {
      if (Chance(2)) names.push_back(Chance(4) ? std::string(name) + " (renamed)" : name);
    }
    std::vector<NdiSimSource> sources;
    for (const std::string& name : names) sources.push_back({name.c_str(), Chance(8) ? nullptr : "10.0.0.1:5961"});
    ndisim::SetSources(sources);
  }

  void Deliver() {
    const std::int32_t width = 16 + static_cast<std::int32_t>(random() % 48);
    const std::int32_t height = 9 + static_cast<std::int32_t>(random() % 27);
    const std::int32_t stride = width * 4 + static_cast<std::int32_t>(random() % 3) * 16;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * height, 0x80);
    const NdiSimFrame frame{width, height, Chance(2) ? kNdiFourCCBgra : kNdiFourCCBgrx, stride,
                            0.0f, pixels.data(), pixels.size()};
    NdiSim_QueueVideo(&frame);  // copied
    if (Chance(16)) NdiSim_QueueResult(4);
  }

  bool Chance(unsigned oneIn) { return random() % oneIn == 0; }

 private:
  std::mt19937& random;
  std::vector<std::string> names;
};

// A host's parameter change between frames: any of the writable
// parameters, in or out of range, and a read of the status text.
void ChangeParameters(testhost::PluginInstance& instance, std::mt19937& random) {
  switch (random() % 6) {
    case 0:
      instance.SetFloatParameter(0, static_cast<float>(random() % 66));  // 65 is refused
      break;
    case 1:
      instance.SetTextParameter(1, random() % 3 == 0 ? "" : "KESTRIN - VP-03 - Left");
      break;
    case 2:
      instance.SetFloatParameter(2, static_cast<float>(random() % 5) * 0.5f);
      break;
    case 3:
      instance.SetFloatParameter(3, static_cast<float>(random() % 2));
      break;
    case 4:
      instance.SetFloatParameter(4, random() % 8 == 0 ? 1.0f : 0.0f);
      break;
    default:
      instance.TakeParameterEvents(8);
      const char* text = instance.GetTextParameter(5);
      EXPECT_TRUE(text && text[0] != '\0') << "no status text";
  }
}

TEST(Soak, SixteenInstancesThroughAThousandLifeCycles) {
  std::string error;
  auto context = testgl::CreateCurrentContextWithGlew(error);
  ASSERT_NE(context, nullptr) << error;
  auto target = testhost::HostFramebuffer::Create(64, 36, error);
  ASSERT_NE(target, nullptr) << error;
  target->Clear(0, 0, 0, 1);  // the driver's own threads exist from here on
  const int threadsBefore = testos::ThreadCount();
  const testgl::GlObjects objectsBefore = testgl::LiveGlObjects();

  ndisim::ScopedRuntimeFolder runtimeFolder(NDISIM_RUNTIME_DIR);
  NdiSim_Reset();
  auto library = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
  ASSERT_NE(library, nullptr) << error;

  std::mt19937 random(1701);
  Network network(random);
  network.Change();
  std::vector<std::unique_ptr<testhost::PluginInstance>> slots(kSlots);
  const auto start = std::chrono::steady_clock::now();
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    auto& slot = slots[cycle % kSlots];
    slot.reset();  // code 19 on the instance that lived here
    slot = library->Instantiate(target->Viewport());
    ASSERT_NE(slot, nullptr) << "code 18 failed in cycle " << cycle;

    if (network.Chance(8)) network.Change();
    if (network.Chance(2)) network.Deliver();
    target->Bind();
    for (auto& instance : slots) {
      if (!instance) continue;
      if (network.Chance(3)) ChangeParameters(*instance, random);
      ASSERT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
    }
    target->Unbind();
  }
  slots.clear();
  EXPECT_EQ(testgl::LiveGlObjects(), objectsBefore);
  EXPECT_EQ(context->TakeErrors(), "");
  std::printf("soak: %d cycles in %.1f s\n", kCycles,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

  EXPECT_TRUE(testos::WaitUntil([&] { return testos::ThreadCount() == threadsBefore; }))
      << testos::ThreadCount() - threadsBefore << " threads left";
  EXPECT_GT(NdiSim_VideoHandedOut(), 0) << "no frame ever reached a receiver";
  EXPECT_EQ(ndisim::TeardownProblems(), std::vector<std::string>{});

  library.reset();  // code 2, then unloaded
  EXPECT_FALSE(testos::IsLibraryLoaded(testos::NativePath(KESTRIN_PREVIEW_PATH)))
      << "the plugin library is still loaded";
  NdiSim_Reset();
}

}  // namespace
