// The simulated runtime's demo picture.
#pragma once

#include <cstdint>

namespace ndisim {

// Draws a landscape at `seconds` into packed BGRA rows, top-down: sky at the
// top with the sun on the left, a drifting cloud and rolling hills at the
// bottom, so a flip or a mirror shows at a glance.
void DrawDemoPattern(std::uint8_t* bgra, int width, int height, double seconds);

}  // namespace ndisim
