#include "testing/plugin_host/HostFramebuffer.h"

#include <GL/glew.h>

namespace testhost {

RgbaPixel RgbaImage::Pixel(uint32_t x, uint32_t y) const {
  const std::size_t offset = (std::size_t{y} * width + x) * 4;
  return RgbaPixel{bytes[offset], bytes[offset + 1], bytes[offset + 2], bytes[offset + 3]};
}

namespace {

GLuint CreateRgbaTexture(uint32_t width, uint32_t height, const void* pixels) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width),
               static_cast<GLsizei>(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glBindTexture(GL_TEXTURE_2D, 0);
  return texture;
}

}  // namespace

// ---------------------------------------------------------------------------
// HostFramebuffer

std::unique_ptr<HostFramebuffer> HostFramebuffer::Create(uint32_t width, uint32_t height,
                                                         std::string& error) {
  if (width == 0 || height == 0) {
    error = "a host framebuffer needs a non-zero size";
    return nullptr;
  }
  if (!glGenFramebuffers) {
    error = "GL entry points are not loaded (no current context with GLEW)";
    return nullptr;
  }
  const GLuint texture = CreateRgbaTexture(width, height, nullptr);
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteTextures(1, &texture);
    error = "host framebuffer incomplete, status " + std::to_string(status);
    return nullptr;
  }
  return std::unique_ptr<HostFramebuffer>(new HostFramebuffer(width, height, framebuffer, texture));
}

HostFramebuffer::HostFramebuffer(uint32_t width, uint32_t height, uint32_t framebuffer,
                                 uint32_t texture)
    : width_(width), height_(height), framebuffer_(framebuffer), texture_(texture) {}

HostFramebuffer::~HostFramebuffer() {
  const GLuint framebuffer = framebuffer_;
  const GLuint texture = texture_;
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &texture);
}

TextureRecord HostFramebuffer::AsTextureRecord() const {
  return TextureRecord{width_, height_, width_, height_, texture_};
}

void HostFramebuffer::Bind() {
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousDraw_);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead_);
  glGetIntegerv(GL_VIEWPORT, previousViewport_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glViewport(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_));
}

void HostFramebuffer::Unbind() {
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(previousDraw_));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previousRead_));
  glViewport(previousViewport_[0], previousViewport_[1], previousViewport_[2],
             previousViewport_[3]);
}

void HostFramebuffer::Clear(float r, float g, float b, float a) {
  Bind();
  glClearColor(r, g, b, a);
  glClear(GL_COLOR_BUFFER_BIT);
  Unbind();
}

RgbaImage HostFramebuffer::ReadPixels() {
  RgbaImage image;
  image.width = width_;
  image.height = height_;
  image.bytes.resize(std::size_t{width_} * height_ * 4);
  Bind();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), GL_RGBA,
               GL_UNSIGNED_BYTE, image.bytes.data());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  Unbind();
  return image;
}

// ---------------------------------------------------------------------------
// HostTexture

std::unique_ptr<HostTexture> HostTexture::Create(uint32_t width, uint32_t height,
                                                 const std::vector<uint8_t>& rgba) {
  if (width == 0 || height == 0 || rgba.size() != std::size_t{width} * height * 4) return nullptr;
  const GLuint texture = CreateRgbaTexture(width, height, rgba.data());
  return std::unique_ptr<HostTexture>(new HostTexture(width, height, texture));
}

HostTexture::HostTexture(uint32_t width, uint32_t height, uint32_t texture)
    : width_(width), height_(height), texture_(texture) {}

HostTexture::~HostTexture() {
  const GLuint texture = texture_;
  glDeleteTextures(1, &texture);
}

TextureRecord HostTexture::Record() const {
  return TextureRecord{width_, height_, width_, height_, texture_};
}

}  // namespace testhost
