// The plugin core's GL set-up and tear-down in-process, in a real OpenGL 4.1
// core context: what a host cannot reach through plugMain (DeInitGL followed
// by a new InitGL on the same object) and every way InitGL can fail.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "ProbePixels.h"
#include "sample_plugins/ProbeGlsl.h"
#include "quickstart/Source.h"
#include "testing/gl_context/GlContext.h"
#include "testing/plugin_host/HostFramebuffer.h"
#include "tests/glhelpers/StdoutCapture.h"

namespace {

// Pixel 0 encodes "frame", pixel 1 "time". Counts its hook calls.
class ClockSource : public ffglqs::Source {
 public:
  explicit ClockSource(const std::string& body = DefaultBody()) : Source(false) {
    SetFragmentBody(body);
  }

  static std::string DefaultBody() {
    return std::string(sample::kEncodeBits) +
           "void main() { fragColor = EncodeBits(int(gl_FragCoord.x) == 0 ? uint(frame) : "
           "floatBitsToUint(time)); }\n";
  }

  uint32_t InitHook() override { return initHookResult; }
  void CleanHook() override { ++cleanHooks; }
  uint32_t Render(const ProcessOpenGLRecord* record) override {
    Source::Render(record);
    return renderResult;
  }

  using Source::AddParam;

  uint32_t initHookResult = FF_SUCCESS;
  uint32_t renderResult = FF_SUCCESS;
  int cleanHooks = 0;
};

class PluginLifecycle : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    context_ = testgl::CreateCurrentContextWithGlew(error);
    ASSERT_TRUE(context_) << error;
    framebuffer_ = testhost::HostFramebuffer::Create(2, 1, error);
    ASSERT_TRUE(framebuffer_) << error;
  }
  void TearDown() override {
    if (context_) {
      EXPECT_EQ(context_->TakeErrors(), "");
    }
  }

  // One frame; the encoded frame number and time.
  void Frame(ClockSource& plugin, uint32_t& frame, float& time) {
    const ProcessOpenGLRecord record{0, nullptr};
    framebuffer_->Bind();
    EXPECT_EQ(plugin.ProcessOpenGL(&record), plugin.renderResult);
    framebuffer_->Unbind();
    const testhost::RgbaImage image = framebuffer_->ReadPixels();
    frame = qstest::BitsAt(image, 0);
    time = qstest::FloatAt(image, 1);
  }

  const ViewportRecord viewport_{0, 0, 2, 1};
  std::unique_ptr<testgl::GlContext> context_;
  std::unique_ptr<testhost::HostFramebuffer> framebuffer_;
};

TEST_F(PluginLifecycle, ClockKeepsCountingAcrossANewGlSetUp) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point beforeConstruction = Clock::now();
  const testgl::GlObjects objects = testgl::LiveGlObjects();
  ClockSource plugin;
  const Clock::time_point afterConstruction = Clock::now();
  ASSERT_EQ(plugin.InitGL(&viewport_), FF_SUCCESS);
  uint32_t frame1 = 0, frame2 = 0;
  float time1 = 0.0f, time2 = 0.0f;
  const Clock::time_point beforeFrame = Clock::now();
  Frame(plugin, frame1, time1);
  const Clock::time_point afterFrame = Clock::now();
  // Seconds since construction: no less than the time certainly gone by
  // since then, no more than the time that can have gone by.
  const auto seconds = [](Clock::duration d) { return std::chrono::duration<double>(d).count(); };
  EXPECT_GE(time1, seconds(beforeFrame - afterConstruction) - 1e-6);
  EXPECT_LE(time1, seconds(afterFrame - beforeConstruction) + 1e-6);
  EXPECT_EQ(plugin.DeInitGL(), FF_SUCCESS);
  EXPECT_EQ(plugin.cleanHooks, 1);
  ASSERT_EQ(plugin.InitGL(&viewport_), FF_SUCCESS);
  Frame(plugin, frame2, time2);
  EXPECT_EQ(frame1, 1u);
  EXPECT_EQ(frame2, 2u);
  EXPECT_GE(time2, time1);
  EXPECT_GT(time1, 0.0f);
  plugin.DeInitGL();
  EXPECT_EQ(testgl::LiveGlObjects(), objects);  // no texture, buffer, vertex array or program
}

TEST_F(PluginLifecycle, TriggersResetWhateverRenderAnswers) {
  ClockSource plugin;
  auto trigger = ffglqs::ParamTrigger::Create("go");
  plugin.AddParam(trigger);
  ASSERT_EQ(plugin.InitGL(&viewport_), FF_SUCCESS);
  uint32_t frame = 0;
  float time = 0.0f;
  for (uint32_t result : {FF_SUCCESS, FF_FAIL, 7u}) {
    SCOPED_TRACE(result);
    plugin.renderResult = result;
    ASSERT_EQ(plugin.SetFloatParameter(0, 1.0f), FF_SUCCESS);
    Frame(plugin, frame, time);
    EXPECT_EQ(trigger->GetValue(), 0.0f);
  }
  plugin.DeInitGL();
}

TEST_F(PluginLifecycle, FailedSetUpTearsDownAndCanBeTornDownAgain) {
  const testgl::GlObjects objects = testgl::LiveGlObjects();
  ClockSource broken("void main() { fragColor = undeclared; }\n");
  EXPECT_EQ(broken.InitGL(&viewport_), FF_FAIL);
  EXPECT_EQ(broken.cleanHooks, 1);
  EXPECT_EQ(broken.DeInitGL(), FF_SUCCESS);  // as the instantiation does next
  EXPECT_EQ(broken.cleanHooks, 2);
  EXPECT_EQ(testgl::LiveGlObjects(), objects);

  ClockSource refused;
  refused.initHookResult = FF_FAIL;
  EXPECT_EQ(refused.InitGL(&viewport_), FF_FAIL);
  EXPECT_EQ(refused.cleanHooks, 1);

  ClockSource odd;
  odd.initHookResult = 1;  // anything but FF_FAIL counts as success
  EXPECT_EQ(odd.InitGL(&viewport_), FF_SUCCESS);
  EXPECT_EQ(odd.cleanHooks, 0);
  odd.DeInitGL();

  ClockSource noViewport;
  EXPECT_EQ(noViewport.InitGL(nullptr), FF_FAIL);

  // A name the shader cannot take: one line of ours, not the compiler's.
  ClockSource clash;
  clash.AddParam(ffglqs::Param::Create("time"));
  glhelpers_test::StdoutCapture output;
  EXPECT_EQ(clash.InitGL(&viewport_), FF_FAIL);
  EXPECT_EQ(output.Text(),
            "Parameter \"time\" cannot name a shader uniform: the shader already declares \"time\"\n");
  EXPECT_EQ(clash.cleanHooks, 1);
  EXPECT_EQ(testgl::LiveGlObjects(), objects);
}

TEST_F(PluginLifecycle, NamesNearTheShadersOwnCompile) {
  ClockSource plugin;
  for (const char* name : {"Time", "timeScale", "inputTexture", "random", "map", "gl", "a__b",
                           "floats", "_0"}) {
    plugin.AddParam(ffglqs::Param::Create(name));
  }
  EXPECT_EQ(plugin.InitGL(&viewport_), FF_SUCCESS);
  plugin.DeInitGL();
}

}  // namespace
