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
  ffglex::FullscreenQuad quad;
  ASSERT_TRUE(quad.Initialise(false));
  ffglex::OffscreenTarget target;
  ASSERT_TRUE(target.Create(kSize, kSize, GL_RGBA32F));

  std::vector<float> pixels(kSize * kSize * 4);
  {
    ffglex::ScopedFramebufferBinding framebuffer(target.FramebufferId(), 0);
    target.ApplyViewport();
    ffglex::ScopedProgramUse use(program.ProgramId());
    program.SetUniform("resolution", float(kSize), float(kSize));
    program.SetUniform("frame", GLint{3});
    quad.Draw();
    glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_FLOAT, pixels.data());
  }
  target.Release();
  quad.Release();
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
