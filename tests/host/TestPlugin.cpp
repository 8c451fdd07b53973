// A plugin library for the host tests: it records every call it receives in
// the probe, fails or throws where the probe says, and declares parameters
// of several types. It is built like a real plugin: the host interface's
// objects plus this one file with its own static descriptor.
#ifdef _WIN32
#include <GL/glew.h>
#else
#include <GL/gl.h>
#include <dlfcn.h>
#endif

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestProbe.h"
#include "host/CFFGLPlugin.h"
#include "host/CFFGLPluginDescriptor.h"

#ifdef _WIN32
// GLEW is linked statically into this library; the linker sends the host
// interface's glewInit calls here (--wrap=glewInit), and the real one
// follows.
extern "C" GLenum __real_glewInit(void);
extern "C" GLenum __wrap_glewInit(void) {
  ++probe::GlewInitCalls();
  return __real_glewInit();
}
#else
// Counts the loader calls of the host interface linked into this library,
// then lets the real loader run. Defined here, hidden, so the host
// interface's reference binds to it and nothing more is exported; the real
// one is found in the GLEW library the process shares.
extern "C" __attribute__((visibility("hidden"))) GLenum glewInit(void) {
  ++probe::GlewInitCalls();
  using LoaderFunction = GLenum (*)(void);
  void* glew = dlopen(GLEW_LIBRARY_PATH, RTLD_NOW | RTLD_GLOBAL);
  auto real = glew ? reinterpret_cast<LoaderFunction>(dlsym(glew, "glewInit")) : nullptr;
  const GLenum result = real ? real() : 1;
  if (glew) dlclose(glew);
  return result;
}
#endif

namespace {

std::string Format(const char* format, double a = 0, double b = 0, double c = 0, double d = 0) {
  char text[128];
  std::snprintf(text, sizeof text, format, a, b, c, d);
  return text;
}

class TestPlugin : public CFFGLPlugin {
 public:
  TestPlugin()
      : CFFGLPlugin(probe::GetSwitches().topLeftSupported),
        prefix_("P" + std::to_string(probe::NextObjectSerial()) + ".") {
    Enter("construct");
    probe::Objects().push_back(static_cast<const CFFGLPlugin*>(this));
    SetMaxInputs(probe::GetSwitches().maxInputs);
    SetTimeSupported(probe::GetSwitches().timeSupported);

    SetParamInfo(0, "Level", FF_TYPE_STANDARD, 0.25f);
    SetParamGroup(0, "Main");
    SetParamInfo(1, "Label", FF_TYPE_TEXT, "hello");
    SetOptionParamInfo(2, "Mode", 3, 1.0f);
    SetParamElementInfo(2, 0, "A", 0.0f);
    SetParamElementInfo(2, 1, "B", 1.0f);
    SetParamElementInfo(2, 2, "C", 2.0f);
    AddElementSeparator(2, 1);
    SetParamInfo(3, "Enabled", FF_TYPE_BOOLEAN, true);
    SetFileParamInfo(4, "Path", {"png", "jpg"}, "/tmp/a.png");
    SetBufferParamInfo(5, "Spectrum", 4, FF_USAGE_FFT);
    SetParamInfo(6, "Count", FF_TYPE_INTEGER, 7.0f);
    SetParamRange(6, 0.0f, 10.0f);
  }

  ~TestPlugin() override { probe::Record(prefix_ + "destroy"); }

  uint32_t InitGL(const ViewportRecord* viewport) override {
    Enter("InitGL", Format("(%g,%g,%g,%g)", viewport->x, viewport->y, viewport->width,
                           viewport->height));
    CFFGLPlugin::InitGL(viewport);
    return probe::GetSwitches().initGLFails ? FF_FAIL : FF_SUCCESS;
  }

  uint32_t DeInitGL() override {
    Enter("DeInitGL");
    return FF_SUCCESS;
  }

  uint32_t SetFloatParameter(uint32_t id, float value) override {
    Enter("SetFloatParameter", Format("(%g,%g)", id, value));
    if (id == probe::GetSwitches().refuseParameterId) return FF_FAIL;
    floats_[id] = value;
    return FF_SUCCESS;
  }

  uint32_t SetTextParameter(uint32_t id, const char* value) override {
    Enter("SetTextParameter", Format("(%g,", id) + (value ? value : "null") + ")");
    if (id == probe::GetSwitches().refuseParameterId) return FF_FAIL;
    texts_[id] = value ? value : "";
    return FF_SUCCESS;
  }

  float GetFloatParameter(uint32_t id) override {
    Enter("GetFloatParameter", Format("(%g)", id));
    auto found = floats_.find(id);
    return found == floats_.end() ? 0.0f : found->second;
  }

  char* GetTextParameter(uint32_t id) override {
    Enter("GetTextParameter", Format("(%g)", id));
    auto found = texts_.find(id);
    return found == texts_.end() ? nullptr : &found->second[0];
  }

  // Clears the bound framebuffer to (Level, 0.5, 0, 1), so a host can see
  // the frame land where it bound it.
  uint32_t ProcessOpenGL(const ProcessOpenGLRecord* record) override {
    Enter("ProcessOpenGL", Format("(%g)", record->numInputTextures));
    probe::Switches& switches = probe::GetSwitches();
    for (const auto& change : switches.displayNamesOnFrame)
      SetParamDisplayName(change.first, change.second, true);
    for (const auto& change : switches.visibilityOnFrame)
      SetParamVisibility(change.first, change.second, true);
    for (const auto& change : switches.eventsOnFrame) RaiseParamEvent(change.first, change.second);
    for (const auto& change : switches.elementsOnFrame)
      SetParamElements(change.first, change.second,
                       std::vector<float>(change.second.size(), 5.0f), false);
    switches.topLeftEnabledAtFrame = GetTopLeftOrientationEnabled();
    if (probe::GetSwitches().processFails) return FF_FAIL;
    glClearColor(floats_[0], 0.5f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return FF_SUCCESS;
  }

  uint32_t Connect() override {
    Enter("Connect");
    return probe::GetSwitches().connectFails ? FF_FAIL : FF_SUCCESS;
  }

  uint32_t Disconnect() override {
    Enter("Disconnect");
    return probe::GetSwitches().disconnectFails ? FF_FAIL : FF_SUCCESS;
  }

  uint32_t SetTime(double time) override {
    Enter("SetTime", Format("(%.17g)", time));  // every digit a double holds
    return CFFGLPlugin::SetTime(time);
  }

  void SetBeatInfo(float bpm, float barPhase) override {
    Enter("SetBeatInfo", Format("(%g,%g)", bpm, barPhase));
    CFFGLPlugin::SetBeatInfo(bpm, barPhase);
  }

  void SetHostInfo(const char* text1, const char* text2) override {
    CFFGLPlugin::SetHostInfo(text1, text2);
    Enter("SetHostInfo", "(" + GetHostText1() + "," + GetHostText2() + ")");
  }

  void SetSampleRate(uint32_t rate) override {
    Enter("SetSampleRate", Format("(%g)", rate));
    CFFGLPlugin::SetSampleRate(rate);
  }

  uint32_t Resize(const ViewportRecord* viewport) override {
    Enter("Resize", Format("(%g,%g,%g,%g)", viewport->x, viewport->y, viewport->width,
                           viewport->height));
    return CFFGLPlugin::Resize(viewport);
  }

  char* GetShortName() override {
    Enter("GetShortName");
    return shortName_;
  }

 private:
  void Enter(const char* operation, const std::string& arguments = "") {
    probe::Record(prefix_ + operation + arguments);
    if (probe::GetSwitches().throwIn == operation) throw std::runtime_error(operation);
  }

  std::string prefix_;
  std::map<uint32_t, float> floats_;
  std::map<uint32_t, std::string> texts_;
  char shortName_[5] = "TSTP";
};

uint32_t CreateTestPlugin(CFFGLPlugin** instance) {
  probe::Record("factory");
  if (probe::GetSwitches().throwIn == "factory") throw std::runtime_error("factory");
  if (probe::GetSwitches().factoryFails) {
    *instance = nullptr;
    return FF_FAIL;
  }
  *instance = new TestPlugin();
  return FF_SUCCESS;
}

uint32_t InitialiseTestPlugin() {
  probe::Record("initialise");
  if (probe::GetSwitches().throwIn == "initialise") throw std::runtime_error("initialise");
  return probe::GetSwitches().initialiseResult;
}

uint32_t DeinitialiseTestPlugin() {
  probe::Record("deinitialise");
  return FF_SUCCESS;
}

CFFGLPluginDescriptor g_testDescriptor(CreateTestPlugin, "TSTP", "Host Test Plugin", 2, 1, 1, 0,
                                       FF_SOURCE, "Records every call", "Test plugin", 0, nullptr,
                                       InitialiseTestPlugin, DeinitialiseTestPlugin);

}  // namespace
