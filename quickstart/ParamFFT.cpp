#include "quickstart/ParamFFT.h"

#include <utility>

namespace ffglqs {

ParamFFT::ParamFFT(std::string name, uint64_t binCount)
    : Param(std::move(name), FF_TYPE_BUFFER, 0.0f), bins(binCount, 0.0f) {}

std::shared_ptr<ParamFFT> ParamFFT::Create(std::string name) {
  return std::make_shared<ParamFFT>(std::move(name), kDefaultBinCount);
}

std::shared_ptr<ParamFFT> ParamFFT::Create(std::string name, uint64_t binCount) {
  return std::make_shared<ParamFFT>(std::move(name), binCount);
}

}  // namespace ffglqs
