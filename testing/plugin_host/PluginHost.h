// A host stand-in for tests, benchmarks and the demo: loads a plugin library
// by path, resolves its two exports and drives plugMain with one typed helper
// per function code and record.
//
//   std::string error;
//   auto library = testhost::PluginLibrary::Load(path, error);      // null + error on failure
//   auto instance = library->Instantiate({0, 0, 64, 64});           // code 18 (GL context current)
//   instance->SetFloatParameter(0, 0.5f);                           // code 8
//   instance->RenderFrame(framebuffer);                             // code 17 into a HostFramebuffer
//
// Every helper answers exactly what plugMain answered (FFGLValue where the
// answer may be a float, a pointer or FF_FAIL; u32 where it is a code or a
// count); Call() reaches any code with any input and handle. Destroy every
// PluginInstance before its PluginLibrary.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/FFGLBoundary.h"
#include "platform/Platform.h"

namespace testhost {

class HostFramebuffer;
class PluginInstance;

struct ParameterRange {
  uint32_t result = FF_FAIL;
  float min = 0.0f;
  float max = 0.0f;
};

// Code 50 or 51: the answer and the buffer's bytes after the call (the
// dispatcher writes no terminator, so the buffer is pre-filled with `fill`).
struct TextOut {
  uint32_t result = FF_FAIL;
  std::string buffer;
};

// Code 46 with an array: the answer, the count written back and the entries.
struct ParameterEvents {
  uint32_t result = FF_FAIL;
  uint32_t count = 0;
  std::vector<ParameterEventRecord> events;  // the first `count` entries
};

// Code 42: the answer, the size written back and, when asked for, the pixels.
struct Thumbnail {
  uint32_t result = FF_FAIL;
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint32_t> pixels;
};

class PluginLibrary {
 public:
  // Loads the library at a full path (UTF-8) and resolves plugMain and
  // SetLogCallback. Null, with the reason in `error`, on failure.
  static std::unique_ptr<PluginLibrary> Load(const std::string& path, std::string& error);
  // Sends code 2, as a host does before unloading, then unloads.
  ~PluginLibrary();

  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Raw access.
  FFGLValue Call(uint32_t code, FFGLValue input = FFGLValue{0},
                 FFGLInstanceHandle instance = nullptr) const;
  FFGLValue CallWithUInt(uint32_t code, uint32_t value, FFGLInstanceHandle instance = nullptr) const;
  FFGLValue CallWithPointer(uint32_t code, const void* record,
                            FFGLInstanceHandle instance = nullptr) const;
  void SetLogCallback(HostLogFunction callback) const;

  // Class-level codes.
  const PluginInfoRecord* GetInfo() const;                  // 0
  uint32_t DeInitialise() const;                            // 2
  uint32_t GetNumParameters() const;                        // 4
  const char* GetParameterName(uint32_t id) const;          // 5
  FFGLValue GetParameterDefault(uint32_t id) const;         // 6
  float GetParameterDefaultFloat(uint32_t id) const;        // 6, low 32 bits as float
  const char* GetParameterDefaultText(uint32_t id) const;   // 6, as a text pointer
  uint32_t GetPluginCaps(uint32_t capability) const;        // 10
  const ExtendedInfoRecord* GetExtendedInfo() const;        // 13
  uint32_t GetParameterType(uint32_t id) const;             // 15
  uint32_t GetParameterUsage(uint32_t id) const;            // 32
  const char* GetPluginShortName() const;                   // 33
  uint32_t Initialise() const;                              // 34
  ParameterRange GetParameterRange(uint32_t id) const;      // 41
  Thumbnail GetThumbnail(bool withPixels) const;            // 42
  uint32_t GetNumFileParameterExtensions(uint32_t id) const;              // 43
  const char* GetFileParameterExtension(uint32_t id, uint32_t index) const;  // 44
  uint32_t GetNumElementSeparators(uint32_t id) const;                    // 47
  uint32_t GetSeparatorElementIndex(uint32_t id, uint32_t index) const;   // 48
  TextOut GetParameterGroup(uint32_t id, uint32_t bufferSize = 256, char fill = '\0') const;  // 50

  // Codes answered from an instance's store when `instance` is given, else
  // from the prototype's.
  uint32_t GetNumParameterElements(uint32_t id, FFGLInstanceHandle instance = nullptr) const;  // 31
  const char* GetParameterElementName(uint32_t id, uint32_t index,
                                      FFGLInstanceHandle instance = nullptr) const;  // 35
  FFGLValue GetParameterElementValue(uint32_t id, uint32_t index,
                                     FFGLInstanceHandle instance = nullptr) const;  // 36
  uint32_t GetParameterVisibility(uint32_t id, FFGLInstanceHandle instance = nullptr) const;  // 45

  // Code 18 as it is: the whole answer (a handle, or FF_FAIL).
  FFGLValue InstantiateRaw(const ViewportRecord* viewport) const;
  // Code 18 wrapped: null when it answered FF_FAIL. The instance sends
  // code 19 when it is destroyed. Call with the GL context current.
  std::unique_ptr<PluginInstance> Instantiate(const ViewportRecord& viewport) const;

 private:
  PluginLibrary(platform::LibraryHandle handle, PlugMainFunction plugMain,
                SetLogCallbackFunction setLogCallback);

  platform::LibraryHandle handle_;
  PlugMainFunction plugMain_;
  SetLogCallbackFunction setLogCallback_;
};

// One live instance (the handle code 18 returned). Sends code 19 on
// destruction unless Deinstantiate() already did.
class PluginInstance {
 public:
  PluginInstance(const PluginLibrary& library, FFGLInstanceHandle handle);
  ~PluginInstance();

  PluginInstance(const PluginInstance&) = delete;
  PluginInstance& operator=(const PluginInstance&) = delete;

  FFGLInstanceHandle Handle() const { return handle_; }
  const PluginLibrary& Library() const { return library_; }
  FFGLValue Call(uint32_t code, FFGLValue input = FFGLValue{0}) const;

  const char* GetParameterDisplay(uint32_t id) const;            // 7
  FFGLValue GetParameterDisplayRaw(uint32_t id) const;           // 7, whole answer
  uint32_t SetFloatParameter(uint32_t id, float value) const;    // 8
  uint32_t SetTextParameter(uint32_t id, const char* value) const;  // 8
  uint32_t SetParameterRaw(uint32_t id, uint64_t value) const;   // 8, the record's 64 bits as given
  FFGLValue GetParameter(uint32_t id) const;                     // 9
  float GetFloatParameter(uint32_t id) const;                    // 9, low 32 bits as float
  const char* GetTextParameter(uint32_t id) const;               // 9, as a text pointer
  uint32_t GetInputStatus(uint32_t inputIndex) const;            // 16
  // Code 17 with these input textures, into whatever framebuffer is bound.
  uint32_t ProcessOpenGL(const std::vector<TextureRecord>& inputs = {}) const;
  // Code 17 as a host does it: `target` bound with a matching viewport for
  // the call, the earlier bindings and viewport put back afterwards.
  uint32_t RenderFrame(HostFramebuffer& target, const std::vector<TextureRecord>& inputs = {}) const;
  uint32_t Deinstantiate();                                      // 19; later calls answer FF_FAIL
  uint32_t SetTime(double time) const;                           // 20
  uint32_t Connect() const;                                      // 21
  uint32_t Disconnect() const;                                   // 22
  uint32_t Resize(const ViewportRecord& viewport) const;         // 23
  uint32_t GetNumParameterElements(uint32_t id) const;           // 31
  const char* GetParameterElementName(uint32_t id, uint32_t index) const;   // 35
  FFGLValue GetParameterElementValue(uint32_t id, uint32_t index) const;    // 36
  uint32_t SetParameterElementValue(uint32_t id, uint32_t index, float value) const;  // 37
  uint32_t SetBeatInfo(float bpm, float barPhase) const;         // 38
  uint32_t SetHostInfo(const char* text1, const char* text2) const;  // 39
  uint32_t SetSampleRate(uint32_t rate) const;                   // 40
  uint32_t GetParameterVisibility(uint32_t id) const;            // 45
  uint32_t GetNumPendingParameterEvents() const;                 // 46 without an array
  ParameterEvents TakeParameterEvents(uint32_t capacity) const;  // 46 with an array
  uint32_t EnablePluginCap(uint32_t capability) const;           // 49
  TextOut GetParameterDisplayName(uint32_t id, uint32_t bufferSize = 256, char fill = '\0') const;  // 51

 private:
  const PluginLibrary& library_;
  FFGLInstanceHandle handle_;
};

// True when a whole 64-bit answer is FF_FAIL (upper half zero).
inline bool IsFail(FFGLValue value) { return value.bits == FF_FAIL; }

}  // namespace testhost
