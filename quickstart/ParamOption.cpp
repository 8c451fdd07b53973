#include "quickstart/ParamOption.h"

#include <cmath>
#include <utility>

namespace ffglqs {

ParamOption::ParamOption(std::string name, Options options, int32_t defaultIndex)
    : Param(std::move(name), FF_TYPE_OPTION, static_cast<float>(defaultIndex)),
      options(std::move(options)) {
  ParamOption::SetValue(static_cast<float>(defaultIndex));
}

std::shared_ptr<ParamOption> ParamOption::Create(std::string name, Options options) {
  return std::make_shared<ParamOption>(std::move(name), std::move(options));
}

std::shared_ptr<ParamOption> ParamOption::Create(std::string name, Options options,
                                                 int32_t defaultIndex) {
  return std::make_shared<ParamOption>(std::move(name), std::move(options), defaultIndex);
}

void ParamOption::SetValue(float v) {
  // Converting a negative, NaN or too large float to an integer is undefined,
  // so only a truncation inside [0, 2^64) becomes an index; everything else
  // lies beyond any list, as an unsigned index of it would.
  constexpr float kIndexLimit = 18446744073709551616.0f;  // 2^64
  const float truncated = std::trunc(v);
  if (truncated >= 0.0f && truncated < kIndexLimit) {
    const uint64_t index = static_cast<uint64_t>(truncated);
    if (index < options.size()) {
      value = v;
      currentOptionName = options[index].name;
      currentOptionValue = options[index].value;
      return;
    }
  }
  value = 0.0f;
}

}  // namespace ffglqs
