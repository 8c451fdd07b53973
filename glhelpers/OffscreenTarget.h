// A framebuffer of its own to render into instead of the host's: a colour
// texture at colour attachment 0 and a 24-bit depth renderbuffer, all of one
// size. The colour result is described as a TextureRecord, like the host's
// input textures. The GL objects are freed only by Release, called with the
// context current; the destructor makes no GL call.
#pragma once

#include <GL/glew.h>

#include "host/FFGLBoundary.h"

namespace ffglex {

class OffscreenTarget {
 public:
  OffscreenTarget() = default;
  ~OffscreenTarget() = default;
  OffscreenTarget(const OffscreenTarget&) = delete;
  OffscreenTarget& operator=(const OffscreenTarget&) = delete;

  // Creates and assembles the three objects with the given size and sized
  // colour format (GL_RGBA8, GL_RGBA32F, ...). False, and nothing changes,
  // when the target already has a framebuffer; false, with everything
  // released, when GL gives no name or the framebuffer is incomplete. The
  // caller's draw and read framebuffers are bound again in every case.
  bool Create(GLuint width, GLuint height, GLenum internalFormat);

  // Zeroes the size and deletes the objects; safe on an empty target.
  void Release();

  // Single steps of Create with the size and format already stored. Each
  // replaces the object it held; none releases anything on failure.
  bool CreateFramebuffer();
  bool CreateDepthRenderbuffer();
  bool CreateColourTexture();

  GLuint FramebufferId() const { return framebuffer_; }
  GLuint Width() const { return width_; }
  GLuint Height() const { return height_; }

  // Width, height, the same again as the hardware size, and the colour texture.
  TextureRecord TextureInfo() const;

  // glViewport(0, 0, width, height), for drawing into this target.
  void ApplyViewport() const;

 private:
  GLuint width_ = 0;
  GLuint height_ = 0;
  GLenum internalFormat_ = 0;
  GLuint framebuffer_ = 0;
  GLuint depthRenderbuffer_ = 0;
  GLuint colourTexture_ = 0;
};

}  // namespace ffglex
