// The thumbnail that function code 42 hands to the host.
//
// Constructing one registers it as the process's thumbnail (g_thumbnail),
// replacing any earlier one; destroying the registered one unregisters it so
// that code 42 never reads freed pixels.
#pragma once

#include <cstdint>
#include <vector>

// One packed 32-bit pixel; the four components in the order given, the first
// in the highest byte.
struct ThumbnailPixel {
  uint32_t value = 0;

  ThumbnailPixel() = default;
  ThumbnailPixel(uint32_t packed) : value(packed) {}  // NOLINT: packed pixels convert freely
  ThumbnailPixel(uint8_t c0, uint8_t c1, uint8_t c2, uint8_t c3)
      : value((uint32_t{c0} << 24) | (uint32_t{c1} << 16) | (uint32_t{c2} << 8) | uint32_t{c3}) {}
};
static_assert(sizeof(ThumbnailPixel) == 4, "code 42 copies 4 bytes per pixel");

class ThumbnailImage {
 public:
  // Refers to the caller's pixels, which must outlive this object.
  ThumbnailImage(uint32_t width, uint32_t height, const void* pixels);
  // Takes the pixels over, sized to width x height (new pixels are 0).
  ThumbnailImage(uint32_t width, uint32_t height, std::vector<ThumbnailPixel>&& pixels);
  ~ThumbnailImage();

  ThumbnailImage(const ThumbnailImage&) = delete;
  ThumbnailImage& operator=(const ThumbnailImage&) = delete;

  uint32_t GetWidth() const { return width_; }
  uint32_t GetHeight() const { return height_; }
  const void* GetPixels() const { return pixels_; }
  // How many pixels GetPixels() holds: width x height for the caller's
  // pixels, the vector's size for owned ones. The two differ when width x
  // height does not fit in 32 bits.
  uint64_t GetPixelCount() const;

 private:
  uint32_t width_;
  uint32_t height_;
  std::vector<ThumbnailPixel> ownedPixels_;
  const void* pixels_;
};

extern ThumbnailImage* g_thumbnail;
