#include "GlContext.h"

#include <GL/glew.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <link.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace testgl {
namespace {

using CreateContextAttribsFn = GLXContext (*)(Display*, GLXFBConfig, GLXContext, Bool,
                                              const int*);

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// Mesa unloads its driver at exit, after which LeakSanitizer reports memory
// of an unknown module; pinning the driver once a context is current avoids
// that false report. The driver's file name and soname differ between Mesa
// versions, so every loaded object from a dri/ folder is pinned by its path.
int PinDriModule(dl_phdr_info* info, size_t, void*) {
  if (info->dlpi_name && std::strstr(info->dlpi_name, "/dri/")) {
    dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  }
  return 0;
}

void KeepDriverLoaded() { dl_iterate_phdr(PinDriModule, nullptr); }

}  // namespace

struct GlContext::Impl {
  Display* display = nullptr;
  GLXContext context = nullptr;
  GLXPbuffer pbuffer = 0;
};

GlContext::GlContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

GlContext::~GlContext() {
  if (!impl_->display) return;
  if (glXGetCurrentContext() == impl_->context) ReleaseCurrent();
  if (impl_->context) glXDestroyContext(impl_->display, impl_->context);
  if (impl_->pbuffer) glXDestroyPbuffer(impl_->display, impl_->pbuffer);
  XCloseDisplay(impl_->display);
}

std::unique_ptr<GlContext> GlContext::Create(std::string& error) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    error = "no X display: DISPLAY is not set (GL tests run under Xvfb, see scripts/test)";
    return nullptr;
  }
  auto impl = std::make_unique<Impl>();
  // Xvfb serves one client at a time; while it is busy with other test
  // processes a new connection can be refused for a moment (EAGAIN on a full
  // listen queue), so a refused connection is retried for a while.
  for (int attempt = 0; attempt < 200 && !impl->display; ++attempt) {
    impl->display = XOpenDisplay(name);
    if (!impl->display) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (!impl->display) {
    error = std::string("cannot open X display ") + name;
    return nullptr;
  }
  std::unique_ptr<GlContext> result(new GlContext(std::move(impl)));
  Impl& s = *result->impl_;

  const int configAttribs[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                               GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                               GLX_ALPHA_SIZE, 8, None};
  int count = 0;
  GLXFBConfig* configs = glXChooseFBConfig(s.display, DefaultScreen(s.display), configAttribs,
                                           &count);
  GLXFBConfig chosen = nullptr;
  for (int i = 0; i < count && !chosen; ++i) {
    // The first configs offered may be 10-bit ones; take a plain 8-8-8-8.
    int r = 0, a = 0;
    glXGetFBConfigAttrib(s.display, configs[i], GLX_RED_SIZE, &r);
    glXGetFBConfigAttrib(s.display, configs[i], GLX_ALPHA_SIZE, &a);
    if (r == 8 && a == 8) chosen = configs[i];
  }
  if (configs) XFree(configs);
  if (!chosen) {
    error = "no 8-bit RGBA pbuffer framebuffer config on this X server";
    return nullptr;
  }

  auto createContext = reinterpret_cast<CreateContextAttribsFn>(
      glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXCreateContextAttribsARB")));
  if (!createContext) {
    error = "glXCreateContextAttribsARB is not available";
    return nullptr;
  }
  const int contextAttribs[] = {GLX_CONTEXT_MAJOR_VERSION_ARB, 4, GLX_CONTEXT_MINOR_VERSION_ARB, 1,
                                GLX_CONTEXT_PROFILE_MASK_ARB, GLX_CONTEXT_CORE_PROFILE_BIT_ARB,
                                GLX_CONTEXT_FLAGS_ARB,
                                GLX_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB | GLX_CONTEXT_DEBUG_BIT_ARB,
                                None};
  auto oldHandler = XSetErrorHandler(IgnoreXError);
  s.context = createContext(s.display, chosen, nullptr, True, contextAttribs);
  XSync(s.display, False);
  XSetErrorHandler(oldHandler);
  if (!s.context) {
    error = "the X server refused an OpenGL 4.1 core profile context";
    return nullptr;
  }
  const int pbufferAttribs[] = {GLX_PBUFFER_WIDTH, 16, GLX_PBUFFER_HEIGHT, 16, None};
  s.pbuffer = glXCreatePbuffer(s.display, chosen, pbufferAttribs);
  if (!s.pbuffer || !result->MakeCurrent()) {
    error = "cannot make the OpenGL 4.1 context current";
    return nullptr;
  }
  KeepDriverLoaded();
  return result;
}

bool GlContext::MakeCurrent() {
  return glXMakeContextCurrent(impl_->display, impl_->pbuffer, impl_->pbuffer, impl_->context);
}

void GlContext::ReleaseCurrent() { glXMakeContextCurrent(impl_->display, None, None, nullptr); }

}  // namespace testgl
