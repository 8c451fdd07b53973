#include "preview/KestrinPreview.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>

#include "glhelpers/ScopedGuards.h"
#include "preview/PreviewShaders.h"

namespace {

constexpr uint32_t kProjectorCount = 64;
// A frame older than this is no longer shown as live.
constexpr int64_t kStaleAfterNs = 2000000000;

bool IsOn(float booleanValue) { return booleanValue >= 0.5f; }

struct FramingScale {
  float x = 1.0f;
  float y = 1.0f;
};

// Fit scales the axis along which the frame is relatively longer past the
// unit square (bars on the other axis); Fill shrinks the other one (crop).
FramingScale ComputeFramingScale(float framing, bool hasFrame, float frameAspect, GLint width,
                                 GLint height) {
  FramingScale scale;
  if (!hasFrame || width <= 0 || height <= 0 || framing >= 1.5f) return scale;  // Stretch
  const float viewportAspect = static_cast<float>(width) / static_cast<float>(height);
  const float r = frameAspect / viewportAspect;
  if (framing < 0.5f) {  // Fit
    if (r > 1.0f) {
      scale.y = r;
    } else {
      scale.x = 1.0f / r;
    }
  } else {  // Fill
    if (r > 1.0f) {
      scale.x = 1.0f / r;
    } else {
      scale.y = r;
    }
  }
  return scale;
}

}  // namespace

uint32_t KestrinPreview::CreateInstance(CFFGLPlugin** instance) {
  *instance = new (std::nothrow) KestrinPreview();
  return *instance ? FF_SUCCESS : FF_FAIL;
}

KestrinPreview::KestrinPreview() : CFFGLPlugin(false) {
  SetMinInputs(0);
  SetMaxInputs(0);

  SetOptionParamInfo(kParamSource, "Source", kProjectorCount + 1, 0.0f);
  SetParamElementInfo(kParamSource, 0, "Viewport", 0.0f);
  for (uint32_t i = 1; i <= kProjectorCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "Projector VP-%02u", i);
    SetParamElementInfo(kParamSource, i, name, static_cast<float>(i));
  }

  SetParamInfo(kParamNameOverride, "NDI name override", FF_TYPE_TEXT, "");

  SetOptionParamInfo(kParamFraming, "Framing", 3, 0.0f);
  SetParamElementInfo(kParamFraming, 0, "Fit", 0.0f);
  SetParamElementInfo(kParamFraming, 1, "Fill", 1.0f);
  SetParamElementInfo(kParamFraming, 2, "Stretch", 2.0f);

  SetParamInfo(kParamFlip, "Flip vertical", FF_TYPE_BOOLEAN, GetFloatParameter(kParamFlip));
  SetParamInfo(kParamFreeze, "Freeze", FF_TYPE_BOOLEAN, GetFloatParameter(kParamFreeze));
  SetParamInfo(kParamConnection, "Connection", FF_TYPE_TEXT, connectionText.c_str());
}

// The members end in reverse order; the receiver's destructor stops a
// worker that is still running. No GL call happens here.
KestrinPreview::~KestrinPreview() = default;

uint32_t KestrinPreview::InitGL(const ViewportRecord* viewportRecord) {
  if (!viewportRecord) return FF_FAIL;
  if (!shader.Compile(kPreviewVertexShader, kPreviewFragmentShader) ||
      !quad.Initialise(false)) {
    DeInitGL();
    return FF_FAIL;
  }

  glGenTextures(1, &textureId);
  {
    ffglex::ScopedTextureUnit unit(0);
    ffglex::Scoped2DTextureBinding binding(textureId);
    // No storage yet: the first frame allocates it at its own size.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }

  UpdateRequestedSource();
  // Without its worker the instance could never show anything; refuse it
  // rather than hand the host a layer that stays black for good.
  if (!receiver.Start()) {
    DeInitGL();
    return FF_FAIL;
  }

  viewport = *viewportRecord;
  return FF_SUCCESS;
}

uint32_t KestrinPreview::DeInitGL() {
  receiver.Stop();
  snapshot.frame.reset();
  displayed.Reset();
  textureWidth = 0;
  textureHeight = 0;
  if (textureId != 0) glDeleteTextures(1, &textureId);
  textureId = 0;
  quad.Release();
  shader.Release();
  return FF_SUCCESS;
}

void KestrinPreview::UpdateRequestedSource() {
  if (!nameOverride.empty()) {
    receiver.SetRequestedSource(nameOverride);
  } else if (sourceValue == 0.0f) {
    receiver.SetRequestedSource(std::string());
  } else {
    char name[32];
    std::snprintf(name, sizeof name, "@projector:VP-%02d", static_cast<int>(sourceValue));
    receiver.SetRequestedSource(name);
  }
}

uint32_t KestrinPreview::SetFloatParameter(uint32_t id, float value) {
  if (!std::isfinite(value)) return FF_FAIL;
  switch (id) {
    case kParamSource:
      if (value < 0.0f || value > static_cast<float>(kProjectorCount) ||
          value != std::floor(value)) {
        return FF_FAIL;
      }
      sourceValue = value;
      UpdateRequestedSource();
      displayed.Reset();  // the next draw shows the new source's frame, or black
      return FF_SUCCESS;
    case kParamFraming:
      framingValue = std::clamp(value, 0.0f, 2.0f);
      return FF_SUCCESS;
    case kParamFlip:
      flipValue = IsOn(value) ? 1.0f : 0.0f;
      return FF_SUCCESS;
    case kParamFreeze:
      freezeValue = IsOn(value) ? 1.0f : 0.0f;
      return FF_SUCCESS;
    default:
      return FF_FAIL;
  }
}

uint32_t KestrinPreview::SetTextParameter(uint32_t id, const char* text) {
  if (id == kParamConnection) return FF_SUCCESS;  // read-only: the host's write is ignored
  if (id != kParamNameOverride || !text) return FF_FAIL;
  nameOverride = text;
  UpdateRequestedSource();
  displayed.Reset();
  return FF_SUCCESS;
}

float KestrinPreview::GetFloatParameter(uint32_t id) {
  switch (id) {
    case kParamSource:
      return sourceValue;
    case kParamFraming:
      return framingValue;
    case kParamFlip:
      return flipValue;
    case kParamFreeze:
      return freezeValue;
    default:
      return 0.0f;
  }
}

char* KestrinPreview::GetTextParameter(uint32_t id) {
  if (id == kParamNameOverride) return nameOverride.data();
  if (id == kParamConnection) return connectionText.data();
  return nullptr;
}

uint32_t KestrinPreview::ProcessOpenGL(const ProcessOpenGLRecord*) {
  // The receiver's lock is held only inside GetSnapshot; the copied
  // reference keeps the frame alive through the upload. The copy goes into
  // a member whose status keeps its capacity, so a frame allocates nothing.
  receiver.GetSnapshot(snapshot);
  const int64_t now = SteadyNowNs();
  const bool frozen = IsOn(freezeValue);

  const std::string& status = ChooseStatus(snapshot, now, frozen);
  if (status != connectionText) {
    connectionText = status;
    RaiseParamEvent(kParamConnection, FF_EVENT_FLAG_VALUE);
  }

  ffglex::ScopedTextureUnit unit(0);
  ffglex::Scoped2DTextureBinding texture(textureId);
  if (!frozen && snapshot.frame && !displayed.Is(snapshot.frame)) UploadFrame(snapshot.frame);

  const bool live = IsLive(snapshot, now, frozen);
  // The texture has the picture: no frame is held through the draw or
  // between host frames, so its storage can go to the worker's next copy.
  snapshot.frame.reset();
  // The viewport in force now, which the host may have changed since InitGL.
  GLint currentViewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, currentViewport);
  const FramingScale scale = ComputeFramingScale(framingValue, displayed.shown, displayed.aspect,
                                                 currentViewport[2], currentViewport[3]);

  ffglex::ScopedProgramUse program(shader.ProgramId());
  glUniform1i(shader.UniformLocation("image"), 0);
  glUniform2f(shader.UniformLocation("scale"), scale.x, scale.y);
  glUniform1i(shader.UniformLocation("flip"), IsOn(flipValue) ? 1 : 0);
  glUniform1i(shader.UniformLocation("live"), live ? 1 : 0);
  quad.Draw();
  return FF_SUCCESS;  // the guards unbind program, texture and unit, in that order
}

const std::string& KestrinPreview::ChooseStatus(const ReceiverSnapshot& snapshot,
                                                int64_t nowNs, bool frozen) const {
  static const std::string kFrozen = "Frozen";
  static const std::string kNoRecentFrames = "No recent video frames";
  if (frozen) return kFrozen;
  if (snapshot.frame && nowNs - snapshot.frame->timestampNs > kStaleAfterNs) {
    return kNoRecentFrames;
  }
  return snapshot.status;
}

// Uploads from the frame's own memory, so the host's pixel-unpack settings
// and unpack buffer are set aside for the call and put back afterwards.
// Storage is reallocated only when the size changes.
void KestrinPreview::UploadFrame(const std::shared_ptr<VideoFrame>& frame) {
  const ffglex::ScopedPixelUnpackState unpack;
  if (frame->width == textureWidth && frame->height == textureHeight) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, frame->width, frame->height, GL_BGRA,
                    GL_UNSIGNED_BYTE, frame->pixels.data());
  } else {
    textureWidth = frame->width;
    textureHeight = frame->height;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, frame->width, frame->height, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, frame->pixels.data());
  }
  displayed.frame = frame;
  displayed.aspect = frame->aspect;
  displayed.timestampNs = frame->timestampNs;
  displayed.shown = true;
}

// While frozen, whatever is displayed stays live however old it is.
bool KestrinPreview::IsLive(const ReceiverSnapshot& snapshot, int64_t nowNs, bool frozen) const {
  if (!displayed.shown) return false;
  if (frozen) return true;
  return snapshot.frame && nowNs - displayed.timestampNs < kStaleAfterNs;
}
