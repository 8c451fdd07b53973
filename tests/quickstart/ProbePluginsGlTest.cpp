// The three sample plugins, each its own library, driven through the plugin
// host in a real OpenGL 4.1 core context: the uniforms every frame sees (read
// back exactly from encoded pixels), parameter calls across plugMain, and how
// the variants bind and scale their input textures.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ProbePixels.h"
#include "sample_plugins/SamplePlugins.h"
#include "testing/gl_context/GlContext.h"
#include "testing/plugin_host/HostFramebuffer.h"
#include "testing/plugin_host/PluginHost.h"

namespace {

using namespace sample;
using testhost::RgbaImage;
using testhost::RgbaPixel;
using qstest::BitsAt;
using qstest::FloatAt;

const RgbaPixel kGreen{0, 255, 0, 255};
const RgbaPixel kBlue{0, 0, 255, 255};
const RgbaPixel kRed{255, 0, 0, 255};

std::unique_ptr<testhost::HostTexture> SolidTexture(uint32_t width, uint32_t height,
                                                    RgbaPixel colour) {
  std::vector<uint8_t> rgba;
  rgba.reserve(std::size_t{width} * height * 4);
  for (std::size_t i = 0; i < std::size_t{width} * height; ++i) {
    rgba.insert(rgba.end(), {colour.r, colour.g, colour.b, colour.a});
  }
  return testhost::HostTexture::Create(width, height, rgba);
}

// A 2048 x 2048 texture whose lower-left 1920 x 1080 (the picture) is green
// and the rest red: sampling outside the picture shows red.
std::unique_ptr<testhost::HostTexture> OversizedPicture(TextureRecord& record) {
  std::vector<uint8_t> rgba(std::size_t{2048} * 2048 * 4);
  for (uint32_t y = 0; y < 2048; ++y) {
    for (uint32_t x = 0; x < 2048; ++x) {
      const RgbaPixel c = (x < 1920 && y < 1080) ? kGreen : kRed;
      std::memcpy(&rgba[(std::size_t{y} * 2048 + x) * 4], &c, 4);
    }
  }
  auto texture = testhost::HostTexture::Create(2048, 2048, rgba);
  record = TextureRecord{1920, 1080, 2048, 2048, texture->Name()};
  return texture;
}

// A context, one sample plugin library and one instance drawing into a
// framebuffer of the instance's viewport size.
class ProbeFixture : public ::testing::Test {
 protected:
  void Start(const char* libraryPath, uint32_t width, uint32_t height) {
    std::string error;
    context_ = testgl::CreateCurrentContextWithGlew(error);
    ASSERT_TRUE(context_) << error;
    framebuffer_ = testhost::HostFramebuffer::Create(width, height, error);
    ASSERT_TRUE(framebuffer_) << error;
    library_ = testhost::PluginLibrary::Load(libraryPath, error);
    ASSERT_TRUE(library_) << error;
    instance_ = library_->Instantiate(framebuffer_->Viewport());
    ASSERT_TRUE(instance_) << "instantiation failed";
  }

  RgbaImage Frame(const std::vector<TextureRecord>& inputs = {}) {
    EXPECT_EQ(instance_->RenderFrame(*framebuffer_, inputs), FF_SUCCESS);
    return framebuffer_->ReadPixels();
  }

  // Code 17 with a record as given, null pointers included.
  uint32_t RawFrame(uint32_t count, TextureRecord** inputs) {
    ProcessOpenGLRecord record{count, inputs};
    framebuffer_->Bind();
    const uint32_t result =
        instance_->Call(FF_PROCESS_OPENGL, FFGLValue::FromPointer(&record)).AsUInt();
    framebuffer_->Unbind();
    return result;
  }

  void TearDown() override {
    instance_.reset();  // code 19 while the context is there to be checked
    library_.reset();
    if (context_) {
      EXPECT_EQ(context_->TakeErrors(), "");
    }
  }

  std::unique_ptr<testgl::GlContext> context_;
  std::unique_ptr<testhost::HostFramebuffer> framebuffer_;
  std::unique_ptr<testhost::PluginLibrary> library_;
  std::unique_ptr<testhost::PluginInstance> instance_;
};

class SourcePlugin : public ProbeFixture {
 protected:
  void SetUp() override { Start(PROBE_SOURCE_PATH, kSourceColumns, 1); }
};

TEST_F(SourcePlugin, FrameClockCountsFromConstructionAndNeverRestarts) {
  const RgbaImage first = Frame();
  EXPECT_EQ(BitsAt(first, kFrame), 1u);
  const float t1 = FloatAt(first, kTime);
  EXPECT_GT(t1, 0.0f);
  EXPECT_EQ(FloatAt(first, kDeltaTime), t1);  // since construction

  const RgbaImage second = Frame();
  EXPECT_EQ(BitsAt(second, kFrame), 2u);
  const float t2 = FloatAt(second, kTime);
  EXPECT_GE(t2, t1);
  EXPECT_EQ(FloatAt(second, kDeltaTime), t2 - t1);
}

TEST_F(SourcePlugin, ResolutionTempoAndPhaseComeFromTheHost) {
  RgbaImage image = Frame();
  EXPECT_EQ(FloatAt(image, kResolutionX), float{kSourceColumns});
  EXPECT_EQ(FloatAt(image, kResolutionY), 1.0f);
  EXPECT_EQ(FloatAt(image, kBpm), 120.0f);
  EXPECT_EQ(FloatAt(image, kPhase), 0.0f);

  EXPECT_EQ(instance_->SetBeatInfo(128.5f, 0.25f), FF_SUCCESS);
  EXPECT_EQ(instance_->Resize(ViewportRecord{0, 0, 640, 360}), FF_SUCCESS);
  image = Frame();
  EXPECT_EQ(FloatAt(image, kBpm), 128.5f);
  EXPECT_EQ(FloatAt(image, kPhase), 0.25f);
  EXPECT_EQ(FloatAt(image, kResolutionX), 640.0f);
  EXPECT_EQ(FloatAt(image, kResolutionY), 360.0f);
}

TEST_F(SourcePlugin, TriggerReachesOneFrameAndBooleansAreZeroOrOne) {
  ASSERT_EQ(instance_->SetFloatParameter(kPulse, 1.0f), FF_SUCCESS);
  ASSERT_EQ(instance_->SetFloatParameter(kFlag, 0.5f), FF_SUCCESS);
  RgbaImage image = Frame();
  EXPECT_EQ(BitsAt(image, kPulseOn), 1u);
  EXPECT_EQ(BitsAt(image, kFlagOn), 1u);
  EXPECT_EQ(instance_->GetFloatParameter(kPulse), 0.0f);

  instance_->SetFloatParameter(kFlag, 0.0f);
  image = Frame();
  EXPECT_EQ(BitsAt(image, kPulseOn), 0u);
  EXPECT_EQ(BitsAt(image, kFlagOn), 0u);

  instance_->SetFloatParameter(kFlag, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(BitsAt(Frame(), kFlagOn), 1u);
}

TEST_F(SourcePlugin, ColourGroupsArriveAsOneVectorEach) {
  RgbaImage image = Frame();
  for (uint32_t c = 0; c < 4; ++c) EXPECT_EQ(FloatAt(image, kTintRed + c), 1.0f) << c;
  for (uint32_t c = 0; c < 3; ++c) EXPECT_EQ(FloatAt(image, kShadeRedValue + c), 0.5f) << c;

  // Hue 1.0 is a full turn: the same red as hue 0.0. Alpha passes through.
  instance_->SetFloatParameter(kTintHue, 1.0f);
  instance_->SetFloatParameter(kTintSaturation, 1.0f);
  instance_->SetFloatParameter(kTintAlpha, 0.25f);
  instance_->SetFloatParameter(kShadeRed, 0.1f);
  instance_->SetFloatParameter(kShadeGreen, 0.2f);
  instance_->SetFloatParameter(kShadeBlue, 0.3f);
  image = Frame();
  const float red[] = {1.0f, 0.0f, 0.0f, 0.25f};
  for (uint32_t c = 0; c < 4; ++c) EXPECT_NEAR(FloatAt(image, kTintRed + c), red[c], 1e-6) << c;
  const float shade[] = {0.1f, 0.2f, 0.3f};
  for (uint32_t c = 0; c < 3; ++c) EXPECT_EQ(FloatAt(image, kShadeRedValue + c), shade[c]) << c;

  // No saturation: grey of the brightness.
  instance_->SetFloatParameter(kTintSaturation, 0.0f);
  instance_->SetFloatParameter(kTintBrightness, 0.4f);
  image = Frame();
  for (uint32_t c = 0; c < 3; ++c) EXPECT_NEAR(FloatAt(image, kTintRed + c), 0.4f, 1e-6) << c;
}

TEST_F(SourcePlugin, FftElementsFromTheHostReachTheAnalyser) {
  EXPECT_EQ(FloatAt(Frame(), kFftVolume), 0.0f);
  ASSERT_EQ(instance_->SetParameterElementValue(kFft, 0, 0.3f), FF_SUCCESS);
  ASSERT_EQ(instance_->SetParameterElementValue(kFft, 1, 0.4f), FF_SUCCESS);
  EXPECT_EQ(instance_->SetParameterElementValue(kFft, kFftBins, 1.0f), FF_FAIL);
  // Unit gain, no smoothing: the root mean square of the six bins.
  EXPECT_NEAR(FloatAt(Frame(), kFftVolume), std::sqrt((0.09f + 0.16f) / 6.0f), 1e-6);
}

TEST_F(SourcePlugin, InstancesStartFromTheDeclaredDefaults) {
  // A standard parameter created with 2.0 is declared with 1.0; a range
  // parameter keeps its own units; a text keeps its text.
  EXPECT_EQ(library_->GetParameterDefaultFloat(kPlain), 1.0f);
  EXPECT_EQ(instance_->GetFloatParameter(kPlain), 1.0f);
  EXPECT_EQ(library_->GetParameterDefaultFloat(kGain), 2.0f);
  EXPECT_EQ(instance_->GetFloatParameter(kGain), 2.0f);
  const testhost::ParameterRange range = library_->GetParameterRange(kGain);
  EXPECT_EQ(range.min, 0.0f);
  EXPECT_EQ(range.max, 10.0f);
  EXPECT_STREQ(instance_->GetTextParameter(kLabel), "hello");
  const RgbaImage image = Frame();
  EXPECT_EQ(FloatAt(image, kPlainValue), 1.0f);
  EXPECT_EQ(FloatAt(image, kGainValue), 2.0f);
}

TEST_F(SourcePlugin, ParameterCallsAcrossPlugMain) {
  instance_->SetFloatParameter(kPlain, 0.25f);
  EXPECT_STREQ(instance_->GetParameterDisplay(kPlain), "0.250000");
  EXPECT_TRUE(testhost::IsFail(instance_->GetParameterDisplayRaw(kLabel)));
  EXPECT_TRUE(testhost::IsFail(instance_->GetParameterDisplayRaw(kSourceParamCount)));

  EXPECT_EQ(instance_->SetFloatParameter(kSourceParamCount, 0.5f), FF_FAIL);
  EXPECT_EQ(instance_->GetFloatParameter(kSourceParamCount), 0.0f);
  EXPECT_EQ(instance_->GetFloatParameter(kPlain), 0.25f);

  EXPECT_EQ(instance_->SetTextParameter(kLabel, "abc"), FF_SUCCESS);
  EXPECT_STREQ(instance_->GetTextParameter(kLabel), "abc");
  EXPECT_EQ(instance_->SetTextParameter(kLabel, nullptr), FF_SUCCESS);
  EXPECT_STREQ(instance_->GetTextParameter(kLabel), "");

  // A file parameter (which the instance was made with) keeps the host's path.
  EXPECT_STREQ(instance_->GetTextParameter(kClip), "");
  EXPECT_EQ(instance_->SetTextParameter(kClip, "/clips/a.mov"), FF_SUCCESS);
  EXPECT_STREQ(instance_->GetTextParameter(kClip), "/clips/a.mov");
}

TEST_F(SourcePlugin, IgnoresItsInputs) {
  TextureRecord bogus{4, 4, 4, 4, 12345};
  EXPECT_EQ(BitsAt(Frame({bogus, bogus, bogus}), kFrame), 1u);
  TextureRecord* nulls[2] = {nullptr, nullptr};
  EXPECT_EQ(RawFrame(2, nulls), FF_SUCCESS);
  EXPECT_EQ(RawFrame(5, nullptr), FF_SUCCESS);
}

class EffectPlugin : public ProbeFixture {
 protected:
  void SetUp() override { Start(PROBE_EFFECT_PATH, 8, kEffectRows); }
};

TEST_F(EffectPlugin, SamplesOnlyThePictureOfTheFirstInput) {
  EXPECT_EQ(library_->GetInfo()->PluginType, 0u);  // the host's code for an effect
  TextureRecord picture{};
  const auto big = OversizedPicture(picture);
  const auto red = SolidTexture(2, 2, kRed);
  const RgbaImage image = Frame({picture, red->Record()});
  for (uint32_t x = 0; x < 8; ++x) {
    EXPECT_EQ(image.Pixel(x, kEffectColour), kGreen) << x;
    // i_uv is the quad's coordinate at the pixel centre times maxUV.
    EXPECT_NEAR(FloatAt(image, x, kEffectU) / ((x + 0.5f) / 8.0f), 0.9375f, 1e-5) << x;
  }
  EXPECT_NEAR(FloatAt(image, 0, kEffectV) / (2.5f / kEffectRows), 0.52734375f, 1e-5);

  // A texture that the picture fills, or one whose hardware size is missing,
  // is sampled whole.
  for (TextureRecord whole : {red->Record(), TextureRecord{2, 2, 0, 0, red->Name()}}) {
    const RgbaImage full = Frame({whole});
    EXPECT_EQ(full.Pixel(7, kEffectColour), kRed);
    EXPECT_NEAR(FloatAt(full, 7, kEffectU), 7.5f / 8.0f, 1e-5);
    EXPECT_NEAR(FloatAt(full, 0, kEffectV), 2.5f / kEffectRows, 1e-5);
  }
  // Each direction is scaled by its own hardware size.
  const RgbaImage tall = Frame({TextureRecord{2, 1, 2, 4, red->Name()}});
  EXPECT_NEAR(FloatAt(tall, 7, kEffectU), 7.5f / 8.0f, 1e-5);
  EXPECT_NEAR(FloatAt(tall, 0, kEffectV), 0.25f * 2.5f / kEffectRows, 1e-5);
}

TEST_F(EffectPlugin, MissingInputFailsAndDrawsNothing) {
  framebuffer_->Clear(0.0f, 0.0f, 1.0f, 1.0f);
  const auto texture = SolidTexture(2, 2, kRed);
  TextureRecord record = texture->Record();
  TextureRecord* nullFirst[2] = {nullptr, &record};
  EXPECT_EQ(instance_->RenderFrame(*framebuffer_), FF_FAIL);
  EXPECT_EQ(RawFrame(2, nullFirst), FF_FAIL);
  EXPECT_EQ(RawFrame(1, nullptr), FF_FAIL);
  const RgbaImage image = framebuffer_->ReadPixels();
  for (uint32_t y = 0; y < kEffectRows; ++y) {
    for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(image.Pixel(x, y), kBlue);
  }
}

class MixerPlugin : public ProbeFixture {
 protected:
  void SetUp() override { Start(PROBE_MIXER_PATH, 8, kMixerRows); }
};

TEST_F(MixerPlugin, ReportsMixValAsItsFirstParameter) {
  EXPECT_EQ(library_->GetInfo()->PluginType, 2u);  // the host's code for a mixer
  EXPECT_EQ(library_->GetNumParameters(), 1u);
  EXPECT_STREQ(library_->GetParameterName(0), "mixVal");
  EXPECT_EQ(library_->GetParameterType(0), FF_TYPE_STANDARD);
  EXPECT_EQ(library_->GetParameterDefaultFloat(0), 0.0f);
  EXPECT_EQ(library_->GetPluginCaps(FF_CAP_MINIMUM_INPUT_FRAMES), 2u);
  EXPECT_EQ(library_->GetPluginCaps(FF_CAP_MAXIMUM_INPUT_FRAMES), 2u);
}

TEST_F(MixerPlugin, DestinationOnUnitZeroSourceOnUnitOne) {
  TextureRecord destination{};
  const auto big = OversizedPicture(destination);
  const auto blue = SolidTexture(4, 4, kBlue);
  const TextureRecord source{4, 2, 8, 4, blue->Name()};  // hardware wider than high
  const auto red = SolidTexture(1, 1, kRed);

  RgbaImage image = Frame({destination, source, red->Record()});
  EXPECT_EQ(image.Pixel(7, kMixerColour), kGreen);
  EXPECT_NEAR(FloatAt(image, 0, kMixerDestU) / (0.5f / 8.0f), 0.9375f, 1e-5);
  EXPECT_NEAR(FloatAt(image, 0, kMixerDestV) / (2.5f / kMixerRows), 0.52734375f, 1e-5);
  EXPECT_NEAR(FloatAt(image, 0, kMixerSrcU) / (0.5f / 8.0f), 0.5f, 1e-5);
  EXPECT_NEAR(FloatAt(image, 0, kMixerSrcV) / (4.5f / kMixerRows), 0.5f, 1e-5);

  instance_->SetFloatParameter(0, 1.0f);
  image = Frame({destination, source});
  EXPECT_EQ(image.Pixel(7, kMixerColour), kBlue);

  // The draw leaves program 0, unit 0 active and nothing bound on either unit.
  GLint program = -1, unit = -1, bound0 = -1, bound1 = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound0);
  glActiveTexture(GL_TEXTURE1);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound1);
  glActiveTexture(GL_TEXTURE0);
  EXPECT_EQ(program, 0);
  EXPECT_EQ(unit, GL_TEXTURE0);
  EXPECT_EQ(bound0, 0);
  EXPECT_EQ(bound1, 0);
}

TEST_F(MixerPlugin, MissingInputFailsAndDrawsNothing) {
  framebuffer_->Clear(1.0f, 0.0f, 0.0f, 1.0f);
  const auto texture = SolidTexture(2, 2, kGreen);
  TextureRecord record = texture->Record();
  TextureRecord* nullSecond[2] = {&record, nullptr};
  EXPECT_EQ(RawFrame(2, nullSecond), FF_FAIL);
  EXPECT_EQ(instance_->RenderFrame(*framebuffer_, {record}), FF_FAIL);
  const RgbaImage image = framebuffer_->ReadPixels();
  for (uint32_t y = 0; y < kMixerRows; ++y) {
    for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(image.Pixel(x, y), kRed);
  }
}

}  // namespace
