// The base class of every plugin object: the prototype and each instance.
//
// It adds to the parameter store the eighteen host-facing operations, each
// with a default body, and the host state those defaults keep. The order of
// the virtual operations is the layout every plugin class shares; derived
// frameworks append their own after Resize. Objects are handed to the host as
// CFFGLPlugin* (the address is the instance handle) and always deleted through
// the virtual destructor.
#pragma once

#include <cstdint>
#include <string>

#include "host/CFFGLPluginManager.h"
#include "host/FFGLBoundary.h"

class CFFGLPlugin : public CFFGLPluginManager {
 public:
  explicit CFFGLPlugin(bool supportTopLeftTextureOrientation);
  ~CFFGLPlugin() override;

  CFFGLPlugin(const CFFGLPlugin&) = delete;
  CFFGLPlugin& operator=(const CFFGLPlugin&) = delete;

  virtual uint32_t InitGL(const ViewportRecord* viewport);
  virtual uint32_t DeInitGL();
  // The text the host shows for a value. Non-text values are formatted into
  // one 16-byte buffer shared by the whole process, valid until the next call.
  virtual char* GetParameterDisplay(uint32_t id);
  virtual uint32_t SetFloatParameter(uint32_t id, float value);
  virtual uint32_t SetTextParameter(uint32_t id, const char* value);
  virtual float GetFloatParameter(uint32_t id);
  virtual char* GetTextParameter(uint32_t id);
  virtual uint32_t ProcessOpenGL(const ProcessOpenGLRecord* record);
  virtual uint32_t SetTime(double time);
  virtual void SetBeatInfo(float bpm, float barPhase);
  virtual void SetHostInfo(const char* hostText1, const char* hostText2);
  virtual void SetSampleRate(uint32_t sampleRate);
  virtual uint32_t GetInputStatus(uint32_t inputIndex);
  virtual char* GetShortName();
  virtual uint32_t Connect();
  virtual uint32_t Disconnect();
  virtual uint32_t Resize(const ViewportRecord* viewport);

  // Written by the dispatcher and the instantiation only.
  bool IsConnected() const { return connected_; }
  void SetConnected(bool connected) { connected_ = connected; }
  void SetSelf(CFFGLPlugin* self) { self_ = self; }

  const ViewportRecord& GetViewport() const { return viewport; }
  float GetBpm() const { return bpm; }
  float GetBarPhase() const { return barPhase; }
  const std::string& GetHostText1() const { return hostText1; }
  const std::string& GetHostText2() const { return hostText2; }
  double GetHostTime() const { return hostTime; }
  uint32_t GetSampleRate() const { return sampleRate; }

 private:
  bool connected_ = false;
  CFFGLPlugin* self_ = nullptr;

 protected:
  ViewportRecord viewport{};
  float bpm = 120.0f;
  float barPhase = 0.0f;
  std::string hostText1;
  std::string hostText2;
  double hostTime = 0.0;
  uint32_t sampleRate = 0;
};

// The pointer value GetTextParameter answers when it has no text: FF_FAIL
// widened to 64 bits, upper half zero.
inline char* FFGLFailTextPointer() {
  return reinterpret_cast<char*>(static_cast<uintptr_t>(FF_FAIL));
}
