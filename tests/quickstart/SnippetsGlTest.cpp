// The snippets in a real OpenGL 4.1 core context, placed after the framework's
// fragment header as the composed fragment source places them.
#include <GL/glew.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FragmentHeaderText.h"
#include "GlContext.h"
#include "quickstart/Snippets.h"

namespace {

using ffglqs::SnippetCode;

using qstest::FragmentHeader;

// One triangle that covers the viewport, from gl_VertexID alone.
const char kVertexShader[] =
    "#version 410 core\n"
    "void main()\n"
    "{\n"
    "\tvec2 corner = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);\n"
    "\tgl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);\n"
    "}\n";

std::string ShaderLog(GLuint shader) {
  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::string log(std::max(length, 1), '\0');
  glGetShaderInfoLog(shader, length, nullptr, &log[0]);
  return log;
}

// Compiles and links; 0 with the compiler's or linker's message on failure.
GLuint BuildProgram(const std::string& fragmentSource, std::string& error) {
  const std::string sources[] = {kVertexShader, fragmentSource};
  const GLenum stages[] = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
  const GLuint program = glCreateProgram();
  for (int i = 0; i < 2; ++i) {
    const GLuint shader = glCreateShader(stages[i]);
    const char* text = sources[i].c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) error += ShaderLog(shader);
    glAttachShader(program, shader);
    glDeleteShader(shader);  // freed with the program
  }
  glLinkProgram(program);
  GLint linked = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  if (linked) return program;
  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::string log(std::max(length, 1), '\0');
  glGetProgramInfoLog(program, length, nullptr, &log[0]);
  error += log;
  glDeleteProgram(program);
  return 0;
}

std::string Compose(std::initializer_list<int> ids, const std::string& body) {
  std::string source = FragmentHeader();
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
  std::unique_ptr<testgl::GlContext> context;
};

TEST_F(SnippetsGl, RandomAndSimplexNoiseCompileTogetherAfterTheHeader) {
  ASSERT_EQ(FragmentHeader().size(), 185u);
  // random3 exists twice, for uvec3 and for vec3; both overloads must resolve.
  const std::string body =
      "void main()\n"
      "{\n"
      "\tvec3 a = random3(uvec3(gl_FragCoord.xyx));\n"
      "\tvec3 b = random3(gl_FragCoord.xyz);\n"
      "\tfloat n = fractal_noise(vec3(gl_FragCoord.xy, time), vec4(0.5));\n"
      "\tfragColor = vec4(a.x + b.y, random(), n, 1.0);\n"
      "}\n";
  std::string error;
  const GLuint program = BuildProgram(Compose({0, 2}, body), error);
  EXPECT_NE(program, 0u) << error;
  glDeleteProgram(program);
}

TEST_F(SnippetsGl, DrawnNoiseIsFiniteAndVaried) {
  constexpr int kSize = 64;
  const std::string body =
      "void main()\n"
      "{\n"
      "\tfloat n = fractal_noise(vec3(gl_FragCoord.xy / 16.0, 0.37), vec4(0.5, 0.25, 0.125, 0.0625));\n"
      "\tfragColor = vec4(n, random(), map(gl_FragCoord.x, 0.0, resolution.x), 1.0);\n"
      "}\n";
  std::string error;
  const GLuint program = BuildProgram(Compose({0, 1, 2}, body), error);
  ASSERT_NE(program, 0u) << error;

  GLuint texture = 0, framebuffer = 0, vertexArray = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F, kSize, kSize, 0, GL_RGBA, GL_FLOAT, nullptr);
  glBindTexture(GL_TEXTURE_2D, 0);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), GLenum(GL_FRAMEBUFFER_COMPLETE));
  glGenVertexArrays(1, &vertexArray);  // core profile draws need one bound

  glViewport(0, 0, kSize, kSize);
  glUseProgram(program);
  glUniform2f(glGetUniformLocation(program, "resolution"), kSize, kSize);
  glUniform1i(glGetUniformLocation(program, "frame"), 3);
  glBindVertexArray(vertexArray);
  glDrawArrays(GL_TRIANGLES, 0, 3);
  std::vector<float> pixels(kSize * kSize * 4);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_FLOAT, pixels.data());

  glBindVertexArray(0);
  glUseProgram(0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteVertexArrays(1, &vertexArray);
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &texture);
  glDeleteProgram(program);

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
