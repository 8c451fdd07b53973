// What a host draws into and hands in: a framebuffer object with an RGBA8
// colour texture that frames are processed into and read back from, and
// input textures made from pixels. Create and destroy them with a GL
// context current and GLEW loaded (testgl::CreateCurrentContextWithGlew).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/FFGLBoundary.h"

namespace testhost {

struct RgbaPixel {
  uint8_t r = 0, g = 0, b = 0, a = 0;
  bool operator==(const RgbaPixel& other) const {
    return r == other.r && g == other.g && b == other.b && a == other.a;
  }
  bool operator!=(const RgbaPixel& other) const { return !(*this == other); }
};

// Tightly packed RGBA8 rows in GL order: row 0 is the bottom of the picture.
struct RgbaImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> bytes;

  // (x, y) with y counted up from the bottom row, as GL counts.
  RgbaPixel Pixel(uint32_t x, uint32_t y) const;
  // (x, y) with y counted down from the top row, as a picture is read.
  RgbaPixel PixelFromTop(uint32_t x, uint32_t y) const { return Pixel(x, height - 1 - y); }
};

class HostFramebuffer {
 public:
  static std::unique_ptr<HostFramebuffer> Create(uint32_t width, uint32_t height,
                                                 std::string& error);
  ~HostFramebuffer();

  HostFramebuffer(const HostFramebuffer&) = delete;
  HostFramebuffer& operator=(const HostFramebuffer&) = delete;

  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  uint32_t Framebuffer() const { return framebuffer_; }
  uint32_t ColorTexture() const { return texture_; }
  // {0, 0, width, height}: what code 18 and code 23 are given.
  ViewportRecord Viewport() const { return ViewportRecord{0, 0, width_, height_}; }
  // The colour texture as an input of another plugin.
  TextureRecord AsTextureRecord() const;

  // Binds the framebuffer for drawing and reading with a matching viewport,
  // remembering the bindings and viewport it found.
  void Bind();
  // Puts back the bindings and viewport the last Bind found.
  void Unbind();
  // Clears the colour texture (binds and unbinds).
  void Clear(float r, float g, float b, float a);
  // Reads the whole colour texture back (binds and unbinds).
  RgbaImage ReadPixels();

 private:
  HostFramebuffer(uint32_t width, uint32_t height, uint32_t framebuffer, uint32_t texture);

  uint32_t width_;
  uint32_t height_;
  uint32_t framebuffer_;
  uint32_t texture_;
  int32_t previousDraw_ = 0;
  int32_t previousRead_ = 0;
  int32_t previousViewport_[4] = {0, 0, 0, 0};
};

// An RGBA8 texture made from rows in GL order (row 0 at the bottom), for
// code 17's input list.
class HostTexture {
 public:
  static std::unique_ptr<HostTexture> Create(uint32_t width, uint32_t height,
                                             const std::vector<uint8_t>& rgba);
  ~HostTexture();

  HostTexture(const HostTexture&) = delete;
  HostTexture& operator=(const HostTexture&) = delete;

  uint32_t Name() const { return texture_; }
  TextureRecord Record() const;

 private:
  HostTexture(uint32_t width, uint32_t height, uint32_t texture);

  uint32_t width_;
  uint32_t height_;
  uint32_t texture_;
};

// Writes the picture as an 8-bit RGBA PNG, top row first. False, with the
// reason in `error`, on failure.
bool WritePng(const std::string& path, const RgbaImage& image, std::string& error);

}  // namespace testhost
