// Reading back a value that a probe shader encoded into one RGBA8 pixel, one
// byte per channel with red holding the highest byte (sample_plugins/ProbeGlsl.h).
#pragma once

#include <cstdint>
#include <cstring>

#include "testing/plugin_host/HostFramebuffer.h"

namespace qstest {

inline uint32_t BitsAt(const testhost::RgbaImage& image, uint32_t x, uint32_t y = 0) {
  const testhost::RgbaPixel p = image.Pixel(x, y);
  return uint32_t{p.r} << 24 | uint32_t{p.g} << 16 | uint32_t{p.b} << 8 | uint32_t{p.a};
}

inline float FloatAt(const testhost::RgbaImage& image, uint32_t x, uint32_t y = 0) {
  const uint32_t bits = BitsAt(image, x, y);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace qstest
