#include "quickstart/SmoothedValue.h"

namespace ffglqs {

void SmoothedValue::Update(float x) {
  // Both products first, then the sum, all in single precision.
  const float taken = (1.0f - smoothness) * x;
  const float kept = smoothness * value;
  value = taken + kept;
}

}  // namespace ffglqs
