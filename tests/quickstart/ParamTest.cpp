// The quick-start parameter family as the plugin uses it: through base
// pointers, by type code, and by dynamic class.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "quickstart/Param.h"
#include "quickstart/ParamFFT.h"
#include "quickstart/ParamOption.h"
#include "quickstart/ParamRange.h"

namespace {

using namespace ffglqs;

const float kNaN = std::numeric_limits<float>::quiet_NaN();

TEST(Param, FactoriesSetNameTypeAndValue) {
  auto empty = Param::Create();
  EXPECT_EQ(empty->GetName(), "");
  EXPECT_EQ(empty->GetType(), FF_TYPE_STANDARD);
  EXPECT_EQ(empty->GetValue(), 0.0f);

  auto named = Param::Create("mixVal");
  EXPECT_EQ(named->GetName(), "mixVal");
  EXPECT_EQ(named->GetType(), FF_TYPE_STANDARD);
  EXPECT_EQ(named->GetValue(), 0.0f);

  auto valued = Param::Create("amount", 0.75f);
  EXPECT_EQ(valued->GetType(), FF_TYPE_STANDARD);
  EXPECT_EQ(valued->GetValue(), 0.75f);

  auto typed = Param::Create("tint_green", FF_TYPE_GREEN, 0.5f);
  EXPECT_EQ(typed->GetName(), "tint_green");
  EXPECT_EQ(typed->GetType(), FF_TYPE_GREEN);
  EXPECT_EQ(typed->GetValue(), 0.5f);

  auto text = ParamText::Create("label");
  EXPECT_EQ(text->GetType(), FF_TYPE_TEXT);
  EXPECT_EQ(text->text, "");
  EXPECT_EQ(text->GetValue(), 0.0f);
  EXPECT_EQ(ParamText::Create("label", "hello")->text, "hello");

  EXPECT_EQ(ParamBool::Create("on")->GetValue(), 0.0f);
  EXPECT_EQ(ParamBool::Create("on", true)->GetValue(), 1.0f);
  EXPECT_EQ(ParamBool::Create("on", true)->GetType(), FF_TYPE_BOOLEAN);
  EXPECT_EQ(ParamEvent::Create("hit")->GetType(), FF_TYPE_EVENT);
  EXPECT_EQ(ParamTrigger::Create("hit")->GetType(), FF_TYPE_EVENT);
}

TEST(Param, SetValueStoresAnyFloatUnchanged) {
  std::shared_ptr<Param> params[] = {Param::Create("a"), ParamBool::Create("b", true),
                                     ParamText::Create("t"), ParamRange::Create("r", 5, {0, 10})};
  for (auto& param : params) {
    param->SetValue(0.3f);
    EXPECT_EQ(param->GetValue(), 0.3f) << param->GetName();
    param->SetValue(-42.5f);
    EXPECT_EQ(param->GetValue(), -42.5f) << param->GetName();
    param->SetValue(kNaN);
    EXPECT_TRUE(std::isnan(param->GetValue())) << param->GetName();
  }
}

TEST(ParamTrigger, ResetClearsTheValueAndTheClassTreeHolds) {
  auto trigger = ParamTrigger::Create("hit");
  std::shared_ptr<Param> asParam = trigger;
  asParam->SetValue(1.0f);
  trigger->Reset();
  EXPECT_EQ(asParam->GetValue(), 0.0f);

  EXPECT_TRUE(std::dynamic_pointer_cast<ParamEvent>(asParam));
  EXPECT_TRUE(std::dynamic_pointer_cast<ParamTrigger>(asParam));
  std::shared_ptr<Param> event = ParamEvent::Create("press");
  EXPECT_FALSE(std::dynamic_pointer_cast<ParamTrigger>(event));
  EXPECT_FALSE(std::dynamic_pointer_cast<ParamText>(event));
}

class ParamOptionTest : public ::testing::Test {
 protected:
  const ParamOption::Options levels{{"Low", 0.25f}, {"Mid", 0.5f}, {"High", 0.75f}};
};

TEST_F(ParamOptionTest, DefaultIndexSelectsTheEntry) {
  auto option = ParamOption::Create("level", levels, 1);
  EXPECT_EQ(option->GetType(), FF_TYPE_OPTION);
  EXPECT_EQ(option->GetValue(), 1.0f);
  EXPECT_TRUE(option->IsCurrentOptionName("Mid"));
  EXPECT_FALSE(option->IsCurrentOptionName("mid"));
  EXPECT_FALSE(option->IsCurrentOptionName("Mid "));
  EXPECT_EQ(option->GetCurrentOptionValue(), 0.5f);

  auto first = ParamOption::Create("level", levels);
  EXPECT_EQ(first->GetValue(), 0.0f);
  EXPECT_TRUE(first->IsCurrentOptionName("Low"));
}

TEST_F(ParamOptionTest, SelectsByTruncationThroughTheBasePointer) {
  std::shared_ptr<Param> param = ParamOption::Create("level", levels);
  auto option = std::dynamic_pointer_cast<ParamOption>(param);

  param->SetValue(2.9f);
  EXPECT_EQ(param->GetValue(), 2.9f);
  EXPECT_TRUE(option->IsCurrentOptionName("High"));
  EXPECT_EQ(option->GetCurrentOptionValue(), 0.75f);

  param->SetValue(-0.5f);  // truncates to 0
  EXPECT_EQ(param->GetValue(), -0.5f);
  EXPECT_TRUE(option->IsCurrentOptionName("Low"));
  EXPECT_EQ(option->GetCurrentOptionValue(), 0.25f);
}

TEST_F(ParamOptionTest, OutOfRangeGivesZeroAndKeepsTheCurrentEntry) {
  auto option = ParamOption::Create("level", levels, 2);
  const float outside[] = {3.0f,
                           -1.0f,
                           -1e30f,
                           1e30f,
                           kNaN,
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity()};
  for (float v : outside) {
    option->SetValue(1.0f);
    option->SetValue(v);
    EXPECT_EQ(option->GetValue(), 0.0f) << v;
    EXPECT_TRUE(option->IsCurrentOptionName("Mid")) << v;
    EXPECT_EQ(option->GetCurrentOptionValue(), 0.5f) << v;
  }
}

TEST_F(ParamOptionTest, EmptyListOrBadDefaultSelectsNothing) {
  auto empty = ParamOption::Create("none", {});
  EXPECT_EQ(empty->GetValue(), 0.0f);
  EXPECT_TRUE(empty->IsCurrentOptionName(""));
  empty->SetValue(0.0f);
  EXPECT_EQ(empty->GetValue(), 0.0f);

  for (int32_t index : {3, -1, INT32_MIN}) {
    auto option = ParamOption::Create("level", levels, index);
    EXPECT_EQ(option->GetValue(), 0.0f) << index;
    EXPECT_TRUE(option->IsCurrentOptionName("")) << index;
    EXPECT_EQ(option->GetCurrentOptionValue(), 0.0f) << index;
  }
}

TEST(ParamRange, IntegerFactoryGivesTypeThirteen) {
  auto integer = ParamRange::Create("steps", 5, {0, 10});
  EXPECT_EQ(integer->GetType(), FF_TYPE_INTEGER);
  EXPECT_EQ(integer->GetValue(), 5.0f);
  EXPECT_EQ(integer->GetNormalisedValue(), 0.5f);

  auto real = ParamRange::Create("amount", 5.0f, {0, 10});
  EXPECT_EQ(real->GetType(), FF_TYPE_STANDARD);
  EXPECT_EQ(real->GetRange().min, 0.0f);
  EXPECT_EQ(real->GetRange().max, 10.0f);
}

TEST(ParamRange, NormalisationIsClampedBothWaysAndFollowsReversedRanges) {
  struct Case {
    float min, max, value, normalised;
  };
  const Case cases[] = {
      {0, 10, 20, 1.0f},   {0, 10, -5, 0.0f},   {0, 10, 2.5f, 0.25f}, {-4, 4, 0, 0.5f},
      {10, 0, 2.5f, 0.75f}, {10, 0, 20, 0.0f},  {10, 0, -5, 1.0f},
      {3, 3, 3, 0.0f},  // an empty range has no width to divide by
      {3, 3, 7, 0.0f},
  };
  for (const Case& c : cases) {
    auto range = ParamRange::Create("r", c.value, {c.min, c.max});
    EXPECT_EQ(range->GetValue(), c.value);  // stored unclamped
    EXPECT_FLOAT_EQ(range->GetNormalisedValue(), c.normalised)
        << c.value << " in [" << c.min << ", " << c.max << "]";
  }
}

TEST(ParamFFT, BinCountsAndStartValues) {
  auto fft = ParamFFT::Create("fft");
  EXPECT_EQ(fft->GetType(), FF_TYPE_BUFFER);
  EXPECT_EQ(fft->GetValue(), 0.0f);
  ASSERT_EQ(fft->bins.size(), 2048u);
  for (float bin : fft->bins) ASSERT_EQ(bin, 0.0f);

  EXPECT_TRUE(ParamFFT::Create("fft", 0)->bins.empty());
  EXPECT_EQ(ParamFFT::Create("fft", 7)->bins.size(), 7u);
  EXPECT_THROW(ParamFFT::Create("fft", UINT64_MAX), std::length_error);
}

}  // namespace
