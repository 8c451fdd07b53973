#include "glhelpers/Utilities.h"

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "platform/Platform.h"

namespace ffglex {

void DebugLog(const std::string& text) {
  platform::WriteDebuggerOutput(text.c_str());
  platform::WriteDebuggerOutput("\n");
  // A write while standard output was closed leaves the stream failed; without
  // clearing that, every later line would be dropped even once it is open again.
  std::cout.clear();
  std::cout.write(text.data(), static_cast<std::streamsize>(text.size()));
  std::cout << std::endl;
}

void LogMessage2(const char* a, const char* b) {
  std::ostringstream line;
  line << (a ? a : "") << (b ? b : "");
  DebugLog(line.str());
}

namespace {

// One body for both precisions. The sector is compared as a floating value
// rather than converted to int, so a NaN or huge hue cannot hit an undefined
// conversion; it simply falls into the last row.
template <typename T>
void HsvToRgbIn(T h, T s, T v, T& r, T& g, T& b) {
  if (s == T(0)) {
    r = g = b = v;
    return;
  }
  T i = std::floor(T(6) * h);
  const T f = T(6) * h - i;
  // Hue 1 is a full turn: red, like hue 0, not the magenta of sector 6.
  if (i == T(6)) i = T(0);
  const T p = v * (T(1) - s);
  const T q = v * (T(1) - f * s);
  const T t = v * (T(1) - (T(1) - f) * s);
  if (i == T(0)) {
    r = v, g = t, b = p;
  } else if (i == T(1)) {
    r = q, g = v, b = p;
  } else if (i == T(2)) {
    r = p, g = v, b = t;
  } else if (i == T(3)) {
    r = p, g = q, b = v;
  } else if (i == T(4)) {
    r = t, g = p, b = v;
  } else {
    r = v, g = p, b = q;
  }
}

}  // namespace

void HsvToRgb(float h, float s, float v, float& r, float& g, float& b) {
  HsvToRgbIn(h, s, v, r, g, b);
}

void HsvToRgb(double h, double s, double v, double& r, double& g, double& b) {
  HsvToRgbIn(h, s, v, r, g, b);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  // An empty `from` matches everywhere and would never end.
  if (from == to || from.empty()) return;
  // When `to` contains `from`, searching the inserted text again would never
  // end either; then the search continues after the insertion.
  const bool resumeAfter = to.find(from) != std::string::npos;
  std::size_t pos = text.find(from);
  while (pos != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos = text.find(from, resumeAfter ? pos + to.size() : pos);
  }
}

float Clamp01(float x) {
  if (x < 0.0f) x = 0.0f;
  if (x > 1.0f) x = 1.0f;
  return x;
}

float Clamp(float x, float min, float max) {
  float value = x > max ? max : x;
  if (min > value) value = min;
  return value;
}

float Remap(float x, float inMin, float inMax, float outMin, float outMax) {
  float r = (x - inMin) * (outMax - outMin) / (inMax - inMin) + outMin;
  // An empty input range at its own edge gives 0/0; keep the result in range.
  if (std::isnan(r)) r = outMin;
  if (r > outMax) r = outMax;
  if (outMin > r) r = outMin;
  return r;
}

bool IsPowerOfTwo(std::uint32_t x) { return x != 0 && (x & (x - 1)) == 0; }

std::uint32_t NextPowerOfTwo(std::uint32_t x) {
  if (x == 0 || IsPowerOfTwo(x)) return x;
  std::uint32_t highest = 1u << 31;
  while ((highest & x) == 0) highest >>= 1;
  return highest << 1;  // wraps to 0 above 2^31
}

float RandomFloat(float min, float max) {
  // rand's range is 0 to 32767 on Windows but far wider elsewhere; taking
  // the low 15 bits keeps the result within [min, max] everywhere.
  const int r = std::rand() % 32768;
  const float value = static_cast<float>(r) / (32767.0f / (max - min)) + min;
  // The division and the addition each round, so r = 32767 can land one
  // float step beyond max (for example 3.30000019 for -3 to 3.3).
  return std::fmin(std::fmax(value, std::fmin(min, max)), std::fmax(min, max));
}

}  // namespace ffglex
