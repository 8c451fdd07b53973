// The parts of the test context that do not depend on the window system.
#include "GlContext.h"

#include <GL/glew.h>

#include <cstdio>
#include <mutex>  // std::lock_guard

#include "platform/Platform.h"

namespace testgl {

struct GlContext::ErrorLog {
  platform::Mutex mutex;  // the driver may call back from a thread of its own
  std::string lines;
  bool hasCallback = false;
};

namespace {

void GLAPIENTRY RecordDebugMessage(GLenum source, GLenum type, GLuint, GLenum, GLsizei,
                                   const GLchar* message, const void* log) {
  // Performance hints are no failure, and a shader that does not compile is
  // reported through its log and the compile status, not as a GL error.
  if (type != GL_DEBUG_TYPE_ERROR || source == GL_DEBUG_SOURCE_SHADER_COMPILER) return;
  auto& errors = *static_cast<GlContext::ErrorLog*>(const_cast<void*>(log));
  std::lock_guard<platform::Mutex> lock(errors.mutex);
  errors.lines += message ? message : "(a GL error without a message)";
  errors.lines += '\n';
}

const char* ErrorName(GLenum code) {
  switch (code) {
    case GL_INVALID_ENUM: return "GL_INVALID_ENUM";
    case GL_INVALID_VALUE: return "GL_INVALID_VALUE";
    case GL_INVALID_OPERATION: return "GL_INVALID_OPERATION";
    case GL_INVALID_FRAMEBUFFER_OPERATION: return "GL_INVALID_FRAMEBUFFER_OPERATION";
    case GL_OUT_OF_MEMORY: return "GL_OUT_OF_MEMORY";
    case GL_STACK_UNDERFLOW: return "GL_STACK_UNDERFLOW";
    case GL_STACK_OVERFLOW: return "GL_STACK_OVERFLOW";
    default: return "an unknown GL error";
  }
}

}  // namespace

void GlContext::RecordErrors() {
  if (!errors_) errors_ = std::make_shared<ErrorLog>();
  while (glGetError() != GL_NO_ERROR) {
  }
  if (!glDebugMessageCallback) return;
  // Synchronous, so that a message arrives inside the call that caused it.
  glEnable(GL_DEBUG_OUTPUT);
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageCallback(RecordDebugMessage, errors_.get());
  errors_->hasCallback = true;
}

std::string GlContext::TakeErrors() {
  if (!errors_) return "";
  std::string flagged;
  for (GLenum code = glGetError(); code != GL_NO_ERROR; code = glGetError()) {
    char line[64];
    std::snprintf(line, sizeof line, "%s (0x%04X, from glGetError)\n", ErrorName(code), code);
    flagged += line;
  }
  std::lock_guard<platform::Mutex> lock(errors_->mutex);
  std::string lines;
  lines.swap(errors_->lines);
  // With the callback in place the flags only repeat what it recorded,
  // unless something switched debug output off.
  return lines.empty() ? flagged : lines;
}

bool GlContext::InitGlew(std::string& error) {
  glewExperimental = GL_TRUE;
  const GLenum result = glewInit();
  if (result != GLEW_OK) {
    error = std::string("glewInit failed: ") +
            reinterpret_cast<const char*>(glewGetErrorString(result));
    return false;
  }
  return true;
}

std::unique_ptr<GlContext> CreateCurrentContextWithGlew(std::string& error) {
  auto context = GlContext::Create(error);
  if (context && !GlContext::InitGlew(error)) context.reset();
  if (context) context->RecordErrors();
  return context;
}

bool GlObjects::operator==(const GlObjects& o) const {
  return textures == o.textures && buffers == o.buffers && vertexArrays == o.vertexArrays &&
         framebuffers == o.framebuffers && renderbuffers == o.renderbuffers &&
         programs == o.programs && shaders == o.shaders;
}

GlObjects LiveGlObjects() {
  GlObjects live;
  for (GLuint name = 1; name < 1024; ++name) {
    if (glIsTexture(name)) live.textures.push_back(name);
    if (glIsBuffer(name)) live.buffers.push_back(name);
    if (glIsVertexArray(name)) live.vertexArrays.push_back(name);
    if (glIsFramebuffer(name)) live.framebuffers.push_back(name);
    if (glIsRenderbuffer(name)) live.renderbuffers.push_back(name);
    if (glIsProgram(name)) live.programs.push_back(name);
    if (glIsShader(name)) live.shaders.push_back(name);
  }
  return live;
}

std::ostream& operator<<(std::ostream& out, const GlObjects& objects) {
  const auto list = [&out](const char* kind, const std::vector<unsigned>& names) {
    out << kind << " {";
    for (unsigned name : names) out << ' ' << name;
    out << " } ";
  };
  list("textures", objects.textures);
  list("buffers", objects.buffers);
  list("vertex arrays", objects.vertexArrays);
  list("framebuffers", objects.framebuffers);
  list("renderbuffers", objects.renderbuffers);
  list("programs", objects.programs);
  list("shaders", objects.shaders);
  return out;
}

}  // namespace testgl
