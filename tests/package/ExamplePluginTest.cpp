// Plugins built outside this tree against the installed package, loaded the
// way a host loads them: the example is an effect that draws its input
// scaled by its one parameter and exports nothing but the two entry points;
// a plugin whose parameter name its shader cannot use fails instantiation
// and says why in one line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "testing/gl_context/GlContext.h"
#include "testing/plugin_host/HostFramebuffer.h"
#include "testing/plugin_host/PluginHost.h"
#include "testing/portable/TestOs.h"
#include "tests/glhelpers/StdoutCapture.h"

namespace {

using testhost::RgbaPixel;

bool Near(RgbaPixel a, RgbaPixel b) {
  const auto close = [](int x, int y) { return std::abs(x - y) <= 1; };
  return close(a.r, b.r) && close(a.g, b.g) && close(a.b, b.b) && close(a.a, b.a);
}

std::string Describe(RgbaPixel p) {
  return "(" + std::to_string(p.r) + "," + std::to_string(p.g) + "," + std::to_string(p.b) + "," +
         std::to_string(p.a) + ")";
}

TEST(ExamplePlugin, BuiltFromThePackageDrawsItsInputScaledByTheGain) {
#ifndef _WIN32
  // The Windows DLL's tables are checked by a test of their own.
  EXPECT_EQ(testos::DynamicExports(NM_PATH, EXAMPLE_PLUGIN_PATH),
            (std::set<std::string>{"SetLogCallback", "plugMain"}));
#endif
  std::string error;
  auto context = testgl::CreateCurrentContextWithGlew(error);
  ASSERT_TRUE(context) << error;
  auto layer = testhost::HostFramebuffer::Create(16, 8, error);
  ASSERT_TRUE(layer) << error;
  auto library = testhost::PluginLibrary::Load(EXAMPLE_PLUGIN_PATH, error);
  ASSERT_TRUE(library) << error;
  ASSERT_NE(library->GetInfo(), nullptr);
  EXPECT_EQ(library->GetInfo()->PluginType, FF_EFFECT);
  EXPECT_EQ(std::string(library->GetParameterName(0)), "gain");

  std::vector<uint8_t> picture;
  for (int i = 0; i < 16 * 8; ++i) picture.insert(picture.end(), {200, 100, 50, 255});
  auto input = testhost::HostTexture::Create(16, 8, picture);
  ASSERT_TRUE(input);
  {
    auto instance = library->Instantiate(layer->Viewport());
    ASSERT_TRUE(instance);
    // The default gain first, then two that are set.
    const struct {
      float gain;
      RgbaPixel expected;
    } cases[] = {{0.5f, {100, 50, 25, 255}}, {1.0f, {200, 100, 50, 255}}, {0.0f, {0, 0, 0, 255}}};
    for (const auto& c : cases) {
      if (&c != &cases[0]) {
        EXPECT_EQ(instance->SetFloatParameter(0, c.gain), FF_SUCCESS);
      }
      ASSERT_EQ(instance->RenderFrame(*layer, {input->Record()}), FF_SUCCESS);
      const testhost::RgbaImage image = layer->ReadPixels();
      for (uint32_t y = 0; y < 8; y += 7) {
        for (uint32_t x = 0; x < 16; x += 15) {
          EXPECT_PRED2(Near, image.Pixel(x, y), c.expected)
              << "gain " << c.gain << " at (" << x << ", " << y << "): " << Describe(image.Pixel(x, y));
        }
      }
    }
  }
  input.reset();
  layer.reset();
  EXPECT_EQ(context->TakeErrors(), "");
}

TEST(PackagedPlugin, AParameterNameItsShaderCannotUseFailsInstantiationWithOneLine) {
  std::string error;
  auto context = testgl::CreateCurrentContextWithGlew(error);
  ASSERT_TRUE(context) << error;
  auto library = testhost::PluginLibrary::Load(BAD_NAME_PLUGIN_PATH, error);
  ASSERT_TRUE(library) << error;
  EXPECT_EQ(std::string(library->GetParameterName(0)), "my gain");  // the host may show it
  const ViewportRecord viewport{0, 0, 16, 8};
  FFGLValue answer{0};
  std::string output;
  {
    // The plugin has a runtime of its own on Windows: catch the line where
    // it leaves the process, at the file descriptor.
    glhelpers_test::StdoutFileCapture capture;
    ASSERT_TRUE(capture.Ready());
    answer = library->InstantiateRaw(&viewport);
    output = capture.FlushedText();
  }
  EXPECT_TRUE(testhost::IsFail(answer));
  EXPECT_EQ(output,
            "Parameter \"my gain\" cannot name a shader uniform: it is not a GLSL identifier "
            "(letters, digits and _, not starting with a digit)\n");
  EXPECT_EQ(context->TakeErrors(), "");
}

}  // namespace
