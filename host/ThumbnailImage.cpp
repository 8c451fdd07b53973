#include "host/ThumbnailImage.h"

#include <utility>

ThumbnailImage* g_thumbnail = nullptr;

ThumbnailImage::ThumbnailImage(uint32_t width, uint32_t height, const void* pixels)
    : width_(width), height_(height), pixels_(pixels) {
  g_thumbnail = this;
}

ThumbnailImage::ThumbnailImage(uint32_t width, uint32_t height,
                               std::vector<ThumbnailPixel>&& pixels)
    : width_(width), height_(height), ownedPixels_(std::move(pixels)), pixels_(nullptr) {
  ownedPixels_.resize(width * height);  // width x height taken in 32 bits
  pixels_ = ownedPixels_.data();
  g_thumbnail = this;
}

uint64_t ThumbnailImage::GetPixelCount() const {
  if (pixels_ == ownedPixels_.data()) return ownedPixels_.size();
  return uint64_t{width_} * height_;
}

ThumbnailImage::~ThumbnailImage() {
  if (g_thumbnail == this) g_thumbnail = nullptr;
}
