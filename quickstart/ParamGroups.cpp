#include "quickstart/ParamGroups.h"

#include <cstdint>

#include "host/FFGLBoundary.h"

namespace ffglqs {

namespace {

// True when the parameters from i on have exactly these types, in order.
template <std::size_t N>
bool TypesFollow(const std::vector<std::shared_ptr<Param>>& params, std::size_t i,
                 const uint32_t (&types)[N]) {
  if (i + N > params.size()) return false;
  for (std::size_t k = 0; k < N; ++k) {
    if (params[i + k]->GetType() != types[k]) return false;
  }
  return true;
}

}  // namespace

UniformGroup UniformGroupAt(const std::vector<std::shared_ptr<Param>>& params, std::size_t i) {
  static const uint32_t rgb[] = {FF_TYPE_RED, FF_TYPE_GREEN, FF_TYPE_BLUE};
  static const uint32_t hsba[] = {FF_TYPE_HUE, FF_TYPE_SATURATION, FF_TYPE_BRIGHTNESS,
                                  FF_TYPE_ALPHA};
  if (TypesFollow(params, i, rgb)) return {UniformKind::RgbColor, 3};
  if (TypesFollow(params, i, hsba)) return {UniformKind::HsbaColor, 4};
  switch (params[i]->GetType()) {
    case FF_TYPE_BOOLEAN:
    case FF_TYPE_EVENT:
      return {UniformKind::Bool, 1};
    case FF_TYPE_BUFFER:
      return {UniformKind::None, 1};
    default:
      return {UniformKind::Float, 1};
  }
}

}  // namespace ffglqs
