// Parameter writes through code 8 and reads through code 9: what each
// parameter accepts, refuses and stores, and the NDI source each choice makes
// the worker connect to in the simulated runtime.
#include <cmath>
#include <limits>

#include "E2eSupport.h"

namespace {

using e2e::kConnection;
using e2e::kFlip;
using e2e::kFraming;
using e2e::kFreeze;
using e2e::kNameOverride;
using e2e::kSource;
using e2e::LastConnectedName;
using e2e::WaitUntil;

using Parameters = e2e::PreviewTest;

constexpr const char* kProjector3 = "KESTRIN - VP-03 - Floor";
constexpr const char* kProjector7 = "KESTRIN - VP-07 - Wall";
constexpr const char* kProjector64 = "KESTRIN - VP-64 - Ceiling";
constexpr const char* kStudioCam = "Studio Cam";

bool WaitForConnect(const std::string& name) {
  return WaitUntil([&] { return LastConnectedName() == name; });
}

// Waits until the worker has looked at the source list twice more, so that a
// request made before the call has certainly been acted on.
bool WaitForTwoDiscoveries() {
  const int target = NdiSim_SourceListCalls() + 2;
  return WaitUntil([&] { return NdiSim_SourceListCalls() >= target; });
}

TEST_F(Parameters, SourceAcceptsWholeNumbersFromZeroToSixtyFourOnly) {
  auto& instance = Instantiate();
  EXPECT_EQ(instance.SetFloatParameter(kSource, 64.0f), FF_SUCCESS);
  EXPECT_EQ(instance.GetFloatParameter(kSource), 64.0f);
  for (float refused : {65.0f, -1.0f, 2.5f, std::nanf(""), std::numeric_limits<float>::infinity()}) {
    SCOPED_TRACE(refused);
    EXPECT_EQ(instance.SetFloatParameter(kSource, refused), FF_FAIL);
    EXPECT_EQ(instance.GetFloatParameter(kSource), 64.0f);
  }
  EXPECT_EQ(instance.SetFloatParameter(kSource, 0.0f), FF_SUCCESS);
  EXPECT_EQ(instance.GetFloatParameter(kSource), 0.0f);
}

TEST_F(Parameters, FramingIsClampedAndKeepsItsFraction) {
  auto& instance = Instantiate();
  EXPECT_EQ(instance.SetFloatParameter(kFraming, 5.0f), FF_SUCCESS);
  EXPECT_EQ(instance.GetFloatParameter(kFraming), 2.0f);
  EXPECT_EQ(instance.SetFloatParameter(kFraming, -3.0f), FF_SUCCESS);
  EXPECT_EQ(instance.GetFloatParameter(kFraming), 0.0f);
  EXPECT_EQ(instance.SetFloatParameter(kFraming, 0.7f), FF_SUCCESS);
  EXPECT_EQ(instance.GetFloatParameter(kFraming), 0.7f);
  EXPECT_EQ(instance.SetFloatParameter(kFraming, std::nanf("")), FF_FAIL);
  EXPECT_EQ(instance.GetFloatParameter(kFraming), 0.7f);
}

TEST_F(Parameters, BooleansSwitchOnFromOneHalf) {
  auto& instance = Instantiate();
  for (uint32_t id : {kFlip, kFreeze}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(instance.SetFloatParameter(id, 0.5f), FF_SUCCESS);
    EXPECT_EQ(instance.GetFloatParameter(id), 1.0f);
    EXPECT_EQ(instance.SetFloatParameter(id, 0.49f), FF_SUCCESS);
    EXPECT_EQ(instance.GetFloatParameter(id), 0.0f);
    EXPECT_EQ(instance.SetFloatParameter(id, 7.0f), FF_SUCCESS);
    EXPECT_EQ(instance.GetFloatParameter(id), 1.0f);
  }
  // An id the plugin does not have.
  EXPECT_EQ(instance.SetFloatParameter(6, 1.0f), FF_FAIL);
  EXPECT_EQ(instance.GetFloatParameter(6), 0.0f);
}

TEST_F(Parameters, ConnectionIgnoresWritesAndTheOverrideRefusesNull) {
  auto& instance = Instantiate();
  EXPECT_STREQ(instance.GetTextParameter(kConnection), "Starting");
  EXPECT_STREQ(instance.GetTextParameter(kNameOverride), "");
  EXPECT_EQ(instance.SetTextParameter(kConnection, "Hacked"), FF_SUCCESS);
  EXPECT_STREQ(instance.GetTextParameter(kConnection), "Starting");

  EXPECT_EQ(instance.SetTextParameter(kNameOverride, "  Cam 1 "), FF_SUCCESS);
  EXPECT_STREQ(instance.GetTextParameter(kNameOverride), "  Cam 1 ");  // kept as given
  EXPECT_EQ(instance.SetTextParameter(kNameOverride, nullptr), FF_FAIL);
  EXPECT_STREQ(instance.GetTextParameter(kNameOverride), "  Cam 1 ");
}

TEST_F(Parameters, EachChoiceReachesTheWorkerAndTheOverrideWins) {
  ndisim::SetSourceNames({e2e::kMainSource, kProjector3, kProjector7, kProjector64, kStudioCam});
  auto& instance = Instantiate();
  ASSERT_TRUE(WaitForConnect(e2e::kMainSource));

  ASSERT_EQ(instance.SetFloatParameter(kSource, 64.0f), FF_SUCCESS);
  EXPECT_TRUE(WaitForConnect(kProjector64));
  ASSERT_EQ(instance.SetFloatParameter(kSource, 7.0f), FF_SUCCESS);
  EXPECT_TRUE(WaitForConnect(kProjector7));

  // A refused value leaves the request as it was.
  const int connects = NdiSim_ConnectCount();
  ASSERT_EQ(instance.SetFloatParameter(kSource, 65.0f), FF_FAIL);
  ASSERT_TRUE(WaitForTwoDiscoveries());
  EXPECT_EQ(NdiSim_ConnectCount(), connects);

  // The override names the source exactly, whatever "Source" says.
  ASSERT_EQ(instance.SetTextParameter(kNameOverride, kStudioCam), FF_SUCCESS);
  EXPECT_TRUE(WaitForConnect(kStudioCam));
  ASSERT_EQ(instance.SetFloatParameter(kSource, 3.0f), FF_SUCCESS);
  ASSERT_TRUE(WaitForTwoDiscoveries());
  EXPECT_EQ(LastConnectedName(), kStudioCam);

  // Clearing it falls back to the projector, then to the main viewport.
  ASSERT_EQ(instance.SetTextParameter(kNameOverride, ""), FF_SUCCESS);
  EXPECT_TRUE(WaitForConnect(kProjector3));
  ASSERT_EQ(instance.SetFloatParameter(kSource, 0.0f), FF_SUCCESS);
  EXPECT_TRUE(WaitForConnect(e2e::kMainSource));
  EXPECT_TRUE(RenderUntilReceiving(instance, e2e::kMainSource));
}

}  // namespace
