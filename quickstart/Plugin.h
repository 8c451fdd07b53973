// The base of quick-start plugins: a plugin written as one GLSL fragment body
// plus a list of parameter objects. It answers every host call such a plugin
// needs in one fixed way: it compiles the composed fragment shader with the
// variant's vertex shader in InitGL, keeps a frame clock, uploads the frame
// uniforms and one uniform per parameter or colour group every frame, feeds
// FFT parameters into audio analysers, and draws the fullscreen quad.
//
// Authors derive from Effect, Mixer or Source, declare parameters, snippets
// and the body in their constructor, and may override the four hooks.
//
// The shader contract. The fragment source is the framework's header, one
// uniform declaration per parameter, the included snippets, then the body.
// The header holds "#version 410 core", so the body holds no version line;
// it holds `void main()`, which writes the pixel's colour to `fragColor`, and
// may add functions and uniforms of its own (set them in UpdateHook).
// Supplied to every plugin:
//   out vec4 fragColor;        the pixel's colour
//   uniform vec2 resolution;   viewport width and height, in pixels
//   uniform float time;        seconds since the plugin object was made
//   uniform float deltaTime;   time minus the previous frame's time
//   uniform int frame;         frames drawn so far, 1 in the first
//   uniform float bpm;         the host's tempo, 120 until it sends one
//   uniform float phase;       the host's bar phase, 0 until it sends one
// The variants add their inputs (Effect.h, Mixer.h, Source.h). Each
// parameter appears under its own name:
//   Param, ParamRange (float or integer), ParamOption  uniform float: the
//       value; for an option the chosen entry's position 0, 1, ..., not the
//       entry's value; for a range the value in its own units
//   ParamBool, ParamEvent, ParamTrigger  uniform bool: value not 0 (a
//       trigger is true for one frame)
//   AddRgbColorParams(name)   uniform vec3 name: red, green, blue
//   AddHsbaColorParams(name)  uniform vec4 name: the colour as RGB, alpha
//   ParamText, a file parameter (type FF_TYPE_FILE)  uniform float: the float
//       value only, 0.0 unless the host sends one; the text or path stays in
//       C++ (ParamText::text, GetTextParameter)
//   ParamFFT  nothing: the bins stay in C++
// A name that gets a uniform (for a colour group, the first member's) must
// be a GLSL identifier (letters, digits, _, not starting with a digit), no
// GLSL keyword or reserved word, not start with gl_, and not clash with a
// name the shader already has: those above, the variant's, main, the
// included snippets' functions and constants, the body's own uniforms,
// inputs, outputs and functions, or another parameter's uniform. Otherwise
// InitGL writes one line through ffglex::DebugLog,
//   Parameter "<name>" cannot name a shader uniform: <why>
// and fails, so the host's instantiation gets FF_FAIL. (A clash with a body
// global the check does not recognise fails with the compiler's message.)
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "glhelpers/FullscreenQuad.h"
#include "glhelpers/ShaderProgram.h"
#include "host/CFFGLPlugin.h"
#include "host/FFGLBoundary.h"
#include "quickstart/AudioLevels.h"
#include "quickstart/Param.h"
#include "quickstart/ParamFFT.h"
#include "quickstart/ParamOption.h"
#include "quickstart/ParamRange.h"

namespace ffglqs {

class Plugin : public CFFGLPlugin {
 public:
  explicit Plugin(bool supportTopLeftTextureOrientation);
  ~Plugin() override;

  uint32_t InitGL(const ViewportRecord* viewport) override;
  uint32_t DeInitGL() override;
  // Non-text values formatted with "%f" into one 16-byte buffer of this class
  // shared by all instances, valid until the next call.
  char* GetParameterDisplay(uint32_t id) override;
  uint32_t SetFloatParameter(uint32_t id, float value) override;
  uint32_t SetTextParameter(uint32_t id, const char* text) override;
  float GetFloatParameter(uint32_t id) override;
  char* GetTextParameter(uint32_t id) override;
  uint32_t ProcessOpenGL(const ProcessOpenGLRecord* record) override;
  void SetSampleRate(uint32_t rate) override;

  // Called at the end of a successful GL set-up; FF_FAIL fails InitGL.
  virtual uint32_t InitHook();
  // Called every frame with the program in use, after the framework's
  // uniforms, so a subclass can set uniforms of its own.
  virtual void UpdateHook();
  // Draws the frame. The default draws the quad with the program in use and
  // does not read the record.
  virtual uint32_t Render(const ProcessOpenGLRecord* record);
  // Called by DeInitGL, possibly more than once.
  virtual void CleanHook();

 protected:
  using AudioLevelsMap = std::map<std::shared_ptr<ParamFFT>, AudioLevels>;

  // Per-frame steps, offered separately for subclasses that replace
  // ProcessOpenGL.
  void UpdateFrameClock();
  void UploadFrameUniforms(ffglex::ShaderProgram& program);
  void UploadParamUniforms(ffglex::ShaderProgram& program);
  void ResetTriggerParams();

  // Declaration, for subclass constructors. Each declares under the id that
  // is the parameter's position in the list, then appends it.
  void AddParam(std::shared_ptr<Param> param);
  void AddParam(std::shared_ptr<ParamFFT> param);
  void AddParam(std::shared_ptr<ParamOption> param);
  void AddParam(std::shared_ptr<ParamRange> param);
  // name (red), name_green, name_blue: one vec3 uniform called name.
  void AddRgbColorParams(std::string name);
  // name (hue), name_saturation, name_brightness, name_alpha: one vec4
  // uniform called name holding the RGB conversion plus alpha.
  void AddHsbaColorParams(std::string name);

  // The first parameter whose name matches exactly; empty when none.
  std::shared_ptr<Param> FindParam(std::string name);
  std::shared_ptr<ParamOption> FindParamOption(std::string name);
  std::shared_ptr<ParamText> FindParamText(std::string name);

  // Adds a snippet and the ids it lists as dependencies (one level).
  void IncludeSnippet(int id);
  void IncludeSnippets(std::set<int> ids);
  void SetFragmentBody(std::string body);

  // Header, one uniform declaration per parameter or colour group, the
  // included snippets in ascending id, then the body.
  std::string ComposeFragmentSource(std::string body);
  // Whether every parameter uniform's name can stand in the composed
  // shader; the first that cannot is named in one DebugLog line.
  bool UniformNamesUsable() const;

  std::string fragmentBody;
  std::vector<std::shared_ptr<Param>> params;
  AudioLevelsMap audioLevels;
  ffglex::ShaderProgram shader;
  ffglex::FullscreenQuad quad;
  float time = 0.0f;       // seconds since construction, at the latest frame
  float deltaTime = 0.0f;  // time minus the previous frame's time
  float lastTime = 0.0f;
  int32_t frame = 0;       // frames processed so far
  std::chrono::steady_clock::time_point start;
  std::mt19937 randomEngine;  // for subclasses; the framework never draws from it
  std::set<int> includedSnippets;
  std::string fragmentHeader;      // variants append their declarations
  std::string vertexShaderSource;  // set by the variants

 private:
  template <typename T>
  std::shared_ptr<T> FindParamAs(std::string name);
  // Where the text of parameter id lives; null when it takes no text.
  std::string* TextOf(uint32_t id);
  // The code of the included snippets, in ascending id.
  std::string IncludedSnippetCode() const;

  std::map<uint32_t, std::string> filePaths;  // texts of file parameters, by id

  static char displayBuffer[16];
};

}  // namespace ffglqs
