// The library's plugin: an FFGL source that shows the newest picture the
// KESTRIN application sends over NDI, framed Fit, Fill or Stretch into the
// host's layer, flippable and freezable, with a read-only status text.
//
// The prototype and every instance are this class. Construction only
// declares the six parameters; InitGL creates the GL objects and starts the
// receiver's worker, DeInitGL stops the worker and frees the GL objects.
// Every operation runs on the host's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "glhelpers/FullscreenQuad.h"
#include "glhelpers/ShaderProgram.h"
#include "host/CFFGLPlugin.h"
#include "preview/NdiReceiver.h"
#include "preview/VideoFrame.h"

class KestrinPreview : public CFFGLPlugin {
 public:
  // Parameter ids, in declaration order.
  enum ParamId : uint32_t {
    kParamSource = 0,
    kParamNameOverride = 1,
    kParamFraming = 2,
    kParamFlip = 3,
    kParamFreeze = 4,
    kParamConnection = 5,
  };

  // The descriptor's factory: a new object at *instance, or null and FF_FAIL.
  static uint32_t CreateInstance(CFFGLPlugin** instance);

  KestrinPreview();
  ~KestrinPreview() override;

  uint32_t InitGL(const ViewportRecord* viewport) override;
  uint32_t DeInitGL() override;
  uint32_t SetFloatParameter(uint32_t id, float value) override;
  uint32_t SetTextParameter(uint32_t id, const char* text) override;
  float GetFloatParameter(uint32_t id) override;
  char* GetTextParameter(uint32_t id) override;
  uint32_t ProcessOpenGL(const ProcessOpenGLRecord* record) override;

  // Hands the source name the parameters call for to the receiver: the
  // override when set, else the main viewport or the chosen projector.
  void UpdateRequestedSource();

 private:
  // Returns a reference into the snapshot or to a constant text, so the
  // per-frame path copies a status only when it changed.
  const std::string& ChooseStatus(const ReceiverSnapshot& snapshot, int64_t nowNs,
                                  bool frozen) const;
  void UploadFrame(const std::shared_ptr<VideoFrame>& frame);
  bool IsLive(const ReceiverSnapshot& snapshot, int64_t nowNs, bool frozen) const;

  NdiReceiver receiver;
  ReceiverSnapshot snapshot;  // the receiver's state as this host frame took it
  ffglex::ShaderProgram shader;
  ffglex::FullscreenQuad quad;
  uint32_t textureId = 0;
  int32_t textureWidth = 0;   // 0 while the texture has no storage
  int32_t textureHeight = 0;
  // The frame whose pixels the texture holds. The texture has the picture,
  // so the frame itself is let go once uploaded and its storage goes back to
  // the receiver for a later picture: at 4K that is 32 MiB fewer held. The
  // weak reference still tells that frame from a new one (it keeps the
  // frame's address from being reused), and the draw keeps what it reads.
  struct DisplayedFrame {
    std::weak_ptr<const VideoFrame> frame;
    float aspect = 1.0f;
    int64_t timestampNs = 0;
    bool shown = false;  // false: nothing to display, the picture is black

    void Reset() { *this = DisplayedFrame(); }
    bool Is(const std::shared_ptr<VideoFrame>& other) const {
      return shown && !frame.owner_before(other) && !other.owner_before(frame);
    }
  };
  DisplayedFrame displayed;
  std::string nameOverride;
  std::string connectionText = "Starting";
  float sourceValue = 0.0f;
  float framingValue = 0.0f;
  float flipValue = 0.0f;
  float freezeValue = 0.0f;
};
