#include "glhelpers/ShaderProgram.h"

#include <algorithm>

#include "glhelpers/Utilities.h"

namespace ffglex {
namespace {

bool Present(const char* source) { return source != nullptr && source[0] != '\0'; }

constexpr GLsizei kLinkLogCapacity = 1024;

}  // namespace

bool ShaderProgram::Compile(const std::string& vertexSource, const std::string& fragmentSource) {
  return Compile(vertexSource.c_str(), nullptr, fragmentSource.c_str());
}

bool ShaderProgram::Compile(const char* vertexSource, const char* fragmentSource) {
  return Compile(vertexSource, nullptr, fragmentSource);
}

bool ShaderProgram::Compile(const char* vertexSource, const char* geometrySource,
                            const char* fragmentSource) {
  if (!Present(vertexSource)) return false;
  if (!Present(fragmentSource) && feedbackVaryings_.empty()) return false;
  Release();  // a no-op on a fresh program; otherwise nothing leaks

  const bool built = CompileVertexStage(vertexSource) &&
                     (!Present(geometrySource) || CompileGeometryStage(geometrySource)) &&
                     (!Present(fragmentSource) || CompileFragmentStage(fragmentSource)) &&
                     Link();
  if (!built) Release();
  return built;
}

bool ShaderProgram::CompileVertexStage(const char* source) {
  return CompileStage(GL_VERTEX_SHADER, "Vertex Shader error: ", source, vertexShader_);
}

bool ShaderProgram::CompileGeometryStage(const char* source) {
  return CompileStage(GL_GEOMETRY_SHADER, "Geometry Shader error: ", source, geometryShader_);
}

bool ShaderProgram::CompileFragmentStage(const char* source) {
  return CompileStage(GL_FRAGMENT_SHADER, "Fragment Shader error: ", source, fragmentShader_);
}

bool ShaderProgram::CompileStage(GLenum type, const char* errorPrefix, const char* source,
                                 GLuint& shader) {
  if (shader != 0) glDeleteShader(shader);
  // The name stays in its field even on failure, for Release.
  shader = glCreateShader(type);
  // glShaderSource would read a null source; an empty text fails to compile.
  const char* text = source ? source : "";
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint status = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status == GL_TRUE) return true;

  GLint logLength = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &logLength);
  logLength = std::max(logLength, 0);
  std::vector<char> log(static_cast<std::size_t>(logLength) + 1, '\0');
  glGetShaderInfoLog(shader, logLength, nullptr, log.data());
  LogMessage2(errorPrefix, log.data());
  return false;
}

bool ShaderProgram::Link() {
  uniformCache_.clear();
  if (program_ != 0) glDeleteProgram(program_);
  program_ = glCreateProgram();
  glAttachShader(program_, vertexShader_);
  if (geometryShader_ != 0) glAttachShader(program_, geometryShader_);
  if (fragmentShader_ != 0) glAttachShader(program_, fragmentShader_);

  if (!feedbackVaryings_.empty()) {
    std::vector<const char*> names;
    names.reserve(feedbackVaryings_.size());
    for (const std::string& name : feedbackVaryings_) names.push_back(name.c_str());
    glTransformFeedbackVaryings(program_, static_cast<GLsizei>(names.size()), names.data(),
                                GL_INTERLEAVED_ATTRIBS);
  }

  glLinkProgram(program_);
  GLint status = 0;
  glGetProgramiv(program_, GL_LINK_STATUS, &status);
  if (status == GL_TRUE) return true;

  char log[kLinkLogCapacity] = {};
  GLsizei length = 0;
  glGetProgramInfoLog(program_, kLinkLogCapacity - 1, &length, log);
  log[std::clamp<GLsizei>(length, 0, kLinkLogCapacity - 1)] = '\0';
  LogMessage2("Fragment Shader error: ", log);
  return false;
}

void ShaderProgram::AddFeedbackVarying(const std::string& name) {
  feedbackVaryings_.push_back(name);
}

GLint ShaderProgram::UniformLocation(const char* name) {
  // Without a program GL would only raise GL_INVALID_VALUE in the host's
  // context; nothing is cached, so the next link starts clean.
  if (name == nullptr || program_ == 0) return -1;
  const auto found = uniformCache_.find(name);
  if (found != uniformCache_.end()) return found->second;
  const GLint location = glGetUniformLocation(program_, name);
  uniformCache_.emplace(name, location);
  return location;
}

void ShaderProgram::SetUniform(const char* name, GLint value) {
  glUniform1i(UniformLocation(name), value);
}

void ShaderProgram::SetUniform(const char* name, float a) { glUniform1f(UniformLocation(name), a); }

void ShaderProgram::SetUniform(const char* name, float a, float b) {
  glUniform2f(UniformLocation(name), a, b);
}

void ShaderProgram::SetUniform(const char* name, float a, float b, float c) {
  glUniform3f(UniformLocation(name), a, b, c);
}

void ShaderProgram::SetUniform(const char* name, float a, float b, float c, float d) {
  glUniform4f(UniformLocation(name), a, b, c, d);
}

void ShaderProgram::Release() {
  if (vertexShader_ != 0) glDeleteShader(vertexShader_);
  vertexShader_ = 0;
  if (fragmentShader_ != 0) glDeleteShader(fragmentShader_);
  fragmentShader_ = 0;
  if (geometryShader_ != 0) glDeleteShader(geometryShader_);
  geometryShader_ = 0;
  if (program_ != 0) glDeleteProgram(program_);
  program_ = 0;
  uniformCache_.clear();
}

}  // namespace ffglex
