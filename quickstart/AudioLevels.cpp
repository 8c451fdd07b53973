#include "quickstart/AudioLevels.h"

#include <cmath>
#include <cstddef>
#include <utility>

#include "glhelpers/Utilities.h"

namespace ffglqs {

namespace {

// Root mean square of `count` squared values summing to `sum`. A band without
// bins measures 0: a NaN fed to a SmoothedValue would stay in it for good.
float RootMean(float sum, std::size_t count) {
  if (count == 0) return 0.0f;
  return std::sqrt(sum / static_cast<float>(count));
}

}  // namespace

void AudioLevels::Update(std::vector<float> fft) {
  bins = std::move(fft);
  const std::size_t n = bins.size();
  const std::size_t t = n / 3;

  // Bins t and 2t belong to no band, only to the volume.
  float volumeSum = 0.0f, bassSum = 0.0f, midSum = 0.0f, highSum = 0.0f;
  std::size_t bassCount = 0, midCount = 0, highCount = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const float squared = bins[i] * bins[i];
    const float e = squared * gain;
    volumeSum += e;
    if (i < t) {
      bassSum += e;
      ++bassCount;
    } else if (t < i && i < 2 * t) {
      midSum += e;
      ++midCount;
    } else if (i > 2 * t) {
      highSum += e;
      ++highCount;
    }
  }

  volume.Update(RootMean(volumeSum, n));
  bass.Update(RootMean(bassSum, bassCount));
  mid.Update(RootMean(midSum, midCount));
  high.Update(RootMean(highSum, highCount));
}

void AudioLevels::SetSampleRate(int32_t rate) {
  sampleRate = rate;
  nyquist = static_cast<float>(rate) * 0.5f;
  // Before any bins have arrived there is no bin width; keep 0 rather than
  // an infinity.
  hzPerBin = bins.empty() ? 0.0f : nyquist / static_cast<float>(bins.size());
}

void AudioLevels::SetGainDecibels(float dB) { gain = std::pow(10.0f, dB / 20.0f); }

void AudioLevels::SetSmoothness(float s) {
  volume.SetSmoothness(s);
  bass.SetSmoothness(s);
  mid.SetSmoothness(s);
  high.SetSmoothness(s);
}

float AudioLevels::AmplitudeToNormalisedDecibels(float amplitude) {
  // A negative sample has the level of its magnitude.
  const float magnitude = std::fabs(amplitude);
  if (!(magnitude > 0.0f)) return 0.0f;
  const float dB = 20.0f * std::log10(magnitude);
  return ffglex::Remap(dB, -96.0f, 0.0f, 0.0f, 1.0f);
}

}  // namespace ffglqs
