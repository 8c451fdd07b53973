// A one-pole smoother: each update moves the value (1 - smoothness) of the
// way towards the new measurement. Smoothness 0 follows the measurement,
// 1 freezes the value; it is not clamped.
#pragma once

namespace ffglqs {

class SmoothedValue {
 public:
  explicit SmoothedValue(float smoothness = 0.8f) : smoothness(smoothness) {}

  void SetSmoothness(float s) { smoothness = s; }
  void Update(float x);
  float GetValue() const { return value; }

 private:
  float smoothness;
  float value = 0.0f;
};

}  // namespace ffglqs
