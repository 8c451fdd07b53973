// The parameter store: declarations, lookups by id, changes and events.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "host/CFFGLPluginManager.h"

namespace {

class Store : public CFFGLPluginManager {
 public:
  Store() : CFFGLPluginManager(false) {}
};

TEST(Store, EmptyStoreAnswersTheAbsentIdValues) {
  Store store;
  EXPECT_EQ(store.GetNumParams(), 0u);
  EXPECT_EQ(store.GetParamName(0), nullptr);
  EXPECT_EQ(store.GetParamType(0), FF_FAIL);
  EXPECT_EQ(store.GetParamDefault(0).bits, FF_FAIL);
  EXPECT_EQ(store.GetParamRange(0), std::make_pair(0.0f, 1.0f));
  EXPECT_EQ(store.GetParamUsage(0), FF_FAIL);
  EXPECT_EQ(store.GetParamVisibility(0), FF_FAIL);
  EXPECT_EQ(store.GetParamDisplayName(0), "");
  EXPECT_EQ(store.GetParamGroup(0), "");
  EXPECT_EQ(store.GetNumParamElements(0), FF_FAIL);
  EXPECT_EQ(store.GetParamElementName(0, 0), nullptr);
  EXPECT_EQ(store.GetParamElementValue(0, 0).bits, FF_FAIL);
  EXPECT_EQ(store.GetNumElementSeparators(0), 0u);
  EXPECT_EQ(store.GetSeparatorElementIndex(0, 0), FF_FAIL);
  EXPECT_EQ(store.GetNumFileExtensions(0), 0u);
  EXPECT_EQ(store.GetFileExtension(0, 0), nullptr);
  EXPECT_EQ(store.GetNumPendingParamEvents(), 0u);
  ParameterEventRecord out[1];
  EXPECT_EQ(store.TakeParamEvents(out, 1), 0u);
  EXPECT_EQ(store.FindParamInfo(0), nullptr);
  // Changes to an absent id do nothing and report nothing.
  store.SetParamDisplayName(0, "x", true);
  store.RaiseParamEvent(0, FF_EVENT_FLAG_VALUE);
  EXPECT_EQ(store.SetParamElementValue(0, 0, 1.0f), FF_FAIL);
  EXPECT_EQ(store.GetNumParams(), 0u);
}

TEST(Store, StandardDefaultsAreLimitedToTheUnitRangeOtherTypesAreNot) {
  Store store;
  store.SetParamInfo(0, "high", FF_TYPE_STANDARD, 1.5f);
  store.SetParamInfo(1, "low", FF_TYPE_STANDARD, -0.2f);
  store.SetParamInfo(2, "integer", FF_TYPE_INTEGER, 1.5f);
  store.SetParamInfo(3, "nan", FF_TYPE_STANDARD, std::numeric_limits<float>::quiet_NaN());
  store.SetParamInfo(4, "bool", FF_TYPE_BOOLEAN, true);
  EXPECT_EQ(store.GetParamDefault(0).AsFloat(), 1.0f);
  EXPECT_EQ(store.GetParamDefault(1).AsFloat(), 0.0f);
  EXPECT_EQ(store.GetParamDefault(2).AsFloat(), 1.5f);
  EXPECT_TRUE(std::isnan(store.GetParamDefault(3).AsFloat()));
  EXPECT_EQ(store.GetParamDefault(4).AsFloat(), 1.0f);
  // Float defaults fill only the low half of the answer.
  EXPECT_EQ(store.GetParamDefault(2).bits >> 32, 0u);
  // A float or text declaration has one value slot; a boolean none.
  EXPECT_EQ(store.GetNumParamElements(0), 1u);
  EXPECT_EQ(store.GetNumParamElements(4), 0u);
}

TEST(Store, TextAndFileDefaultsAnswerPointersIntoTheRecord) {
  Store store;
  store.SetParamInfo(0, "text", FF_TYPE_TEXT, "abc");
  store.SetFileParamInfo(1, "file", {"png", "jpg"}, "/tmp/x.png");
  store.SetOptionParamInfo(2, "option", 0, 2.0f);
  EXPECT_STREQ(static_cast<const char*>(store.GetParamDefault(0).AsPointer()), "abc");
  EXPECT_EQ(store.GetParamDefault(1).AsPointer(), store.FindParamInfo(1)->defaultText.c_str());
  EXPECT_EQ(store.GetParamType(1), FF_TYPE_FILE);
  EXPECT_EQ(store.GetNumFileExtensions(1), 2u);
  EXPECT_STREQ(store.GetFileExtension(1, 1), "jpg");
  EXPECT_EQ(store.GetFileExtension(1, 2), nullptr);
  EXPECT_EQ(store.GetParamDefault(2).AsFloat(), 2.0f);
  EXPECT_EQ(store.GetNumParamElements(2), 0u);
}

TEST(Store, DuplicateIdsCountButOnlyTheFirstIsEverFound) {
  Store store;
  store.SetParamInfo(3, "first", FF_TYPE_STANDARD, 0.1f);
  store.SetParamInfo(3, "second", FF_TYPE_TEXT, "t");
  EXPECT_EQ(store.GetNumParams(), 2u);
  EXPECT_STREQ(store.GetParamName(3), "first");
  EXPECT_EQ(store.GetParamType(3), FF_TYPE_STANDARD);
  store.SetParamDisplayName(3, "shown", true);
  store.SetParamVisibility(3, false, true);
  EXPECT_EQ(store.GetParamDisplayName(3), "shown");
  ParameterEventRecord out[2];
  ASSERT_EQ(store.TakeParamEvents(out, 2), 1u);
  EXPECT_EQ(out[0].parameterID, 3u);
  EXPECT_EQ(out[0].eventFlags, FF_EVENT_FLAG_DISPLAY_NAME | FF_EVENT_FLAG_VISIBILITY);
}

TEST(Store, ElementChangesHonourTheElementCount) {
  Store store;
  store.SetOptionParamInfo(0, "mode", 2, 0.0f);
  store.SetParamElementInfo(0, 1, "B", 1.0f);
  store.SetParamElementInfo(0, 2, "C", 2.0f);  // index == count: nothing
  EXPECT_EQ(store.GetNumParamElements(0), 2u);
  EXPECT_STREQ(store.GetParamElementName(0, 1), "B");
  EXPECT_EQ(store.GetParamElementName(0, 2), nullptr);
  EXPECT_EQ(store.SetParamElementValue(0, 1, 5.0f), FF_SUCCESS);
  EXPECT_EQ(store.GetParamElementValue(0, 1).AsFloat(), 5.0f);
  EXPECT_EQ(store.SetParamElementValue(0, 2, 5.0f), FF_FAIL);
  EXPECT_EQ(store.SetParamElementValue(0, 0xFFFFFFFFu, 5.0f), FF_FAIL);
  EXPECT_EQ(store.GetParamElementValue(0, 0xFFFFFFFFu).bits, FF_FAIL);

  store.AddElementSeparator(0, 1);
  store.AddElementSeparator(0, 0);
  EXPECT_EQ(store.GetNumElementSeparators(0), 2u);
  EXPECT_EQ(store.GetSeparatorElementIndex(0, 0), 1u);
  EXPECT_EQ(store.GetSeparatorElementIndex(0, 1), 0u);
  EXPECT_EQ(store.GetSeparatorElementIndex(0, 2), FF_FAIL);
}

TEST(Store, ReplacingOptionElementsOnlyOnOptionsWithMatchingLists) {
  Store store;
  store.SetOptionParamInfo(0, "mode", 3, 0.0f);
  store.SetParamInfo(1, "level", FF_TYPE_STANDARD, 0.5f);

  store.SetParamElements(0, {"x", "y"}, {0.0f}, true);  // unequal lengths
  store.SetParamElements(1, {"x"}, {0.0f}, true);       // not an option
  EXPECT_EQ(store.GetNumParamElements(0), 3u);
  EXPECT_EQ(store.GetNumPendingParamEvents(), 0u);

  store.SetParamElements(0, {"x", "y"}, {4.0f, 5.0f}, true);
  EXPECT_EQ(store.GetNumParamElements(0), 2u);
  EXPECT_STREQ(store.GetParamElementName(0, 1), "y");
  EXPECT_EQ(store.GetParamElementValue(0, 1).AsFloat(), 5.0f);
  ParameterEventRecord out[1];
  ASSERT_EQ(store.TakeParamEvents(out, 1), 1u);
  EXPECT_EQ(out[0].eventFlags, FF_EVENT_FLAG_ELEMENTS);

  // The same contents again still count as a replacement.
  store.SetParamElements(0, {"x", "y"}, {4.0f, 5.0f}, true);
  EXPECT_EQ(store.GetNumPendingParamEvents(), 1u);
}

TEST(Store, EventsAreRaisedOnlyOnChangeAndAccumulate) {
  Store store;
  store.SetParamInfo(0, "a", FF_TYPE_STANDARD, 0.0f);
  store.SetParamVisibility(0, true, true);      // same value
  store.SetParamDisplayName(0, "", true);       // same text
  EXPECT_EQ(store.GetNumPendingParamEvents(), 0u);
  store.SetParamDisplayName(0, "b", false);     // changed, not raised
  EXPECT_EQ(store.GetNumPendingParamEvents(), 0u);
  store.SetParamDisplayName(0, "c", true);
  store.SetParamDisplayName(0, "d", true);
  store.RaiseParamEvent(0, FF_EVENT_FLAG_VALUE);
  store.RaiseParamEvent(0, FF_EVENT_FLAG_VALUE);
  EXPECT_EQ(store.GetNumPendingParamEvents(), 1u);
  ParameterEventRecord out[2];
  ASSERT_EQ(store.TakeParamEvents(out, 2), 1u);
  EXPECT_EQ(out[0].eventFlags, FF_EVENT_FLAG_DISPLAY_NAME | FF_EVENT_FLAG_VALUE);
  EXPECT_EQ(store.TakeParamEvents(out, 2), 0u);
}

TEST(Store, TakingEventsStopsAtTheCapacityInStoreOrder) {
  Store store;
  for (uint32_t id : {5u, 2u, 9u, 4u}) store.SetParamInfo(id, "p", FF_TYPE_STANDARD, 0.0f);
  store.RaiseParamEvent(9, 4);
  store.RaiseParamEvent(5, 1);
  store.RaiseParamEvent(4, 2);

  ParameterEventRecord out[3];
  out[0] = ParameterEventRecord{77, 77};
  EXPECT_EQ(store.TakeParamEvents(out, 0), 0u);
  EXPECT_EQ(out[0].parameterID, 77u);
  EXPECT_EQ(store.GetNumPendingParamEvents(), 3u);

  ASSERT_EQ(store.TakeParamEvents(out, 1), 1u);
  EXPECT_EQ(out[0].parameterID, 5u);
  EXPECT_EQ(out[0].eventFlags, 1u);
  EXPECT_EQ(store.GetNumPendingParamEvents(), 2u);

  ASSERT_EQ(store.TakeParamEvents(out, 3), 2u);
  EXPECT_EQ(out[0].parameterID, 9u);
  EXPECT_EQ(out[1].parameterID, 4u);
  EXPECT_EQ(store.GetNumPendingParamEvents(), 0u);
}

TEST(Store, RangesGroupsAndUsageAreStoredAsGiven) {
  Store store;
  store.SetParamInfo(0, "a", FF_TYPE_STANDARD, 0.5f);
  store.SetBufferParamInfo(1, "fft", 16, FF_USAGE_FFT);
  store.SetParamRange(0, 3.0f, -1.0f);
  store.SetParamGroup(0, "Colour");
  EXPECT_EQ(store.GetParamRange(0), std::make_pair(3.0f, -1.0f));
  EXPECT_EQ(store.GetParamDefault(0).AsFloat(), 0.5f);
  EXPECT_EQ(store.GetParamGroup(0), "Colour");
  EXPECT_EQ(store.GetParamUsage(0), FF_USAGE_STANDARD);
  EXPECT_EQ(store.GetParamUsage(1), FF_USAGE_FFT);
  EXPECT_EQ(store.GetParamType(1), FF_TYPE_BUFFER);
  EXPECT_EQ(store.GetNumParamElements(1), 16u);
  EXPECT_EQ(store.GetParamVisibility(1), 1u);
}

TEST(Store, CapabilitiesStartAsDeclared) {
  CFFGLPluginManager supported(true);
  EXPECT_TRUE(supported.IsTopLeftOrientationSupported());
  EXPECT_TRUE(supported.IsTimeSupported());
  EXPECT_EQ(supported.GetMinInputs(), 0);
  EXPECT_EQ(supported.GetMaxInputs(), 0);
  EXPECT_EQ(supported.GetTopLeftOrientationEnabled(), 0u);
  supported.EnableTopLeftOrientation();
  EXPECT_EQ(supported.GetTopLeftOrientationEnabled(), 1u);
}

}  // namespace
