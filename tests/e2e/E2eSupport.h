// Shared by the end-to-end tests: KestrinPreview.so loaded through the plugin
// host exactly as a host loads it, with the simulated NDI runtime found
// through NDI_RUNTIME_DIR_V6, and helpers to feed it pictures and read back
// what the layer shows and what "Connection" says.
#pragma once

#include <gtest/gtest.h>

#include <GL/glew.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
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

namespace e2e {

using testhost::RgbaImage;
using testhost::RgbaPixel;

constexpr uint32_t kSource = 0;
constexpr uint32_t kNameOverride = 1;
constexpr uint32_t kFraming = 2;
constexpr uint32_t kFlip = 3;
constexpr uint32_t kFreeze = 4;
constexpr uint32_t kConnection = 5;

constexpr const char* kMainSource = "KESTRIN - Viewport";

const RgbaPixel kBlack{0, 0, 0, 255};
const RgbaPixel kRed{255, 0, 0, 255};
const RgbaPixel kGreen{0, 255, 0, 255};
const RgbaPixel kBlue{0, 0, 255, 255};
const RgbaPixel kYellow{255, 255, 0, 255};
const RgbaPixel kMagenta{255, 0, 255, 255};
const RgbaPixel kCyan{0, 255, 255, 255};

using testos::WaitUntil;

inline int ThreadCount() { return testos::ThreadCount(); }

// A joined thread can still be listed by the OS for a moment after the join
// returned, so a count that must drop is waited for (bounded).
inline bool ThreadCountSettlesAt(int expected) {
  return WaitUntil([&] { return ThreadCount() == expected; }, std::chrono::seconds(5));
}

// The name the worker last connected to (empty before any connect or after a
// disconnect).
inline std::string LastConnectedName() {
  const int count = NdiSim_ConnectCount();
  if (count == 0) return {};
  const char* name = NdiSim_Connect(count - 1).name;
  return name ? name : "";
}

// A BGRA picture with a distinct colour in each quadrant (red top-left,
// green top-right, blue bottom-left, yellow bottom-right, as seen upright)
// and a magenta band over the outer eighth at the left and right, so that
// flips, mirrors, crops and bars all show.
struct QuadrantPicture {
  std::vector<uint8_t> bgra;
  NdiSimFrame frame{};

  QuadrantPicture(int32_t width, int32_t height, float aspect = 0.0f) {
    bgra.resize(static_cast<std::size_t>(width) * height * 4);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const bool top = y < height / 2, left = x < width / 2;
        RgbaPixel c = top ? (left ? kRed : kGreen) : (left ? kBlue : kYellow);
        if (x < width / 8 || x >= width - width / 8) c = kMagenta;
        uint8_t* p = &bgra[(static_cast<std::size_t>(y) * width + x) * 4];
        p[0] = c.b, p[1] = c.g, p[2] = c.r, p[3] = 255;
      }
    }
    frame = {width, height, kNdiFourCCBgra, width * 4, aspect, bgra.data(), bgra.size()};
  }
};

// A BGRA picture of one colour.
struct SolidPicture {
  std::vector<uint8_t> bgra;
  NdiSimFrame frame{};

  SolidPicture(int32_t width, int32_t height, RgbaPixel c) {
    for (int32_t i = 0; i < width * height; ++i) bgra.insert(bgra.end(), {c.b, c.g, c.r, 255});
    frame = {width, height, kNdiFourCCBgra, width * 4, 0.0f, bgra.data(), bgra.size()};
  }
};

// Queues a picture and waits until a worker has captured it, copied it and
// handed the runtime's record back, which it does after publishing.
inline bool Publish(const NdiSimFrame& frame) {
  const int handedBack = NdiSim_VideoHandedBack();
  NdiSim_QueueVideo(&frame);
  return WaitUntil([&] { return NdiSim_VideoHandedBack() > handedBack; });
}

inline bool Near(RgbaPixel a, RgbaPixel b) {
  auto close = [](uint8_t x, uint8_t y) { return std::abs(int(x) - int(y)) <= 2; };
  return close(a.r, b.r) && close(a.g, b.g) && close(a.b, b.b) && close(a.a, b.a);
}

inline std::string Describe(RgbaPixel p) {
  return "(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + "," +
         std::to_string(p.a) + ")";
}

// Expects the pixel at (x, y), y counted from the top, to be `expected`.
#define EXPECT_PIXEL(image, x, y, expected)                                                 \
  EXPECT_PRED2(::e2e::Near, (image).PixelFromTop((x), (y)), (expected))                     \
      << "at (" << (x) << ", " << (y) << " from the top): "                                 \
      << ::e2e::Describe((image).PixelFromTop((x), (y)))

// A GL context, a 160 x 90 host layer, the plugin library loaded and the
// simulated runtime listing the main viewport. Every test ends with the
// runtime released and used correctly.
class PreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NdiSim_Reset();
    ndisim::SetSourceNames({kMainSource});
    std::string error;
    context = testgl::CreateCurrentContextWithGlew(error);
    ASSERT_TRUE(context) << error;
    layer = testhost::HostFramebuffer::Create(160, 90, error);
    ASSERT_TRUE(layer) << error;
    library = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
    ASSERT_TRUE(library) << error;
  }

  void TearDown() override {
    ndisim::ReleaseBlocks();
    instances.clear();
    library.reset();
    EXPECT_EQ(ndisim::TeardownProblems(), std::vector<std::string>{});
    layer.reset();
    if (context) {
      EXPECT_EQ(context->TakeErrors(), "");
    }
    context.reset();
  }

  // An instance kept until the end of the test (or Deinstantiate).
  testhost::PluginInstance& Instantiate(ViewportRecord viewport = {0, 0, 160, 90}) {
    auto instance = library->Instantiate(viewport);
    // Thrown rather than asserted so that callers can use the reference;
    // the test fails with this message.
    if (!instance) throw std::runtime_error("code 18 failed");
    instances.push_back(std::move(instance));
    return *instances.back();
  }

  // Draws one frame into `target` (the layer by default) and reads it back.
  RgbaImage Render(const testhost::PluginInstance& instance,
                   testhost::HostFramebuffer* target = nullptr) {
    testhost::HostFramebuffer& fb = target ? *target : *layer;
    EXPECT_EQ(instance.RenderFrame(fb), FF_SUCCESS);
    return fb.ReadPixels();
  }

  // Draws until the worker is connected to `source` and "Connection" says
  // so, collecting the events on the way.
  bool RenderUntilReceiving(const testhost::PluginInstance& instance, const std::string& source) {
    const std::string expected = "Receiving: " + source;
    return WaitUntil([&] {
      instance.RenderFrame(*layer);
      instance.TakeParameterEvents(16);
      return instance.GetTextParameter(kConnection) == expected;
    });
  }

  static std::string Connection(const testhost::PluginInstance& instance) {
    const char* text = instance.GetTextParameter(kConnection);
    return text ? text : "(null)";
  }

  std::unique_ptr<testgl::GlContext> context;
  std::unique_ptr<testhost::HostFramebuffer> layer;
  std::unique_ptr<testhost::PluginLibrary> library;
  std::vector<std::unique_ptr<testhost::PluginInstance>> instances;
  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
};

}  // namespace e2e
