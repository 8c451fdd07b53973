#include "glhelpers/ShaderProgram.h"

#include <algorithm>
#include <vector>

#include "GlTestSupport.h"
#include "StdoutCapture.h"
#include "glhelpers/ScopedGuards.h"

namespace {

using glhelpers_test::CallCounter;
using glhelpers_test::GetInteger;
using glhelpers_test::kQuadVertexShader;
using glhelpers_test::kTexCoordFragmentShader;
using glhelpers_test::StdoutCapture;

class ShaderProgram : public glhelpers_test::GlTest {};

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// The number of diagnostic lines written: each starts with a stage prefix
// ending in "Shader error: " (the driver's log inside may span lines).
int DiagnosticCount(const std::string& output) {
  int count = 0;
  for (std::size_t at = output.find("Shader error: "); at != std::string::npos;
       at = output.find("Shader error: ", at + 1)) {
    ++count;
  }
  return count;
}

constexpr const char* kBrokenShader = R"(#version 410 core
void main() { this is not glsl }
)";

// Compiles, but its output type does not match what kTexCoordFragmentShader
// reads, so linking fails.
constexpr const char* kMismatchedVertexShader = R"(#version 410 core
layout(location = 0) in vec4 position;
out vec3 texCoord;
void main() {
  gl_Position = position;
  texCoord = position.xyz;
}
)";

constexpr const char* kPassThroughGeometryShader = R"(#version 410 core
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;
in vec2 texCoord[];
out vec2 geometryTexCoord;
void main() {
  for (int i = 0; i < 3; ++i) {
    gl_Position = gl_in[i].gl_Position;
    geometryTexCoord = texCoord[i];
    EmitVertex();
  }
  EndPrimitive();
}
)";

// Reads what only the geometry stage writes, so it links only with that stage.
constexpr const char* kGeometryFragmentShader = R"(#version 410 core
in vec2 geometryTexCoord;
uniform vec4 tint;
out vec4 fragColour;
void main() { fragColour = tint * vec4(geometryTexCoord, 1.0, 1.0); }
)";

// Every shader and program name created while a failing Compile ran is gone.
void ExpectAllDeleted(const std::vector<GLuint>& shaders, const std::vector<GLuint>& programs) {
  for (GLuint shader : shaders) EXPECT_FALSE(glIsShader(shader)) << "shader " << shader;
  for (GLuint program : programs) EXPECT_FALSE(glIsProgram(program)) << "program " << program;
}

TEST_F(ShaderProgram, BrokenVertexStageLogsOneLineAndStopsThere) {
  ffglex::ShaderProgram program;
  StdoutCapture output;
  CallCounter<&__glewCreateShader> createShader;
  CallCounter<&__glewCreateProgram> createProgram;

  EXPECT_FALSE(program.Compile(kBrokenShader, kTexCoordFragmentShader));

  const std::string text = output.Text();
  EXPECT_EQ(DiagnosticCount(text), 1) << text;
  EXPECT_TRUE(StartsWith(text, "Vertex Shader error: ")) << text;
  EXPECT_GT(text.size(), std::string("Vertex Shader error: \n").size());  // carries the log
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(createShader.Count(), 1);
  EXPECT_EQ(createProgram.Count(), 0);
  EXPECT_EQ(program.ProgramId(), 0u);
  EXPECT_FALSE(program.HasProgram());
  ExpectAllDeleted(createShader.Returned(), createProgram.Returned());
}

TEST_F(ShaderProgram, BrokenLaterStagesLogWithTheirOwnPrefix) {
  struct Case {
    const char* geometry;
    const char* fragment;
    const char* prefix;
    int shadersCreated;
  };
  const Case cases[] = {
      {kBrokenShader, kGeometryFragmentShader, "Geometry Shader error: ", 2},
      {nullptr, kBrokenShader, "Fragment Shader error: ", 2},
      {kPassThroughGeometryShader, kBrokenShader, "Fragment Shader error: ", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.prefix);
    ffglex::ShaderProgram program;
    StdoutCapture output;
    CallCounter<&__glewCreateShader> createShader;
    CallCounter<&__glewCreateProgram> createProgram;
    EXPECT_FALSE(program.Compile(kQuadVertexShader, c.geometry, c.fragment));
    EXPECT_EQ(DiagnosticCount(output.Text()), 1) << output.Text();
    EXPECT_TRUE(StartsWith(output.Text(), c.prefix)) << output.Text();
    EXPECT_EQ(createShader.Count(), c.shadersCreated);
    EXPECT_EQ(createProgram.Count(), 0);
    EXPECT_FALSE(program.HasProgram());
    ExpectAllDeleted(createShader.Returned(), createProgram.Returned());
  }
}

// Stands in for glGetProgramInfoLog with a 2000-character log, written as GL
// would: at most bufSize - 1 characters and a NUL.
void GLAPIENTRY LongProgramLog(GLuint, GLsizei bufSize, GLsizei* length, GLchar* log) {
  const GLsizei written = std::min<GLsizei>(bufSize - 1, 2000);
  std::fill(log, log + written, 'x');
  log[written] = '\0';
  if (length) *length = written;
}

TEST_F(ShaderProgram, LinkFailureLogsTheLinkLogAndDeletesEverything) {
  ffglex::ShaderProgram program;
  StdoutCapture output;
  CallCounter<&__glewCreateShader> createShader;
  CallCounter<&__glewCreateProgram> createProgram;

  EXPECT_FALSE(program.Compile(kMismatchedVertexShader, kTexCoordFragmentShader));

  EXPECT_EQ(DiagnosticCount(output.Text()), 1) << output.Text();
  EXPECT_TRUE(StartsWith(output.Text(), "Fragment Shader error: ")) << output.Text();
  EXPECT_GT(output.Text().size(), std::string("Fragment Shader error: \n").size());
  EXPECT_EQ(createShader.Count(), 2);
  ASSERT_EQ(createProgram.Count(), 1);
  EXPECT_EQ(program.ProgramId(), 0u);
  ExpectAllDeleted(createShader.Returned(), createProgram.Returned());

  // A long link log is cut to 1022 characters.
  const PFNGLGETPROGRAMINFOLOGPROC original = __glewGetProgramInfoLog;
  __glewGetProgramInfoLog = &LongProgramLog;
  StdoutCapture longOutput;
  const bool linked = program.Compile(kMismatchedVertexShader, kTexCoordFragmentShader);
  __glewGetProgramInfoLog = original;
  EXPECT_FALSE(linked);
  EXPECT_EQ(longOutput.Text(), "Fragment Shader error: " + std::string(1022, 'x') + "\n");
}

TEST_F(ShaderProgram, AbsentSourcesCreateNoObjectAndLogNothing) {
  ffglex::ShaderProgram program;
  StdoutCapture output;
  CallCounter<&__glewCreateShader> createShader;
  CallCounter<&__glewCreateProgram> createProgram;

  EXPECT_FALSE(program.Compile("", kTexCoordFragmentShader));
  EXPECT_FALSE(program.Compile(nullptr, kTexCoordFragmentShader));
  EXPECT_FALSE(program.Compile(std::string(), std::string(kTexCoordFragmentShader)));
  EXPECT_FALSE(program.Compile(kQuadVertexShader, ""));
  EXPECT_FALSE(program.Compile(kQuadVertexShader, nullptr, nullptr));
  EXPECT_FALSE(program.Compile(std::string(kQuadVertexShader), std::string()));

  EXPECT_EQ(createShader.Count(), 0);
  EXPECT_EQ(createProgram.Count(), 0);
  EXPECT_EQ(output.Text(), "");
  EXPECT_FALSE(program.HasProgram());
}

TEST_F(ShaderProgram, FeedbackProgramLinksWithoutFragmentStage) {
  constexpr const char* kFeedbackVertexShader = R"(#version 410 core
layout(location = 0) in float value;
out float doubled;
out float squared;
void main() {
  doubled = value * 2.0;
  squared = value * value;
}
)";
  ffglex::ShaderProgram program;
  program.AddFeedbackVarying("squared");
  program.AddFeedbackVarying("doubled");
  CallCounter<&__glewCreateShader> createShader;
  ASSERT_TRUE(program.Compile(kFeedbackVertexShader, nullptr));
  EXPECT_EQ(createShader.Count(), 1);

  GLint mode = 0, count = 0;
  glGetProgramiv(program.ProgramId(), GL_TRANSFORM_FEEDBACK_BUFFER_MODE, &mode);
  glGetProgramiv(program.ProgramId(), GL_TRANSFORM_FEEDBACK_VARYINGS, &count);
  EXPECT_EQ(mode, GL_INTERLEAVED_ATTRIBS);
  ASSERT_EQ(count, 2);

  // Run it: the captured outputs come out interleaved in the added order.
  const float inputs[2] = {3.0f, 5.0f};
  GLuint vertexArray = 0, buffers[2] = {};
  glGenVertexArrays(1, &vertexArray);
  glGenBuffers(2, buffers);
  glBindVertexArray(vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
  glBufferData(GL_ARRAY_BUFFER, sizeof(inputs), inputs, GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 1, GL_FLOAT, GL_FALSE, 0, nullptr);
  glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, buffers[1]);
  glBufferData(GL_TRANSFORM_FEEDBACK_BUFFER, 4 * sizeof(float), nullptr, GL_STATIC_READ);
  glhelpers_test::ColourFramebuffer target(4, 4);  // never the default framebuffer
  glBindFramebuffer(GL_FRAMEBUFFER, target.Id());
  glEnable(GL_RASTERIZER_DISCARD);
  {
    ffglex::ScopedProgramUse use(program.ProgramId());
    glBeginTransformFeedback(GL_POINTS);
    glDrawArrays(GL_POINTS, 0, 2);
    glEndTransformFeedback();
  }
  glDisable(GL_RASTERIZER_DISCARD);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  float captured[4] = {};
  glGetBufferSubData(GL_TRANSFORM_FEEDBACK_BUFFER, 0, sizeof(captured), captured);
  EXPECT_EQ(captured[0], 9.0f);
  EXPECT_EQ(captured[1], 6.0f);
  EXPECT_EQ(captured[2], 25.0f);
  EXPECT_EQ(captured[3], 10.0f);

  glBindBufferBase(GL_TRANSFORM_FEEDBACK_BUFFER, 0, 0);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindVertexArray(0);
  glDeleteBuffers(2, buffers);
  glDeleteVertexArrays(1, &vertexArray);
  program.Release();
}

TEST_F(ShaderProgram, UniformLocationsAreAskedOncePerLink) {
  ffglex::ShaderProgram program;
  ASSERT_TRUE(program.Compile(kQuadVertexShader, kPassThroughGeometryShader,
                              kGeometryFragmentShader));
  {
    CallCounter<&__glewGetUniformLocation> getUniformLocation;
    EXPECT_EQ(program.UniformLocation("missing"), -1);
    EXPECT_EQ(program.UniformLocation("missing"), -1);
    const GLint tint = program.UniformLocation("tint");
    EXPECT_GE(tint, 0);
    EXPECT_EQ(program.UniformLocation(std::string("tint").c_str()), tint);
    EXPECT_EQ(program.UniformLocation(nullptr), -1);  // answered without asking GL
    EXPECT_EQ(getUniformLocation.Count(), 2);
  }
  // A new link forgets the cache.
  program.Release();
  ASSERT_TRUE(program.Compile(kQuadVertexShader, kPassThroughGeometryShader,
                              kGeometryFragmentShader));
  CallCounter<&__glewGetUniformLocation> getUniformLocation;
  EXPECT_GE(program.UniformLocation("tint"), 0);
  EXPECT_EQ(getUniformLocation.Count(), 1);
  program.Release();
}

TEST_F(ShaderProgram, SetUniformReachesTheProgramInUse) {
  constexpr const char* kUniformsFragmentShader = R"(#version 410 core
uniform int count;
uniform float one;
uniform vec2 two;
uniform vec3 three;
uniform vec4 four;
out vec4 fragColour;
void main() { fragColour = four + vec4(three, one) + vec4(two, 0.0, float(count)); }
)";
  ffglex::ShaderProgram program;
  ASSERT_TRUE(program.Compile(kQuadVertexShader, kUniformsFragmentShader));
  ffglex::ScopedProgramUse use(program.ProgramId());
  program.SetUniform("count", 7);
  program.SetUniform("one", 1.5f);
  program.SetUniform("two", 2.0f, 2.5f);
  program.SetUniform("three", 3.0f, 3.5f, 3.75f);
  program.SetUniform("four", 4.0f, 4.5f, 4.75f, 5.0f);
  program.SetUniform("missing", 1.0f);  // ignored by GL, no harm

  const GLuint id = program.ProgramId();
  GLint count = 0;
  glGetUniformiv(id, program.UniformLocation("count"), &count);
  EXPECT_EQ(count, 7);
  float values[4] = {};
  glGetUniformfv(id, program.UniformLocation("one"), values);
  EXPECT_EQ(values[0], 1.5f);
  glGetUniformfv(id, program.UniformLocation("two"), values);
  EXPECT_EQ(values[0], 2.0f);
  EXPECT_EQ(values[1], 2.5f);
  glGetUniformfv(id, program.UniformLocation("three"), values);
  EXPECT_EQ(std::vector<float>(values, values + 3), (std::vector<float>{3.0f, 3.5f, 3.75f}));
  glGetUniformfv(id, program.UniformLocation("four"), values);
  EXPECT_EQ(std::vector<float>(values, values + 4),
            (std::vector<float>{4.0f, 4.5f, 4.75f, 5.0f}));
  use.EndScope();
  program.Release();
}

// The geometry stage is checked through program state rather than a draw:
// drawing with a geometry shader on llvmpipe crashes LeakSanitizer's exit scan.
TEST_F(ShaderProgram, GeometryProgramLinksAllThreeStagesAndReleaseEmptiesIt) {
  ffglex::ShaderProgram program;
  CallCounter<&__glewCreateShader> createShader;
  CallCounter<&__glewCreateProgram> createProgram;
  ASSERT_TRUE(program.Compile(kQuadVertexShader, kPassThroughGeometryShader,
                              kGeometryFragmentShader));
  EXPECT_EQ(createShader.Count(), 3);
  EXPECT_TRUE(program.HasProgram());
  GLint attached = 0, inputType = 0;
  glGetProgramiv(program.ProgramId(), GL_ATTACHED_SHADERS, &attached);
  glGetProgramiv(program.ProgramId(), GL_GEOMETRY_INPUT_TYPE, &inputType);
  EXPECT_EQ(attached, 3);
  EXPECT_EQ(inputType, GL_TRIANGLES);
  EXPECT_GE(program.UniformLocation("tint"), 0);

  program.Release();
  EXPECT_EQ(program.ProgramId(), 0u);
  EXPECT_FALSE(program.HasProgram());
  EXPECT_EQ(TakeGlErrors(), "");
  EXPECT_EQ(program.UniformLocation("tint"), -1);  // the cache went with the program
  // Answered without asking GL about program 0, which would leave
  // GL_INVALID_VALUE in the host's context.
  EXPECT_EQ(TakeGlErrors(), "");
  ExpectAllDeleted(createShader.Returned(), createProgram.Returned());
  program.Release();  // harmless when empty
}

// Compiling again replaces the program instead of leaking the first one.
TEST_F(ShaderProgram, SecondCompileReplacesTheFirst) {
  const auto liveObjects = [] {
    int count = 0;
    for (GLuint name = 1; name < 64; ++name) count += glIsShader(name) + glIsProgram(name);
    return count;
  };
  ASSERT_EQ(liveObjects(), 0);
  ffglex::ShaderProgram program;
  ASSERT_TRUE(program.Compile(kQuadVertexShader, kTexCoordFragmentShader));
  EXPECT_EQ(liveObjects(), 3);
  ASSERT_TRUE(program.Compile(kQuadVertexShader, kTexCoordFragmentShader));
  EXPECT_EQ(liveObjects(), 3);
  EXPECT_TRUE(program.HasProgram());
  program.Release();
  EXPECT_EQ(liveObjects(), 0);
}

}  // namespace
