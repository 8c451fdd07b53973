// The audio analyser: which bins feed which band, gain, smoothing, and the
// decibel normalisation offered to plugin authors.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <vector>

#include "quickstart/AudioLevels.h"

namespace {

using ffglqs::AudioLevels;

struct Levels {
  float volume, bass, mid, high;
};

Levels Read(const AudioLevels& audio) {
  return {audio.GetVolume(), audio.GetBass(), audio.GetMid(), audio.GetHigh()};
}

// Gain 1 and no smoothing: every level equals its latest measurement.
AudioLevels Unsmoothed() {
  AudioLevels audio;
  audio.SetGainDecibels(0.0f);
  audio.SetSmoothness(0.0f);
  return audio;
}

TEST(AudioLevels, StartsAtZeroAndStaysThereUntilAGainIsSet) {
  AudioLevels audio;
  EXPECT_EQ(audio.GetZero(), 0.0f);
  audio.Update(std::vector<float>(2048, 0.9f));
  audio.Update(std::vector<float>(2048, 0.9f));
  const Levels levels = Read(audio);
  EXPECT_EQ(levels.volume, 0.0f);
  EXPECT_EQ(levels.bass, 0.0f);
  EXPECT_EQ(levels.mid, 0.0f);
  EXPECT_EQ(levels.high, 0.0f);
  EXPECT_EQ(audio.GetZero(), 0.0f);
}

TEST(AudioLevels, SmoothsTowardsTheMeasurement) {
  AudioLevels audio;
  audio.SetGainDecibels(0.0f);
  audio.Update(std::vector<float>(6, -0.5f));
  const Levels first = Read(audio);
  EXPECT_FLOAT_EQ(first.volume, 0.1f);  // a fifth of the way to |a|
  EXPECT_FLOAT_EQ(first.bass, 0.1f);
  EXPECT_FLOAT_EQ(first.mid, 0.1f);
  EXPECT_FLOAT_EQ(first.high, 0.1f);

  for (int i = 0; i < 200; ++i) audio.Update(std::vector<float>(6, -0.5f));
  EXPECT_NEAR(audio.GetVolume(), 0.5f, 1e-5f);
  EXPECT_NEAR(audio.GetHigh(), 0.5f, 1e-5f);

  audio.SetSmoothness(1.0f);  // frozen
  audio.Update(std::vector<float>(6, 0.0f));
  EXPECT_NEAR(audio.GetBass(), 0.5f, 1e-5f);

  audio.SetSmoothness(0.0f);  // follows exactly
  audio.Update(std::vector<float>(6, 0.25f));
  EXPECT_FLOAT_EQ(audio.GetMid(), 0.25f);
}

TEST(AudioLevels, GainScalesTheSquaredBins) {
  AudioLevels audio = Unsmoothed();
  audio.SetGainDecibels(20.0f);
  audio.Update(std::vector<float>(12, 0.5f));
  // level = sqrt(a * a * gain), so gain = (level / a)^2
  const float gain = std::pow(audio.GetVolume() / 0.5f, 2.0f);
  EXPECT_NEAR(gain, 10.0f, 1e-4f);
  EXPECT_NEAR(std::pow(audio.GetBass() / 0.5f, 2.0f), 10.0f, 1e-4f);
}

TEST(AudioLevels, BandsAreThirdsWithTheTwoBoundaryBinsInNoBand) {
  enum Band { kBass, kMid, kHigh, kNone };
  struct Case {
    std::size_t count, bin;
    Band band;
  };
  const Case cases[] = {
      {6, 0, kBass},      {6, 1, kBass},      {6, 2, kNone},      {6, 3, kMid},
      {6, 4, kNone},      {6, 5, kHigh},      {2048, 681, kBass}, {2048, 682, kNone},
      {2048, 683, kMid},  {2048, 1363, kMid}, {2048, 1364, kNone}, {2048, 1365, kHigh},
      {2048, 2047, kHigh},
  };
  for (const Case& c : cases) {
    AudioLevels audio = Unsmoothed();
    std::vector<float> bins(c.count, 0.0f);
    bins[c.bin] = 1.0f;
    audio.Update(bins);
    const Levels levels = Read(audio);
    SCOPED_TRACE(::testing::Message() << c.count << " bins, bin " << c.bin);
    EXPECT_GT(levels.volume, 0.0f);
    EXPECT_EQ(levels.bass > 0.0f, c.band == kBass);
    EXPECT_EQ(levels.mid > 0.0f, c.band == kMid);
    EXPECT_EQ(levels.high > 0.0f, c.band == kHigh);
  }
  // Each band is a root mean square over its own bins: 2 bass bins, 1 mid.
  AudioLevels audio = Unsmoothed();
  audio.Update({1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f});
  EXPECT_FLOAT_EQ(audio.GetBass(), std::sqrt(0.5f));
  EXPECT_FLOAT_EQ(audio.GetMid(), 1.0f);
  EXPECT_FLOAT_EQ(audio.GetVolume(), std::sqrt(2.0f / 6.0f));
}

TEST(AudioLevels, ABandWithoutBinsMeasuresZeroAndRecovers) {
  AudioLevels audio;
  audio.SetGainDecibels(0.0f);
  // 0 bins: no band at all; 2 bins: no bass or mid; 3 bins: no mid or high.
  for (std::size_t count : {0u, 2u, 3u, 1u, 5u}) {
    audio.Update(std::vector<float>(count, 1.0f));
    const Levels levels = Read(audio);
    ASSERT_TRUE(std::isfinite(levels.volume)) << count;
    ASSERT_TRUE(std::isfinite(levels.bass)) << count;
    ASSERT_TRUE(std::isfinite(levels.mid)) << count;
    ASSERT_TRUE(std::isfinite(levels.high)) << count;
  }
  // A NaN would have stayed in the smoothed values; instead they follow again.
  audio.SetSmoothness(0.0f);
  audio.Update(std::vector<float>(2048, 0.5f));
  const Levels levels = Read(audio);
  EXPECT_FLOAT_EQ(levels.volume, 0.5f);
  EXPECT_FLOAT_EQ(levels.bass, 0.5f);
  EXPECT_FLOAT_EQ(levels.mid, 0.5f);
  EXPECT_FLOAT_EQ(levels.high, 0.5f);

  AudioLevels empty = Unsmoothed();
  empty.Update({});
  EXPECT_EQ(empty.GetVolume(), 0.0f);
  empty.Update({0.0f, 0.5f});  // bin 1 is high; bass and mid have none
  EXPECT_EQ(empty.GetBass(), 0.0f);
  EXPECT_EQ(empty.GetMid(), 0.0f);
  EXPECT_FLOAT_EQ(empty.GetHigh(), 0.5f);
}

TEST(AudioLevels, AmplitudeToNormalisedDecibels) {
  EXPECT_EQ(AudioLevels::AmplitudeToNormalisedDecibels(1.0f), 1.0f);
  EXPECT_EQ(AudioLevels::AmplitudeToNormalisedDecibels(4.0f), 1.0f);
  EXPECT_EQ(AudioLevels::AmplitudeToNormalisedDecibels(0.0f), 0.0f);
  EXPECT_EQ(AudioLevels::AmplitudeToNormalisedDecibels(1e-6f), 0.0f);  // -120 dB
  EXPECT_NEAR(AudioLevels::AmplitudeToNormalisedDecibels(0.0158f), 0.625f, 1e-3f);
  EXPECT_NEAR(AudioLevels::AmplitudeToNormalisedDecibels(-0.0158f), 0.625f, 1e-3f);
  EXPECT_EQ(AudioLevels::AmplitudeToNormalisedDecibels(std::numeric_limits<float>::quiet_NaN()),
            0.0f);
}

}  // namespace
