// GLSL shared by the sample plugins: writes a 32-bit value into one pixel,
// one byte per channel (red holds the highest byte), so a test reads any
// uniform back exactly from an RGBA8 framebuffer.
#pragma once

namespace sample {

constexpr const char kEncodeBits[] = R"(
vec4 EncodeBits(uint bits)
{
	return vec4(float((bits >> 24u) & 255u), float((bits >> 16u) & 255u),
	            float((bits >> 8u) & 255u), float(bits & 255u)) / 255.0;
}
)";

}  // namespace sample
