// One GL program built from a vertex shader, an optional geometry shader and
// a fragment shader (left out only by a transform-feedback program), with
// uniform locations cached by name. Compile and link errors are written as
// one diagnostic line each through DebugLog. The GL objects are freed only
// by Release, called with the context current; the destructor makes no GL
// call.
#pragma once

#include <GL/glew.h>

#include <string>
#include <unordered_map>
#include <vector>

namespace ffglex {

class ShaderProgram {
 public:
  ShaderProgram() = default;
  ~ShaderProgram() = default;
  ShaderProgram(const ShaderProgram&) = delete;
  ShaderProgram& operator=(const ShaderProgram&) = delete;

  // Compile the stages present and link them. A source counts as absent when
  // it is null or empty; the vertex source is required, and so is the
  // fragment source unless feedback varyings were added. On failure every GL
  // object is deleted and the result is false. Objects from an earlier
  // Compile are released first.
  bool Compile(const std::string& vertexSource, const std::string& fragmentSource);
  bool Compile(const char* vertexSource, const char* geometrySource, const char* fragmentSource);
  bool Compile(const char* vertexSource, const char* fragmentSource);

  // Single steps of Compile: each creates its shader object (replacing the
  // one it held), compiles it and logs the compile error on failure.
  bool CompileVertexStage(const char* source);
  bool CompileGeometryStage(const char* source);
  bool CompileFragmentStage(const char* source);

  // Creates the program from the stages present, applies the feedback
  // varyings (interleaved) and links; logs the link error on failure and
  // leaves the objects for Release. Empties the uniform cache.
  bool Link();

  // Appends a transform-feedback output name; add them before Compile.
  void AddFeedbackVarying(const std::string& name);

  // The location of a uniform, asked from GL once per name and link; -1
  // (cached too) when the name is not an active uniform, and -1 without a
  // GL call while there is no program.
  GLint UniformLocation(const char* name);

  // Set a uniform of this program; the caller has it in use
  // (ScopedProgramUse on ProgramId()).
  void SetUniform(const char* name, GLint value);
  void SetUniform(const char* name, float a);
  void SetUniform(const char* name, float a, float b);
  void SetUniform(const char* name, float a, float b, float c);
  void SetUniform(const char* name, float a, float b, float c, float d);

  // Deletes every GL object and empties the uniform cache; the feedback
  // varyings stay. Safe to repeat.
  void Release();

  GLuint ProgramId() const { return program_; }
  bool HasProgram() const { return program_ != 0; }

 private:
  bool CompileStage(GLenum type, const char* errorPrefix, const char* source, GLuint& shader);

  GLuint vertexShader_ = 0;
  GLuint geometryShader_ = 0;
  GLuint fragmentShader_ = 0;
  GLuint program_ = 0;
  std::vector<std::string> feedbackVaryings_;
  std::unordered_map<std::string, GLint> uniformCache_;
};

}  // namespace ffglex
