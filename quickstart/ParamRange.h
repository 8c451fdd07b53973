// A parameter with its own minimum and maximum, in its own units: a float
// (type 10) or, made through the integer Create, an integer (type 13). The
// value is stored as received and never clamped; only GetNormalisedValue
// maps it into [0, 1].
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "quickstart/Param.h"

namespace ffglqs {

class ParamRange : public Param {
 public:
  struct ValueRange {
    ValueRange(float min, float max) : min(min), max(max) {}
    float min;
    float max;
  };

  ParamRange(std::string name, float value, ValueRange range);

  static std::shared_ptr<ParamRange> Create(std::string name, float value, ValueRange range);
  // The integer parameter: the same object with type 13.
  static std::shared_ptr<ParamRange> Create(std::string name, int32_t value, ValueRange range);

  ValueRange GetRange() const { return range; }

  // The value mapped from [min, max] onto [0, 1], clamped; a reversed range
  // reverses the map. An empty range (min equal to max) gives 0.0.
  float GetNormalisedValue() const;

 private:
  ValueRange range;
};

}  // namespace ffglqs
