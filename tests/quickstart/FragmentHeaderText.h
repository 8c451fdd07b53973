// The quick-start fragment header as the tests spell it out, independently of
// the framework's own constant: each line after a line feed and two tabs,
// then a line feed and a tab.
#pragma once

#include <string>

namespace qstest {

inline std::string FragmentHeader() {
  const char* lines[] = {"#version 410 core",       "out vec4 fragColor;",
                         "uniform vec2 resolution;", "uniform float time;",
                         "uniform float deltaTime;", "uniform int frame;",
                         "uniform float bpm;",       "uniform float phase;"};
  std::string header;
  for (const char* line : lines) header += std::string("\n\t\t") + line;
  return header + "\n\t";
}

}  // namespace qstest
