#include "testing/ndi_runtime_sim/DemoPattern.h"

#include <algorithm>
#include <cmath>

namespace ndisim {

namespace {

struct Colour {
  float r, g, b;
};

Colour Mix(Colour a, Colour b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// 0 outside, 1 inside, a soft edge of about one pixel between.
float Coverage(float signedDistance) {
  return std::clamp(0.5f - signedDistance, 0.0f, 1.0f);
}

}  // namespace

void DrawDemoPattern(std::uint8_t* bgra, int width, int height, double seconds) {
  const float w = static_cast<float>(width);
  const float h = static_cast<float>(height);
  const float t = static_cast<float>(seconds);
  const Colour skyTop{0.10f, 0.25f, 0.60f};
  const Colour skyLow{0.98f, 0.72f, 0.45f};
  const Colour sun{1.00f, 0.86f, 0.25f};
  const Colour cloud{1.00f, 1.00f, 1.00f};
  const Colour hillNear{0.18f, 0.50f, 0.20f};
  const Colour hillFar{0.35f, 0.62f, 0.35f};

  // The sun sits in the upper left and bobs; the cloud drifts rightwards.
  const float sunX = 0.22f * w;
  const float sunY = (0.24f + 0.03f * std::sin(t * 1.3f)) * h;
  const float sunRadius = 0.09f * h;
  const float cloudX = std::fmod(0.1f * w + t * 0.08f * w, 1.3f * w) - 0.15f * w;
  const float cloudY = 0.2f * h;

  for (int y = 0; y < height; ++y) {
    const float fy = static_cast<float>(y) + 0.5f;
    std::uint8_t* row = bgra + static_cast<std::size_t>(y) * static_cast<std::size_t>(width) * 4;
    for (int x = 0; x < width; ++x) {
      const float fx = static_cast<float>(x) + 0.5f;
      Colour c = Mix(skyTop, skyLow, std::clamp(fy / (0.7f * h), 0.0f, 1.0f));

      const float sunDistance = std::hypot(fx - sunX, fy - sunY) - sunRadius;
      c = Mix(c, sun, Coverage(sunDistance));

      // Three puffs on a flat base make the cloud.
      float cloudEdge = std::max({cloudY - fy, fy - (cloudY + 0.045f * h),
                                  std::abs(fx - cloudX) - 0.075f * w});
      const float puffs[3][3] = {{-0.055f, 0.015f, 0.05f}, {0.0f, -0.02f, 0.075f},
                                 {0.06f, 0.01f, 0.055f}};
      for (const auto& puff : puffs) {
        const float distance =
            std::hypot(fx - (cloudX + puff[0] * w), fy - (cloudY + puff[1] * h)) - puff[2] * h;
        cloudEdge = std::min(cloudEdge, distance);
      }
      c = Mix(c, cloud, 0.92f * Coverage(cloudEdge));

      const float farRidge =
          h * (0.62f + 0.05f * std::sin(fx / w * 5.0f + t * 0.4f));
      c = Mix(c, hillFar, Coverage(farRidge - fy));
      const float nearRidge =
          h * (0.74f + 0.06f * std::sin(fx / w * 3.0f - t * 0.7f + 1.0f));
      c = Mix(c, hillNear, Coverage(nearRidge - fy));

      row[x * 4 + 0] = static_cast<std::uint8_t>(c.b * 255.0f + 0.5f);
      row[x * 4 + 1] = static_cast<std::uint8_t>(c.g * 255.0f + 0.5f);
      row[x * 4 + 2] = static_cast<std::uint8_t>(c.r * 255.0f + 0.5f);
      row[x * 4 + 3] = 255;
    }
  }
}

}  // namespace ndisim
