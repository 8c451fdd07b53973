#include "quickstart/Plugin.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "glhelpers/ScopedGuards.h"
#include "glhelpers/Utilities.h"
#include "quickstart/ParamGroups.h"

namespace ffglqs {

namespace {

// Every fragment source starts with this: each line after a line feed and two
// tabs, then a line feed and a tab (185 characters).
const char kFragmentHeader[] =
    "\n\t\t#version 410 core"
    "\n\t\tout vec4 fragColor;"
    "\n\t\tuniform vec2 resolution;"
    "\n\t\tuniform float time;"
    "\n\t\tuniform float deltaTime;"
    "\n\t\tuniform int frame;"
    "\n\t\tuniform float bpm;"
    "\n\t\tuniform float phase;"
    "\n\t";
static_assert(sizeof kFragmentHeader - 1 == 185, "fragment header length");

}  // namespace

char Plugin::displayBuffer[16] = {};

Plugin::Plugin(bool supportTopLeftTextureOrientation)
    : CFFGLPlugin(supportTopLeftTextureOrientation),
      start(std::chrono::steady_clock::now()),
      randomEngine(std::random_device{}()),
      fragmentHeader(kFragmentHeader) {}

Plugin::~Plugin() = default;

uint32_t Plugin::InitGL(const ViewportRecord* newViewport) {
  if (newViewport == nullptr) return FF_FAIL;
  const std::string fragmentSource = ComposeFragmentSource(fragmentBody);
  // Names first: the compiler's own message would point at a generated line.
  if (!UniformNamesUsable() || !shader.Compile(vertexShaderSource, fragmentSource) ||
      !quad.Initialise(false) || InitHook() == FF_FAIL) {
    DeInitGL();
    return FF_FAIL;
  }
  viewport = *newViewport;
  return FF_SUCCESS;
}

uint32_t Plugin::DeInitGL() {
  shader.Release();
  quad.Release();
  CleanHook();
  return FF_SUCCESS;
}

char* Plugin::GetParameterDisplay(uint32_t id) {
  if (id >= params.size() || IsTextParameterType(params[id]->GetType())) {
    return FFGLFailTextPointer();
  }
  const double value = params[id]->GetValue();
  std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, "%f", value)), '\0');
  std::snprintf(&text[0], text.size() + 1, "%f", value);
  std::memset(displayBuffer, 0, sizeof displayBuffer);
  std::strncpy(displayBuffer, text.c_str(), sizeof displayBuffer - 1);
  return displayBuffer;
}

uint32_t Plugin::SetFloatParameter(uint32_t id, float value) {
  if (id >= params.size()) return FF_FAIL;
  params[id]->SetValue(value);
  return FF_SUCCESS;
}

uint32_t Plugin::SetTextParameter(uint32_t id, const char* text) {
  std::string* target = TextOf(id);
  if (target == nullptr) return FF_FAIL;
  *target = text != nullptr ? text : "";
  return FF_SUCCESS;
}

float Plugin::GetFloatParameter(uint32_t id) {
  if (id >= params.size()) return 0.0f;
  return params[id]->GetValue();
}

char* Plugin::GetTextParameter(uint32_t id) {
  std::string* text = TextOf(id);
  return text != nullptr ? &(*text)[0] : FFGLFailTextPointer();
}

std::string* Plugin::TextOf(uint32_t id) {
  if (id >= params.size()) return nullptr;
  if (auto* textParam = dynamic_cast<ParamText*>(params[id].get())) return &textParam->text;
  // A file parameter is a plain parameter of type 14, yet the host sends it a
  // path (its default too, when an instance is made): keep the path here.
  if (params[id]->GetType() == FF_TYPE_FILE) return &filePaths[id];
  return nullptr;
}

uint32_t Plugin::ProcessOpenGL(const ProcessOpenGLRecord* record) {
  UpdateFrameClock();
  ffglex::ScopedProgramUse programUse(shader.ProgramId());
  UploadFrameUniforms(shader);
  UploadParamUniforms(shader);
  UpdateHook();
  const uint32_t result = Render(record);
  // Whatever Render answered: a trigger reaches exactly one frame.
  ResetTriggerParams();
  return result;
}

void Plugin::SetSampleRate(uint32_t rate) {
  CFFGLPlugin::SetSampleRate(rate);
  for (auto& entry : audioLevels) entry.second.SetSampleRate(static_cast<int32_t>(rate));
}

uint32_t Plugin::InitHook() { return FF_SUCCESS; }

void Plugin::UpdateHook() {}

uint32_t Plugin::Render(const ProcessOpenGLRecord* /*record*/) {
  ffglex::ScopedProgramUse programUse(shader.ProgramId());
  quad.Draw();
  return FF_SUCCESS;
}

void Plugin::CleanHook() {}

void Plugin::UpdateFrameClock() {
  // Counted in unsigned arithmetic so that the wrap after 2^31 frames is
  // defined.
  frame = static_cast<int32_t>(static_cast<uint32_t>(frame) + 1u);

  const int64_t nanoseconds =
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - start)
          .count();
  const float t = static_cast<float>(nanoseconds) / 1000000.0f / 1000.0f;
  time = t;
  deltaTime = t - lastTime;
  lastTime = t;

  for (auto& entry : audioLevels) {
    ParamFFT& fft = *entry.first;
    if (const ParamInfo* info = FindParamInfo(fft.index)) {
      const std::size_t count = std::min(fft.bins.size(), info->elements.size());
      for (std::size_t k = 0; k < count; ++k) fft.bins[k] = info->elements[k].value;
    }
    entry.second.Update(fft.bins);
  }
}

void Plugin::UploadFrameUniforms(ffglex::ShaderProgram& program) {
  program.SetUniform("time", time);
  program.SetUniform("deltaTime", deltaTime);
  program.SetUniform("frame", static_cast<GLint>(frame));
  program.SetUniform("resolution", static_cast<float>(viewport.width),
                     static_cast<float>(viewport.height));
  program.SetUniform("bpm", bpm);
  program.SetUniform("phase", barPhase);
}

void Plugin::UploadParamUniforms(ffglex::ShaderProgram& program) {
  for (std::size_t i = 0; i < params.size();) {
    const UniformGroup group = UniformGroupAt(params, i);
    const char* name = params[i]->GetName().c_str();
    switch (group.kind) {
      case UniformKind::RgbColor:
        program.SetUniform(name, params[i]->GetValue(), params[i + 1]->GetValue(),
                           params[i + 2]->GetValue());
        break;
      case UniformKind::HsbaColor: {
        float hue = params[i]->GetValue();
        // Hue 1 is a full turn: the same red as 0.
        if (hue == 1.0f) hue = 0.0f;
        float r = 0.0f, g = 0.0f, b = 0.0f;
        ffglex::HsvToRgb(hue, params[i + 1]->GetValue(), params[i + 2]->GetValue(), r, g, b);
        program.SetUniform(name, r, g, b, params[i + 3]->GetValue());
        break;
      }
      case UniformKind::Bool:
        // NaN compares unequal too, so it counts as on.
        program.SetUniform(name, static_cast<GLint>(params[i]->GetValue() != 0.0f ? 1 : 0));
        break;
      case UniformKind::None:
        break;
      case UniformKind::Float:
        program.SetUniform(name, params[i]->GetValue());
        break;
    }
    i += group.span;
  }
}

void Plugin::ResetTriggerParams() {
  for (const auto& param : params) {
    if (auto* trigger = dynamic_cast<ParamTrigger*>(param.get())) trigger->Reset();
  }
}

}  // namespace ffglqs
