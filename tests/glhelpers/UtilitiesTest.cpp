#include "glhelpers/Utilities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

#include "StdoutCapture.h"

namespace {

using glhelpers_test::StdoutCapture;
using glhelpers_test::StdoutFileCapture;

TEST(DebugLog, WritesTheTextAsOneLineOnStandardOutput) {
  StdoutCapture capture;
  ffglex::DebugLog("abc");
  ffglex::DebugLog(std::string("x\0y", 3));  // written by its length, not up to the NUL
  EXPECT_EQ(capture.Text(), std::string("abc\nx\0y\n", 8));
}

TEST(DebugLog, EachLineLeavesTheProcessAndAClosedOutputDoesNotSilenceLaterLines) {
  StdoutFileCapture capture;
  ASSERT_TRUE(capture.Ready());
  ffglex::DebugLog("first");
  EXPECT_EQ(capture.FlushedText(), "first\n");  // flushed, not waiting in a buffer

  capture.Close();
  ffglex::DebugLog("nowhere to go");
  capture.Reopen();
  ffglex::DebugLog("second");
  const std::string text = capture.FlushedText();
  // The line written while closed may or may not be lost; the next one is not.
  EXPECT_EQ(text.substr(text.size() - std::min<std::size_t>(text.size(), 7)), "second\n") << text;
  EXPECT_EQ(text.substr(0, 6), "first\n");
}

TEST(DebugLog, LogMessage2JoinsBothPartsIntoOneLine) {
  StdoutCapture capture;
  const char prefix[] = "Fragment Shader error: ";
  const char* log = "0:3: syntax error";
  ffglex::LogMessage2(prefix, log);
  ffglex::LogMessage2(nullptr, "only b");
  EXPECT_EQ(capture.Text(), "Fragment Shader error: 0:3: syntax error\nonly b\n");
}

TEST(HsvToRgb, MatchesTheSectorsInBothPrecisions) {
  struct Case {
    double h, s, v, r, g, b;
  };
  const Case cases[] = {
      {0.5, 1, 1, 0, 1, 1},         // cyan
      {0.85, 1, 1, 1, 0, 0.9},      // last sector
      {0.0, 1, 1, 1, 0, 0},         // red
      {1.0, 1, 1, 1, 0, 0},         // a full turn wraps to red
      {0.7, 0, 0.25, 0.25, 0.25, 0.25},  // grey ignores hue
      {0.25, 0.5, 0.8, 0.6, 0.8, 0.4},
      {0.4, 1, 1, 0, 1, 0.4},       // sector 2
      {0.6, 1, 1, 0, 0.4, 1},       // sector 3
      {0.7, 1, 0.5, 0.1, 0, 0.5},   // sector 4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "h=" << c.h << " s=" << c.s << " v=" << c.v);
    double r = -1, g = -1, b = -1;
    ffglex::HsvToRgb(c.h, c.s, c.v, r, g, b);
    EXPECT_NEAR(r, c.r, 1e-9);
    EXPECT_NEAR(g, c.g, 1e-9);
    EXPECT_NEAR(b, c.b, 1e-9);
    float rf = -1, gf = -1, bf = -1;
    ffglex::HsvToRgb(float(c.h), float(c.s), float(c.v), rf, gf, bf);
    EXPECT_NEAR(rf, c.r, 1e-5);
    EXPECT_NEAR(gf, c.g, 1e-5);
    EXPECT_NEAR(bf, c.b, 1e-5);
  }
}

TEST(HsvToRgb, OutOfRangeHueStaysDefined) {
  float r = -1, g = -1, b = -1;
  ffglex::HsvToRgb(std::numeric_limits<float>::quiet_NaN(), 1.0f, 1.0f, r, g, b);
  EXPECT_EQ(r, 1.0f);  // NaN falls into the last sector, red stays v
  ffglex::HsvToRgb(1e30f, 1.0f, 0.5f, r, g, b);
  EXPECT_EQ(r, 0.5f);
}

TEST(ReplaceAll, CollapsesRunsAndLeavesIdentityAlone) {
  std::string text = "a    b";
  ffglex::ReplaceAll(text, "  ", " ");
  EXPECT_EQ(text, "a b");

  text = "xyx";
  ffglex::ReplaceAll(text, "x", "x");
  EXPECT_EQ(text, "xyx");

  text = "uniform float time;uniform float time;";
  ffglex::ReplaceAll(text, "time", "t");
  EXPECT_EQ(text, "uniform float t;uniform float t;");

  text = "abc";
  ffglex::ReplaceAll(text, "zz", "y");
  EXPECT_EQ(text, "abc");
}

TEST(ReplaceAll, EndsWhenTheReplacementContainsTheSearchedText) {
  std::string text = "a-b";
  ffglex::ReplaceAll(text, "-", "--");
  EXPECT_EQ(text, "a--b");
  ffglex::ReplaceAll(text, "", "x");
  EXPECT_EQ(text, "a--b");
}

TEST(Clamp, Edges) {
  EXPECT_EQ(ffglex::Clamp01(-0.5f), 0.0f);
  EXPECT_EQ(ffglex::Clamp01(1.5f), 1.0f);
  EXPECT_EQ(ffglex::Clamp01(0.25f), 0.25f);
  EXPECT_EQ(ffglex::Clamp(5.0f, 2.0f, 1.0f), 2.0f);  // min above max wins
  EXPECT_EQ(ffglex::Clamp(0.0f, 2.0f, 1.0f), 2.0f);
  EXPECT_EQ(ffglex::Clamp(-3.0f, -1.0f, 1.0f), -1.0f);
  EXPECT_EQ(ffglex::Clamp(0.5f, -1.0f, 1.0f), 0.5f);
}

TEST(Remap, MapsLinearlyAndStaysInTheOutputRange) {
  EXPECT_FLOAT_EQ(ffglex::Remap(-48.0f, -96.0f, 0.0f, 0.0f, 1.0f), 0.5f);
  EXPECT_EQ(ffglex::Remap(10.0f, -96.0f, 0.0f, 0.0f, 1.0f), 1.0f);
  EXPECT_EQ(ffglex::Remap(-200.0f, -96.0f, 0.0f, 0.0f, 1.0f), 0.0f);
  EXPECT_FLOAT_EQ(ffglex::Remap(0.25f, 0.0f, 1.0f, 10.0f, 20.0f), 12.5f);
  // An empty input range never yields NaN.
  EXPECT_EQ(ffglex::Remap(3.0f, 3.0f, 3.0f, 0.0f, 1.0f), 0.0f);
  EXPECT_EQ(ffglex::Remap(4.0f, 3.0f, 3.0f, 0.0f, 1.0f), 1.0f);
  EXPECT_EQ(ffglex::Remap(2.0f, 3.0f, 3.0f, 0.0f, 1.0f), 0.0f);
}

TEST(PowerOfTwo, Edges) {
  EXPECT_FALSE(ffglex::IsPowerOfTwo(0));
  EXPECT_TRUE(ffglex::IsPowerOfTwo(1));
  EXPECT_TRUE(ffglex::IsPowerOfTwo(0x80000000u));
  EXPECT_FALSE(ffglex::IsPowerOfTwo(6));
  EXPECT_FALSE(ffglex::IsPowerOfTwo(0xFFFFFFFFu));

  EXPECT_EQ(ffglex::NextPowerOfTwo(0), 0u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(1), 1u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(3), 4u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(5), 8u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(8), 8u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(1920), 2048u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(0x40000001u), 0x80000000u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(0x80000000u), 0x80000000u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(0x80000001u), 0u);
  EXPECT_EQ(ffglex::NextPowerOfTwo(0xFFFFFFFFu), 0u);
}

// Either order of the bounds gives values between them, spread over the
// range rather than stuck near one end.
TEST(RandomFloat, StaysBetweenItsBoundsInEitherOrderAndSpreadsOverThem) {
  for (const auto& [first, second] : {std::pair{-2.0f, 3.0f}, std::pair{3.0f, -2.0f}}) {
    SCOPED_TRACE(testing::Message() << "RandomFloat(" << first << ", " << second << ")");
    std::srand(7);
    float lowest = 10.0f, highest = -10.0f;
    for (int i = 0; i < 20000; ++i) {
      const float value = ffglex::RandomFloat(first, second);
      ASSERT_GE(value, -2.0f);
      ASSERT_LE(value, 3.0f);
      lowest = std::fmin(lowest, value);
      highest = std::fmax(highest, value);
    }
    EXPECT_LT(lowest, -1.5f);
    EXPECT_GT(highest, 2.5f);
  }
  EXPECT_EQ(ffglex::RandomFloat(1.0f, 1.0f), 1.0f);
}

// Seeds the generator so that the next draw RandomFloat makes is `wanted`.
void SeedSoTheNextDrawIs(int wanted) {
  const unsigned seed = 11;
  std::srand(seed);
  long skip = 0;
  while (std::rand() % 32768 != wanted) ++skip;
  std::srand(seed);
  while (skip-- > 0) std::rand();
}

TEST(RandomFloat, BothEndsOfTheGeneratorGiveExactlyTheBounds) {
  SeedSoTheNextDrawIs(32767);
  EXPECT_EQ(ffglex::RandomFloat(-3.0f, 3.3f), 3.3f);  // rounding alone would give 3.30000019
  SeedSoTheNextDrawIs(32767);
  EXPECT_EQ(ffglex::RandomFloat(3.3f, -3.0f), -3.0f);
  SeedSoTheNextDrawIs(0);
  EXPECT_EQ(ffglex::RandomFloat(-3.0f, 3.3f), -3.0f);
}

}  // namespace
