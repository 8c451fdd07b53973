// The dispatcher across the library boundary: every row's source (descriptor,
// prototype, instance), unhandled codes, missing instances and records,
// events, text out, capabilities and exceptions stopped at the boundary.
#include <cstring>

#include "PluginFixture.h"

namespace {

using Calls = std::vector<std::string>;
using Dispatch = PluginFixture;


TEST_F(Dispatch, InformationRecordsComeFromTheDescriptor) {
  const PluginInfoRecord* info = library_->GetInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(std::memcmp(info->PluginUniqueID, "TSTP", 4), 0);
  EXPECT_EQ(std::memcmp(info->PluginName, "Host Test Plugin", 16), 0);  // 16: no terminator
  EXPECT_EQ(info->APIMajorVersion, 2u);
  EXPECT_EQ(info->APIMinorVersion, 1u);
  EXPECT_EQ(info->PluginType, FF_SOURCE);
  const ExtendedInfoRecord* extended = library_->GetExtendedInfo();
  ASSERT_NE(extended, nullptr);
  EXPECT_STREQ(extended->About, "Test plugin");
  EXPECT_STREQ(extended->Description, "Records every call");
  EXPECT_EQ(extended->FreeFrameExtendedDataBlock, nullptr);
  EXPECT_TRUE(TakeCalls().empty());  // no prototype needed for these
}

TEST_F(Dispatch, FirstClassLevelQueryCreatesThePrototypeOnce) {
  EXPECT_EQ(library_->GetNumParameters(), 7u);
  EXPECT_EQ(library_->GetNumParameters(), 7u);
  EXPECT_EQ(TakeCalls(), (Calls{"initialise", "factory", "P1.construct"}));
}

TEST_F(Dispatch, ClassLevelQueriesAnswerFromThePrototypeStore) {
  EXPECT_STREQ(library_->GetParameterName(2), "Mode");
  EXPECT_EQ(library_->GetParameterName(99), nullptr);
  EXPECT_EQ(library_->GetParameterType(4), FF_TYPE_FILE);
  EXPECT_EQ(library_->GetParameterType(99), FF_FAIL);
  EXPECT_EQ(library_->GetParameterDefaultFloat(0), 0.25f);
  EXPECT_STREQ(library_->GetParameterDefaultText(1), "hello");
  EXPECT_STREQ(library_->GetParameterDefaultText(4), "/tmp/a.png");
  EXPECT_EQ(library_->GetParameterDefault(99).bits, FF_FAIL);
  EXPECT_EQ(library_->GetParameterUsage(5), FF_USAGE_FFT);
  EXPECT_EQ(library_->GetParameterUsage(99), FF_FAIL);
  EXPECT_STREQ(library_->GetPluginShortName(), "TSTP");

  const testhost::ParameterRange range = library_->GetParameterRange(6);
  EXPECT_EQ(range.result, FF_SUCCESS);
  EXPECT_EQ(range.min, 0.0f);
  EXPECT_EQ(range.max, 10.0f);
  const testhost::ParameterRange unknown = library_->GetParameterRange(99);
  EXPECT_EQ(unknown.result, FF_SUCCESS);
  EXPECT_EQ(unknown.min, 0.0f);
  EXPECT_EQ(unknown.max, 1.0f);

  EXPECT_EQ(library_->GetNumFileParameterExtensions(4), 2u);
  EXPECT_EQ(library_->GetNumFileParameterExtensions(99), 0u);
  EXPECT_STREQ(library_->GetFileParameterExtension(4, 1), "jpg");
  EXPECT_EQ(library_->GetFileParameterExtension(4, 2), nullptr);
  EXPECT_EQ(library_->GetNumElementSeparators(2), 1u);
  EXPECT_EQ(library_->GetNumElementSeparators(99), 0u);
  EXPECT_EQ(library_->GetSeparatorElementIndex(2, 0), 1u);
  EXPECT_EQ(library_->GetSeparatorElementIndex(2, 1), FF_FAIL);
  EXPECT_EQ(library_->GetNumParameterElements(2), 3u);
  EXPECT_EQ(library_->GetNumParameterElements(99), FF_FAIL);
  EXPECT_STREQ(library_->GetParameterElementName(2, 2), "C");
  EXPECT_EQ(library_->GetParameterElementName(2, 3), nullptr);
  EXPECT_EQ(library_->GetParameterElementValue(2, 2).AsFloat(), 2.0f);
  EXPECT_EQ(library_->GetParameterElementValue(2, 3).bits, FF_FAIL);
  EXPECT_EQ(library_->GetParameterVisibility(0), 1u);
  EXPECT_EQ(library_->GetParameterVisibility(99), FF_FAIL);
}

TEST_F(Dispatch, UnhandledAndOutOfRangeCodesFailEvenWithAnInstance) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  TakeCalls();
  for (uint32_t code : {1u, 3u, 11u, 12u, 14u, 24u, 25u, 26u, 27u, 28u, 29u, 30u, 52u, 53u,
                        0xFFFFFFFFu}) {
    EXPECT_EQ(instance->Call(code, FFGLValue::FromUInt(0)).bits, FF_FAIL) << code;
    EXPECT_EQ(library_->Call(code).bits, FF_FAIL) << code;
  }
  EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(Dispatch, InstanceCodesWithoutAnInstanceFailAndCallNothing) {
  ASSERT_EQ(library_->Initialise(), FF_SUCCESS);
  TakeCalls();
  // Code 7 answers a pointer otherwise, so its FF_FAIL is the whole value.
  EXPECT_EQ(library_->CallWithUInt(FF_GET_PARAMETER_DISPLAY, 0).bits, 0x00000000FFFFFFFFull);
  ViewportRecord viewport{0, 0, 1, 1};
  double time = 1.0;
  for (uint32_t code : {FF_SET_PARAMETER, FF_GET_PARAMETER, FF_GET_INPUT_STATUS,
                        FF_PROCESS_OPENGL, FF_DEINSTANTIATE_GL, FF_SET_TIME, FF_CONNECT,
                        FF_DISCONNECT, FF_RESIZE, FF_SET_PARAMETER_ELEMENT_VALUE,
                        FF_SET_BEAT_INFO, FF_SET_HOST_INFO, FF_SET_SAMPLE_RATE,
                        FF_GET_PARAMETER_EVENTS, FF_ENABLE_PLUGIN_CAP,
                        FF_GET_PARAMETER_DISPLAY_NAME}) {
    const void* input = code == FF_SET_TIME ? static_cast<const void*>(&time) : &viewport;
    EXPECT_EQ(library_->CallWithPointer(code, input).bits, FF_FAIL) << code;
  }
  EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(Dispatch, NullRecordsFailAndTouchNothing) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  TakeCalls();
  const FFGLValue null = FFGLValue::FromPointer(nullptr);
  for (uint32_t code : {FF_SET_PARAMETER, FF_PROCESS_OPENGL, FF_SET_TIME, FF_RESIZE,
                        FF_GET_PARAMETER_ELEMENT_VALUE, FF_SET_PARAMETER_ELEMENT_VALUE,
                        FF_SET_BEAT_INFO, FF_SET_HOST_INFO, FF_GET_PARAMETER_RANGE,
                        FF_GET_THUMBNAIL, FF_GET_PARAMETER_EVENTS, FF_GET_SEPARATOR_ELEMENT_INDEX,
                        FF_GET_PARAMETER_GROUP, FF_GET_PARAMETER_DISPLAY_NAME}) {
    EXPECT_EQ(instance->Call(code, null).bits, FF_FAIL) << code;
    EXPECT_EQ(library_->Call(code, null).bits, FF_FAIL) << code;
  }
  for (uint32_t code : {FF_GET_PARAMETER_ELEMENT_NAME, FF_GET_FILE_PARAMETER_EXTENSION}) {
    EXPECT_EQ(instance->Call(code, null).bits, 0u) << code;
    EXPECT_EQ(library_->Call(code, null).bits, 0u) << code;
  }
  EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(Dispatch, SetParameterRoutesByThePrototypesType) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  TakeCalls();
  EXPECT_EQ(instance->SetTextParameter(1, "world"), FF_SUCCESS);
  EXPECT_EQ(instance->SetTextParameter(4, "/x.jpg"), FF_SUCCESS);
  // A float parameter reads only the low 4 bytes of the record's value.
  const uint64_t noisy = 0xDEADBEEF00000000ull | FFGLValue::FromFloat(0.5f).bits;
  EXPECT_EQ(instance->SetParameterRaw(0, noisy), FF_SUCCESS);
  // An id the prototype does not know goes to SetFloatParameter.
  EXPECT_EQ(instance->SetFloatParameter(99, 3.0f), FF_SUCCESS);
  probe::GetSwitches().refuseParameterId = 98;
  EXPECT_EQ(instance->SetFloatParameter(98, 1.0f), FF_FAIL);
  EXPECT_EQ(TakeCalls(), (Calls{"P2.SetTextParameter(1,world)", "P2.SetTextParameter(4,/x.jpg)",
                                "P2.SetFloatParameter(0,0.5)", "P2.SetFloatParameter(99,3)",
                                "P2.SetFloatParameter(98,1)"}));

  EXPECT_STREQ(instance->GetTextParameter(1), "world");
  const FFGLValue level = instance->GetParameter(0);
  EXPECT_EQ(level.AsFloat(), 0.5f);
  EXPECT_EQ(level.bits >> 32, 0u);
}

TEST_F(Dispatch, DisplayTextsFormatFloatsAndPassTextsThrough) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  EXPECT_STREQ(instance->GetParameterDisplay(0), "0.250000");
  EXPECT_STREQ(instance->GetParameterDisplay(6), "7.000000");
  EXPECT_EQ(instance->GetParameterDisplay(1), instance->GetTextParameter(1));
  EXPECT_STREQ(instance->GetParameterDisplay(1), "hello");
  EXPECT_EQ(instance->GetParameterDisplayRaw(99).bits, 0u);
}

TEST_F(Dispatch, ElementValuesChangeOnlyTheInstanceStore) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  EXPECT_EQ(instance->SetParameterElementValue(2, 1, 9.0f), FF_SUCCESS);
  EXPECT_EQ(instance->SetParameterElementValue(2, 3, 9.0f), FF_FAIL);
  EXPECT_EQ(instance->SetParameterElementValue(99, 0, 9.0f), FF_FAIL);
  EXPECT_EQ(instance->GetParameterElementValue(2, 1).AsFloat(), 9.0f);
  EXPECT_EQ(library_->GetParameterElementValue(2, 1).AsFloat(), 1.0f);
  EXPECT_STREQ(instance->GetParameterElementName(2, 1), "B");
  EXPECT_EQ(instance->GetNumParameterElements(2), 3u);

  // An instance that replaces its option list answers from the new list;
  // the host asking without an instance still gets the prototype's.
  probe::GetSwitches().elementsOnFrame = {{2, {"W", "X", "Y", "Z"}}};
  ASSERT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
  EXPECT_EQ(instance->GetNumParameterElements(2), 4u);
  EXPECT_STREQ(instance->GetParameterElementName(2, 3), "Z");
  EXPECT_EQ(instance->GetParameterElementValue(2, 3).AsFloat(), 5.0f);
  EXPECT_EQ(library_->GetNumParameterElements(2), 3u);
  EXPECT_STREQ(library_->GetParameterElementName(2, 1), "B");
  EXPECT_EQ(library_->GetParameterElementName(2, 3), nullptr);
}

TEST_F(Dispatch, HostStateCodesReachTheInstance) {
  probe::GetSwitches().maxInputs = 1;
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  TakeCalls();
  EXPECT_EQ(instance->GetInputStatus(0), 1u);
  EXPECT_EQ(instance->GetInputStatus(1), FF_FAIL);
  EXPECT_EQ(instance->SetTime(0.1), FF_SUCCESS);  // not exact in a float
  EXPECT_EQ(instance->SetBeatInfo(128.0f, 0.5f), FF_SUCCESS);
  EXPECT_EQ(instance->SetHostInfo("Mixer", "7.3.2"), FF_SUCCESS);
  EXPECT_EQ(instance->SetSampleRate(48000), FF_SUCCESS);
  EXPECT_EQ(instance->Resize(ViewportRecord{1, 2, 3, 4}), FF_SUCCESS);
  EXPECT_EQ(TakeCalls(), (Calls{"P2.SetTime(0.10000000000000001)", "P2.SetBeatInfo(128,0.5)",
                                "P2.SetHostInfo(Mixer,7.3.2)", "P2.SetSampleRate(48000)",
                                "P2.Resize(1,2,3,4)"}));
}

TEST_F(Dispatch, EventsAreHandedOverInStoreOrderUpToTheCapacity) {
  probe::GetSwitches().visibilityOnFrame = {{2, false}};
  probe::GetSwitches().eventsOnFrame = {{6, FF_EVENT_FLAG_VALUE}, {0, FF_EVENT_FLAG_VALUE}};
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  ASSERT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
  EXPECT_EQ(instance->GetParameterVisibility(2), 0u);
  EXPECT_EQ(library_->GetParameterVisibility(2), 1u);  // the prototype is untouched

  EXPECT_EQ(instance->GetNumPendingParameterEvents(), 3u);
  EXPECT_EQ(instance->GetNumPendingParameterEvents(), 3u);  // counting clears nothing

  const testhost::ParameterEvents none = instance->TakeParameterEvents(0);
  EXPECT_EQ(none.result, FF_SUCCESS);
  EXPECT_EQ(none.count, 0u);

  const testhost::ParameterEvents two = instance->TakeParameterEvents(2);
  EXPECT_EQ(two.result, FF_SUCCESS);
  ASSERT_EQ(two.count, 2u);
  EXPECT_EQ(two.events[0].parameterID, 0u);
  EXPECT_EQ(two.events[0].eventFlags, FF_EVENT_FLAG_VALUE);
  EXPECT_EQ(two.events[1].parameterID, 2u);
  EXPECT_EQ(two.events[1].eventFlags, FF_EVENT_FLAG_VISIBILITY);

  const testhost::ParameterEvents rest = instance->TakeParameterEvents(8);
  ASSERT_EQ(rest.count, 1u);
  EXPECT_EQ(rest.events[0].parameterID, 6u);
  EXPECT_EQ(instance->GetNumPendingParameterEvents(), 0u);
}

TEST_F(Dispatch, TextOutCopiesWithoutATerminator) {
  probe::GetSwitches().displayNamesOnFrame = {{0, "Gain"}};
  auto instance = Instantiate();
  ASSERT_TRUE(instance);

  testhost::TextOut group = library_->GetParameterGroup(0, 2, '#');
  EXPECT_EQ(group.result, FF_SUCCESS);
  EXPECT_EQ(group.buffer, "Ma");
  group = library_->GetParameterGroup(0, 6, '#');
  EXPECT_EQ(group.buffer, "Main##");
  group = library_->GetParameterGroup(1, 3, '#');  // empty group
  EXPECT_EQ(group.result, FF_SUCCESS);
  EXPECT_EQ(group.buffer, "###");
  EXPECT_EQ(library_->GetParameterGroup(0, 0).result, FF_FAIL);

  // Display names come from the instance's own store.
  EXPECT_EQ(instance->GetParameterDisplayName(0, 6, '#').buffer, "######");
  ASSERT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
  EXPECT_EQ(instance->GetParameterDisplayName(0, 6, '#').buffer, "Gain##");
  EXPECT_EQ(instance->GetParameterDisplayName(99, 2, '#').buffer, "##");
  EXPECT_EQ(instance->GetParameterDisplayName(0, 0).result, FF_FAIL);
}

TEST_F(Dispatch, CapabilitiesComeFromThePrototype) {
  probe::GetSwitches().maxInputs = -3;
  probe::GetSwitches().timeSupported = false;
  EXPECT_EQ(library_->GetPluginCaps(FF_CAP_SET_TIME), 0u);
  EXPECT_EQ(library_->GetPluginCaps(FF_CAP_MINIMUM_INPUT_FRAMES), 0u);
  EXPECT_EQ(library_->GetPluginCaps(FF_CAP_MAXIMUM_INPUT_FRAMES), 0u);  // negative reads as 0
  EXPECT_EQ(library_->GetPluginCaps(FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION), 1u);
  EXPECT_EQ(library_->GetPluginCaps(3), 0u);

  EXPECT_EQ(library_->DeInitialise(), FF_SUCCESS);
  probe::GetSwitches().maxInputs = 2;
  probe::GetSwitches().timeSupported = true;
  EXPECT_EQ(library_->GetPluginCaps(FF_CAP_SET_TIME), 1u);
  EXPECT_EQ(library_->GetPluginCaps(FF_CAP_MAXIMUM_INPUT_FRAMES), 2u);
}

TEST_F(Dispatch, TopLeftOrientationIsEnabledOnlyWhenThePrototypeSupportsIt) {
  const uint32_t& enabled = probe::GetSwitches().topLeftEnabledAtFrame;
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  EXPECT_EQ(instance->EnablePluginCap(FF_CAP_SET_TIME), FF_FAIL);
  instance->ProcessOpenGL();
  EXPECT_EQ(enabled, 0u);
  EXPECT_EQ(instance->EnablePluginCap(FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION), FF_SUCCESS);
  instance->ProcessOpenGL();
  EXPECT_EQ(enabled, 1u);

  // A prototype without the support refuses, and the instance stays as it is.
  EXPECT_EQ(library_->DeInitialise(), FF_SUCCESS);
  probe::GetSwitches().topLeftSupported = false;
  auto plain = Instantiate();
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->EnablePluginCap(FF_CAP_TOP_LEFT_TEXTURE_ORIENTATION), FF_FAIL);
  plain->ProcessOpenGL();
  EXPECT_EQ(enabled, 0u);
}

TEST_F(Dispatch, ExceptionsStopAtTheBoundary) {
  auto instance = Instantiate();
  ASSERT_TRUE(instance);
  probe::GetSwitches().throwIn = "ProcessOpenGL";
  EXPECT_EQ(instance->ProcessOpenGL(), FF_FAIL);
  probe::GetSwitches().throwIn = "GetFloatParameter";
  EXPECT_EQ(instance->GetParameterDisplayRaw(0).bits, 0u);  // a pointer code answers null
  EXPECT_EQ(instance->GetParameter(0).bits, FF_FAIL);
  probe::GetSwitches().throwIn = "SetTime";
  EXPECT_EQ(instance->SetTime(1.0), FF_FAIL);
  probe::GetSwitches().throwIn = "GetShortName";
  EXPECT_EQ(library_->GetPluginShortName(), nullptr);

  // A throwing initialise callback makes the prototype unavailable.
  EXPECT_EQ(library_->DeInitialise(), FF_SUCCESS);
  probe::GetSwitches().throwIn = "initialise";
  EXPECT_EQ(library_->GetNumParameters(), FF_FAIL);
  EXPECT_EQ(library_->GetParameterName(0), nullptr);
  probe::GetSwitches().throwIn.clear();
  EXPECT_EQ(library_->GetNumParameters(), 7u);
  EXPECT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
}

TEST_F(Dispatch, NoThumbnailIsRegistered) {
  const testhost::Thumbnail thumbnail = library_->GetThumbnail(false);
  EXPECT_EQ(thumbnail.result, FF_FAIL);
  EXPECT_EQ(thumbnail.width, 0u);
  EXPECT_EQ(thumbnail.height, 0u);
}

}  // namespace
