// A headless OpenGL 4.1 core profile context for tests, benchmarks and the
// demo: GLX on the X server named by DISPLAY (Xvfb + Mesa llvmpipe here).
//
// The context draws only into framebuffer objects; its pbuffer exists just so
// that the context can be made current. It is a debug context: the GL errors
// it raises are recorded, so that a test can fail on any of them.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

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

  // Starts recording this context's GL errors through a debug-message
  // callback; where the driver has none, TakeErrors asks glGetError instead.
  // Needs GLEW loaded and this context current.
  void RecordErrors();

  // The GL errors raised since the last call, one line each, then
  // forgotten; empty when there were none. Call with this context current.
  std::string TakeErrors();

  // What the debug-message callback fills.
  struct ErrorLog;

 private:
  struct Impl;
  explicit GlContext(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
  // Shared, so that the platform files can destroy it without its definition.
  std::shared_ptr<ErrorLog> errors_;
};

// Creates a current context, loads GLEW and records the context's errors, or
// returns null with a message that names the reason (no DISPLAY, no 4.1 core
// support, glewInit failure). GL tests fail with that message; they never skip.
std::unique_ptr<GlContext> CreateCurrentContextWithGlew(std::string& error);

// The names of the GL objects alive in the current context, by kind, probed
// up to a bound no test reaches: compared before and after, they show a leak.
struct GlObjects {
  std::vector<unsigned> textures, buffers, vertexArrays, framebuffers, renderbuffers, programs,
      shaders;
  bool operator==(const GlObjects& other) const;
  bool operator!=(const GlObjects& other) const { return !(*this == other); }
};
GlObjects LiveGlObjects();
std::ostream& operator<<(std::ostream& out, const GlObjects& objects);

}  // namespace testgl
