// A buffer parameter (type 12) of FFT bins that the host fills. The plugin
// assigns `index` (its host parameter id) when it declares the parameter and
// copies the host's element values into `bins` every frame. It gets no uniform.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "quickstart/Param.h"

namespace ffglqs {

class ParamFFT : public Param {
 public:
  static constexpr uint64_t kDefaultBinCount = 2048;
  // No host id yet: a look-up under it finds nothing.
  static constexpr uint32_t kUnassignedIndex = 0xFFFFFFFFu;

  // Throws std::length_error for a count beyond what a vector can hold.
  ParamFFT(std::string name, uint64_t binCount);

  static std::shared_ptr<ParamFFT> Create(std::string name);
  static std::shared_ptr<ParamFFT> Create(std::string name, uint64_t binCount);

  uint32_t index = kUnassignedIndex;
  std::vector<float> bins;
};

}  // namespace ffglqs
