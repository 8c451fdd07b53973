// A headless OpenGL 4.1 core profile context for tests, benchmarks and the
// demo: GLX on the X server named by DISPLAY (Xvfb + Mesa llvmpipe here).
//
// The context draws only into framebuffer objects; its pbuffer exists just so
// that the context can be made current.
#pragma once

#include <memory>
#include <string>

namespace testgl {

class GlContext {
 public:
  // Creates a 4.1 core, forward-compatible context and makes it current on
  // the calling thread. On failure returns null and says why in `error`.
  static std::unique_ptr<GlContext> Create(std::string& error);

  ~GlContext();
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;

  bool MakeCurrent();
  void ReleaseCurrent();

  // Runs glewInit in this process with this context current (tests that
  // call GL entry points beyond 1.1 themselves need it). True on success.
  static bool InitGlew(std::string& error);

 private:
  struct Impl;
  explicit GlContext(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Creates a current context and loads GLEW, or returns null with a message
// that names the reason (no DISPLAY, no 4.1 core support, glewInit failure).
// GL tests fail with that message; they never skip.
std::unique_ptr<GlContext> CreateCurrentContextWithGlew(std::string& error);

}  // namespace testgl
