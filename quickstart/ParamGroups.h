// How the parameter list maps onto shader uniforms: one uniform per colour
// group or single parameter, none for FFT buffers. The composed declarations
// and the per-frame upload both walk the list through UniformGroupAt, so the
// two always agree.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "quickstart/Param.h"

namespace ffglqs {

enum class UniformKind {
  RgbColor,   // vec3 named by the red member
  HsbaColor,  // vec4 (RGB plus alpha) named by the hue member
  Bool,       // boolean and event parameters
  None,       // buffers: no uniform
  Float,      // everything else, a lone colour component included
};

struct UniformGroup {
  UniformKind kind;
  std::size_t span;  // how many parameters the group takes
};

// The group that starts at position i (below the list size); the first rule
// that matches wins.
UniformGroup UniformGroupAt(const std::vector<std::shared_ptr<Param>>& params, std::size_t i);

}  // namespace ffglqs
