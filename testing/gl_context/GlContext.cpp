// The parts of the test context that do not depend on the window system.
#include "GlContext.h"

#include <GL/glew.h>

namespace testgl {

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
  return context;
}

}  // namespace testgl
