// What the sample plugins declare and draw, shared with the tests that load
// them. Every probe pixel encodes a 32-bit value, one byte per channel.
#pragma once

#include <cstdint>

namespace sample {

// ProbeSource's parameter ids, in declaration order.
enum SourceParam : uint32_t {
  kFlag = 0,
  kPulse = 1,
  kTintHue = 2,
  kTintSaturation = 3,
  kTintBrightness = 4,
  kTintAlpha = 5,
  kFft = 6,
  kLabel = 7,
  kPlain = 8,
  kGain = 9,
  kShadeRed = 10,
  kShadeGreen = 11,
  kShadeBlue = 12,
  kClip = 13,
  kSourceParamCount = 14,
};
constexpr uint32_t kFftBins = 6;

// ProbeSource: the pixel column that encodes each uniform.
enum SourceColumn : uint32_t {
  kFrame = 0,
  kTime = 1,
  kDeltaTime = 2,
  kResolutionX = 3,
  kResolutionY = 4,
  kBpm = 5,
  kPhase = 6,
  kPulseOn = 7,
  kFlagOn = 8,
  kTintRed = 9,  // then green, blue, alpha
  kFftVolume = 13,
  kPlainValue = 14,
  kGainValue = 15,
  kShadeRedValue = 16,  // then green, blue
  kSourceColumns = 19,
};

// ProbeEffect's rows: 0 the input's colour, then the coordinate i_uv.
enum EffectRow : uint32_t { kEffectColour = 0, kEffectU = 1, kEffectV = 2, kEffectRows = 3 };
// ProbeMixer's rows: 0 the mix, then i_uv_dest and i_uv_src.
enum MixerRow : uint32_t {
  kMixerColour = 0,
  kMixerDestU = 1,
  kMixerDestV = 2,
  kMixerSrcU = 3,
  kMixerSrcV = 4,
  kMixerRows = 5,
};

}  // namespace sample
