// The snippets in a real OpenGL 4.1 core context, placed after the framework's
// fragment header as the composed fragment source places them.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "GlContext.h"
#include "glhelpers/FullscreenQuad.h"
#include "glhelpers/OffscreenTarget.h"
#include "glhelpers/ScopedGuards.h"
#include "glhelpers/ShaderProgram.h"
#include "quickstart/Snippets.h"
#include "tests/ExactTexts.h"

namespace {

using ffglqs::SnippetCode;

// Passes the quad through; the snippets run in the fragment stage.
const char kVertexShader[] =
    "#version 410 core\n"
    "layout(location=0) in vec4 vPosition;\n"
    "void main() { gl_Position = vPosition; }\n";

std::string Compose(std::initializer_list<int> ids, const std::string& body) {
  std::string source = exact::kFragmentHeader;
  for (int id : ids) source += SnippetCode.at(id);
  return source + body;
}

class SnippetsGl : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    context = testgl::CreateCurrentContextWithGlew(error);
    ASSERT_TRUE(context) << error;
  }
  // Draws the program over a float target of that size; its RGBA floats,
  // bottom row first.
  static std::vector<float> Draw(ffglex::ShaderProgram& program, int width, int height) {
    std::vector<float> pixels(std::size_t(width) * height * 4, -99.0f);
    ffglex::FullscreenQuad quad;
    ffglex::OffscreenTarget target;
    EXPECT_TRUE(quad.Initialise(false));
    EXPECT_TRUE(target.Create(width, height, GL_RGBA32F));
    {
      ffglex::ScopedFramebufferBinding framebuffer(target.FramebufferId(), 0);
      target.ApplyViewport();
      ffglex::ScopedProgramUse use(program.ProgramId());
      program.SetUniform("resolution", float(width), float(height));
      program.SetUniform("frame", GLint{3});
      quad.Draw();
      glReadPixels(0, 0, width, height, GL_RGBA, GL_FLOAT, pixels.data());
    }
    target.Release();
    quad.Release();
    return pixels;
  }

  void TearDown() override {
    if (context) {
      EXPECT_EQ(context->TakeErrors(), "");
    }
  }
  std::unique_ptr<testgl::GlContext> context;
};

TEST_F(SnippetsGl, RandomAndSimplexNoiseCompileTogetherAfterTheHeader) {
  // random3 exists twice, for uvec3 and for vec3; both overloads must resolve.
  const std::string body =
      "void main()\n"
      "{\n"
      "\tvec3 a = random3(uvec3(gl_FragCoord.xyx));\n"
      "\tvec3 b = random3(gl_FragCoord.xyz);\n"
      "\tfloat n = fractal_noise(vec3(gl_FragCoord.xy, time), vec4(0.5));\n"
      "\tfragColor = vec4(a.x + b.y, random(), n, 1.0);\n"
      "}\n";
  ffglex::ShaderProgram program;
  EXPECT_TRUE(program.Compile(kVertexShader, Compose({0, 2}, body)));  // the log is on stdout
  program.Release();
}

TEST_F(SnippetsGl, DrawnNoiseIsFiniteAndVaried) {
  constexpr int kSize = 64;
  const std::string body =
      "void main()\n"
      "{\n"
      "\tfloat n = fractal_noise(vec3(gl_FragCoord.xy / 16.0, 0.37), vec4(0.5, 0.25, 0.125, 0.0625));\n"
      "\tfragColor = vec4(n, random(), map(gl_FragCoord.x, 0.0, resolution.x), 1.0);\n"
      "}\n";
  ffglex::ShaderProgram program;
  ASSERT_TRUE(program.Compile(kVertexShader, Compose({0, 1, 2}, body)));

  const std::vector<float> pixels = Draw(program, kSize, kSize);
  program.Release();

  std::set<float> noise, random;
  for (int i = 0; i < kSize * kSize; ++i) {
    const float n = pixels[i * 4], r = pixels[i * 4 + 1];
    ASSERT_TRUE(std::isfinite(n)) << "pixel " << i;
    ASSERT_LT(std::fabs(n), 1.0f) << "pixel " << i;
    ASSERT_GE(r, 0.0f);
    ASSERT_LE(r, 1.0f);
    noise.insert(n);
    random.insert(r);
  }
  EXPECT_GT(noise.size(), size_t(kSize * kSize / 2));
  EXPECT_LT(*noise.begin(), -0.05f);
  EXPECT_GT(*noise.rbegin(), 0.05f);
  EXPECT_GT(random.size(), size_t(kSize * kSize / 2));
  // map() ramps from 0 at the left edge to 1 at the right.
  const float* row = &pixels[(kSize / 2) * kSize * 4];
  EXPECT_LT(row[2], 0.05f);
  EXPECT_GT(row[(kSize - 1) * 4 + 2], 0.95f);
}

}  // namespace

namespace {

TEST_F(SnippetsGl, EveryMapOverloadScalesAndClamps) {
  // Row 0: map(float) 3 and 5 arguments, map(vec2) 3 arguments. Row 1:
  // map(vec2) 5 arguments, and map(float) 5 arguments clamped at both ends.
  const std::string body =
      "void main()\n"
      "{\n"
      "\tfloat x = gl_FragCoord.x;\n"
      "\tif (gl_FragCoord.y < 1.0)\n"
      "\t\tfragColor = vec4(map(x, 0.0, 4.0), map(x, 0.0, 4.0, 10.0, 20.0),\n"
      "\t\t                 map(vec2(x, 4.0 - x), vec2(0.0), vec2(4.0, 8.0)));\n"
      "\telse\n"
      "\t\tfragColor = vec4(map(vec2(x), vec2(0.0, 2.0), vec2(4.0), vec2(1.0, -1.0), vec2(3.0, 1.0)),\n"
      "\t\t                 map(x, 1.0, 3.0, 5.0, 7.0), 0.0);\n"
      "}\n";
  ffglex::ShaderProgram program;
  ASSERT_TRUE(program.Compile(kVertexShader, Compose({ffglqs::SnippetId::Map}, body)));
  const std::vector<float> pixels = Draw(program, 4, 2);
  program.Release();

  const auto clamp = [](float v, float lo, float hi) { return std::fmin(std::fmax(v, lo), hi); };
  for (int column = 0; column < 4; ++column) {
    SCOPED_TRACE(testing::Message() << "column " << column);
    const float x = column + 0.5f;
    const float* row0 = &pixels[column * 4];
    const float* row1 = &pixels[(4 + column) * 4];
    const float expected[8] = {x / 4,       10 + 2.5f * x,           x / 4,
                               (4 - x) / 8, 1 + 0.5f * x,            clamp(x - 3, -1, 1),
                               clamp(x + 4, 5, 7), 0.0f};
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(row0[c], expected[c], 1e-5) << "row 0 channel " << c;
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(row1[c], expected[4 + c], 1e-5) << "row 1 channel " << c;
  }
}

}  // namespace
