#include "glhelpers/OffscreenTarget.h"

#include "glhelpers/ScopedGuards.h"

namespace ffglex {

bool OffscreenTarget::Create(GLuint width, GLuint height, GLenum internalFormat) {
  if (framebuffer_ != 0) return false;
  width_ = width;
  height_ = height;
  internalFormat_ = internalFormat;
  if (!CreateFramebuffer() || !CreateDepthRenderbuffer() || !CreateColourTexture()) {
    Release();
    return false;
  }

  ScopedFramebufferBinding framebufferBinding(framebuffer_, 1);  // puts back the caller's
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                            depthRenderbuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourTexture_, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  if (!complete) Release();
  framebufferBinding.EndScope();
  return complete;
}

void OffscreenTarget::Release() {
  width_ = 0;
  height_ = 0;
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
  framebuffer_ = 0;
  if (depthRenderbuffer_ != 0) glDeleteRenderbuffers(1, &depthRenderbuffer_);
  depthRenderbuffer_ = 0;
  if (colourTexture_ != 0) glDeleteTextures(1, &colourTexture_);
  colourTexture_ = 0;
}

bool OffscreenTarget::CreateFramebuffer() {
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
  framebuffer_ = 0;
  glGenFramebuffers(1, &framebuffer_);
  return framebuffer_ != 0;
}

bool OffscreenTarget::CreateDepthRenderbuffer() {
  if (depthRenderbuffer_ != 0) glDeleteRenderbuffers(1, &depthRenderbuffer_);
  depthRenderbuffer_ = 0;
  glGenRenderbuffers(1, &depthRenderbuffer_);
  if (depthRenderbuffer_ == 0) return false;
  ScopedRenderbufferBinding renderbufferBinding(depthRenderbuffer_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, static_cast<GLsizei>(width_),
                        static_cast<GLsizei>(height_));
  return true;
}

bool OffscreenTarget::CreateColourTexture() {
  if (colourTexture_ != 0) glDeleteTextures(1, &colourTexture_);
  colourTexture_ = 0;
  glGenTextures(1, &colourTexture_);
  if (colourTexture_ == 0) return false;
  // No initial data; the pixel type only describes the (absent) upload.
  const GLenum pixelType = internalFormat_ == GL_RGBA8 ? GL_UNSIGNED_BYTE : GL_FLOAT;
  Scoped2DTextureBinding textureBinding(colourTexture_);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internalFormat_),
               static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), 0, GL_RGBA,
               pixelType, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return true;
}

TextureRecord OffscreenTarget::TextureInfo() const {
  return TextureRecord{width_, height_, width_, height_, colourTexture_};
}

void OffscreenTarget::ApplyViewport() const {
  glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
}

}  // namespace ffglex
