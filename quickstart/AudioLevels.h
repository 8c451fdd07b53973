// Turns the FFT bins that a host delivers into four slowly moving levels:
// the overall volume and the bass, mid and high bands (thirds of the bin
// index range, i.e. of the linear frequency range up to Nyquist). Each level
// is the root mean square of its bins scaled by the square root of the gain,
// smoothed by a SmoothedValue.
//
// The gain starts at 0.0, so every level stays 0 until SetGainDecibels.
#pragma once

#include <cstdint>
#include <vector>

#include "quickstart/SmoothedValue.h"

namespace ffglqs {

class AudioLevels {
 public:
  AudioLevels() = default;

  // Adopts the vector (no copy) and updates the four levels. A band that
  // holds no bins at this count measures 0.0.
  void Update(std::vector<float> fft);

  // Sets the frequency fields from the rate and the number of bins held now.
  void SetSampleRate(int32_t rate);
  void SetGainDecibels(float dB);
  void SetSmoothness(float s);

  float GetVolume() const { return volume.GetValue(); }
  float GetBass() const { return bass.GetValue(); }
  float GetMid() const { return mid.GetValue(); }
  float GetHigh() const { return high.GetValue(); }
  float GetZero() const { return 0.0f; }

  // 20·log10 of the amplitude's magnitude mapped from [-96 dB, 0 dB] onto
  // [0, 1], clamped. Silence (0) and a NaN give 0.
  static float AmplitudeToNormalisedDecibels(float amplitude);

 private:
  std::vector<float> bins;
  SmoothedValue volume;
  SmoothedValue bass;
  SmoothedValue mid;
  SmoothedValue high;
  float nyquist = 0.0f;
  float hzPerBin = 0.0f;
  int32_t sampleRate = 0;
  float gain = 0.0f;
};

}  // namespace ffglqs
