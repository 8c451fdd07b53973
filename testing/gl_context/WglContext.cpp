#include "GlContext.h"

#include <GL/glew.h>
#include <GL/wglew.h>
#include <windows.h>

namespace testgl {
namespace {

const wchar_t kWindowClass[] = L"KestrinTestGlContext";

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

// A hidden window with its own device context carries a legacy context
// (needed to fetch wglCreateContextAttribsARB) and then the 4.1 core one.
struct GlContext::Impl {
  HWND window = nullptr;
  HDC deviceContext = nullptr;
  HGLRC context = nullptr;
};

GlContext::GlContext(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

GlContext::~GlContext() {
  if (impl_->context) {
    if (wglGetCurrentContext() == impl_->context) ReleaseCurrent();
    wglDeleteContext(impl_->context);
  }
  if (impl_->window) {
    ReleaseDC(impl_->window, impl_->deviceContext);
    DestroyWindow(impl_->window);
  }
}

std::unique_ptr<GlContext> GlContext::Create(std::string& error) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass = {};
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kWindowClass;
  RegisterClassW(&windowClass);  // fails harmlessly when already registered

  auto impl = std::make_unique<Impl>();
  impl->window = CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 16, 16,
                                 nullptr, nullptr, instance, nullptr);
  if (!impl->window) {
    error = "cannot create the hidden window for WGL";
    return nullptr;
  }
  impl->deviceContext = GetDC(impl->window);
  std::unique_ptr<GlContext> result(new GlContext(std::move(impl)));
  Impl& s = *result->impl_;

  PIXELFORMATDESCRIPTOR format = {};
  format.nSize = sizeof format;
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = 32;
  format.cAlphaBits = 8;
  format.iLayerType = PFD_MAIN_PLANE;
  const int chosen = ChoosePixelFormat(s.deviceContext, &format);
  if (!chosen || !SetPixelFormat(s.deviceContext, chosen, &format)) {
    error = "no usable WGL pixel format";
    return nullptr;
  }
  HGLRC legacy = wglCreateContext(s.deviceContext);
  if (!legacy || !wglMakeCurrent(s.deviceContext, legacy)) {
    if (legacy) wglDeleteContext(legacy);
    error = "cannot create a legacy WGL context";
    return nullptr;
  }
  auto createContext = reinterpret_cast<PFNWGLCREATECONTEXTATTRIBSARBPROC>(
      reinterpret_cast<void*>(wglGetProcAddress("wglCreateContextAttribsARB")));
  const int attributes[] = {WGL_CONTEXT_MAJOR_VERSION_ARB, 4, WGL_CONTEXT_MINOR_VERSION_ARB, 1,
                            WGL_CONTEXT_PROFILE_MASK_ARB, WGL_CONTEXT_CORE_PROFILE_BIT_ARB,
                            WGL_CONTEXT_FLAGS_ARB,
                            WGL_CONTEXT_FORWARD_COMPATIBLE_BIT_ARB | WGL_CONTEXT_DEBUG_BIT_ARB, 0};
  if (createContext) s.context = createContext(s.deviceContext, nullptr, attributes);
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(legacy);
  if (!createContext) {
    error = "wglCreateContextAttribsARB is not available";
    return nullptr;
  }
  if (!s.context) {
    error = "the driver refused an OpenGL 4.1 core profile context";
    return nullptr;
  }
  if (!result->MakeCurrent()) {
    error = "cannot make the OpenGL 4.1 context current";
    return nullptr;
  }
  return result;
}

bool GlContext::MakeCurrent() {
  return wglMakeCurrent(impl_->deviceContext, impl_->context) != FALSE;
}

void GlContext::ReleaseCurrent() { wglMakeCurrent(nullptr, nullptr); }

}  // namespace testgl
