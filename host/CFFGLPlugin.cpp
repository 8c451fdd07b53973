#include "host/CFFGLPlugin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
// Shared by every plugin object; one host call at a time makes that safe.
char g_displayBuffer[16];
}  // namespace

CFFGLPlugin::CFFGLPlugin(bool supportTopLeftTextureOrientation)
    : CFFGLPluginManager(supportTopLeftTextureOrientation) {}

// Members go in reverse order: host text 2, host text 1, then the store.
CFFGLPlugin::~CFFGLPlugin() = default;

uint32_t CFFGLPlugin::InitGL(const ViewportRecord* record) {
  viewport = *record;
  return FF_SUCCESS;
}

uint32_t CFFGLPlugin::DeInitGL() { return FF_SUCCESS; }

char* CFFGLPlugin::GetParameterDisplay(uint32_t id) {
  // Types come from the object the instantiation named; an object that never
  // went through it answers for itself.
  CFFGLPlugin* source = self_ ? self_ : this;
  const uint32_t type = source->GetParamType(id);
  if (type == FF_FAIL) return nullptr;
  if (IsTextParameterType(type)) return source->GetTextParameter(id);

  char formatted[64];
  const double value = source->GetFloatParameter(id);
  const int length = std::snprintf(formatted, sizeof formatted, "%f", value);
  std::memset(g_displayBuffer, 0, sizeof g_displayBuffer);
  if (length > 0) {
    // At most 15 characters, so the buffer always ends with a NUL.
    const std::size_t copied = std::min({static_cast<std::size_t>(length), sizeof formatted - 1,
                                         sizeof g_displayBuffer - 1});
    std::memcpy(g_displayBuffer, formatted, copied);
  }
  return g_displayBuffer;
}

uint32_t CFFGLPlugin::SetFloatParameter(uint32_t, float) { return FF_FAIL; }
uint32_t CFFGLPlugin::SetTextParameter(uint32_t, const char*) { return FF_FAIL; }
float CFFGLPlugin::GetFloatParameter(uint32_t) { return 0.0f; }
char* CFFGLPlugin::GetTextParameter(uint32_t) { return FFGLFailTextPointer(); }
uint32_t CFFGLPlugin::ProcessOpenGL(const ProcessOpenGLRecord*) { return FF_FAIL; }

uint32_t CFFGLPlugin::SetTime(double time) {
  hostTime = time;
  return FF_SUCCESS;
}

void CFFGLPlugin::SetBeatInfo(float newBpm, float newBarPhase) {
  bpm = newBpm;
  barPhase = newBarPhase;
}

void CFFGLPlugin::SetHostInfo(const char* text1, const char* text2) {
  // A host that sends a null text gets an empty one rather than a crash.
  hostText1 = text1 ? text1 : "";
  hostText2 = text2 ? text2 : "";
}

void CFFGLPlugin::SetSampleRate(uint32_t rate) { sampleRate = rate; }

uint32_t CFFGLPlugin::GetInputStatus(uint32_t inputIndex) {
  return inputIndex < static_cast<uint32_t>(GetMaxInputs()) ? 1u : FF_FAIL;
}

char* CFFGLPlugin::GetShortName() { return nullptr; }
uint32_t CFFGLPlugin::Connect() { return FF_SUCCESS; }
uint32_t CFFGLPlugin::Disconnect() { return FF_SUCCESS; }

uint32_t CFFGLPlugin::Resize(const ViewportRecord* record) {
  viewport = *record;
  return FF_SUCCESS;
}
