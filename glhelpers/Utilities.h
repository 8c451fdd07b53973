// Free helpers of the GL helper library: the one-line diagnostic log and
// small colour, number and text utilities. None of them keeps state.
#pragma once

#include <cstdint>
#include <string>

namespace ffglex {

// Writes one diagnostic line: the text then a line feed to the debugger
// output, and the text with an end of line (which flushes) to standard
// output. No prefix, time stamp or level is added.
void DebugLog(const std::string& text);

// Joins two texts into one line and writes it through DebugLog. A null
// pointer counts as an empty text.
void LogMessage2(const char* a, const char* b);

// Converts hue, saturation and value (nominally 0 to 1) to red, green, blue.
void HsvToRgb(float h, float s, float v, float& r, float& g, float& b);
void HsvToRgb(double h, double s, double v, double& r, double& g, double& b);

// Replaces every occurrence of `from` in `text` by `to`. The search resumes
// where the replacement starts, so replacing two spaces by one collapses any
// run of spaces into one.
void ReplaceAll(std::string& text, const std::string& from, const std::string& to);

float Clamp01(float x);

// Limits x to [min, max]; when min is above max the result is min.
float Clamp(float x, float min, float max);

// Maps x from [inMin, inMax] linearly onto [outMin, outMax], clamped to the
// output range.
float Remap(float x, float inMin, float inMax, float outMin, float outMax);

bool IsPowerOfTwo(std::uint32_t x);

// The smallest power of two not below x; 0 for 0 and for values above 2^31
// (no 32-bit power of two is large enough).
std::uint32_t NextPowerOfTwo(std::uint32_t x);

// A pseudo-random value from min to max, both included, from the standard
// library's rand (which this library never seeds).
float RandomFloat(float min, float max);

}  // namespace ffglex
