#include "quickstart/ParamRange.h"

#include <utility>

#include "glhelpers/Utilities.h"

namespace ffglqs {

ParamRange::ParamRange(std::string name, float value, ValueRange range)
    : Param(std::move(name), FF_TYPE_STANDARD, value), range(range) {}

std::shared_ptr<ParamRange> ParamRange::Create(std::string name, float value,
                                               ValueRange range) {
  return std::make_shared<ParamRange>(std::move(name), value, range);
}

std::shared_ptr<ParamRange> ParamRange::Create(std::string name, int32_t value,
                                               ValueRange range) {
  auto param = std::make_shared<ParamRange>(std::move(name), static_cast<float>(value), range);
  param->type = FF_TYPE_INTEGER;
  return param;
}

float ParamRange::GetNormalisedValue() const {
  // The map divides by the width of the range; an empty range would give an
  // infinity or, at its only point, a NaN that the clamp lets through.
  if (range.min == range.max) return 0.0f;
  return ffglex::Remap(value, range.min, range.max, 0.0f, 1.0f);
}

}  // namespace ffglqs
