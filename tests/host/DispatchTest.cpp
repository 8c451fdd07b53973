// The dispatcher across the library boundary: every row's source (descriptor,
// prototype, instance), unhandled codes, missing instances and records,
// events, text out, capabilities and exceptions stopped at the boundary.
#include <algorithm>
#include <cstring>

#include "PluginFixture.h"

namespace {

using Calls = std::vector<std::string>;
using Dispatch = PluginFixture;

// Boundary records are read and built here at raw byte offsets rather than
// through the product's header, so a wrong offset there cannot pass.
template <typename T>
T At(const void* record, std::size_t offset) {
  T value;
  std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
  return value;
}

template <typename T>
void Put(void* record, std::size_t offset, T value) {
  std::memcpy(static_cast<unsigned char*>(record) + offset, &value, sizeof value);
}

// Code 50 or 51 into a buffer of `size` bytes pre-filled with '#' and
// surrounded by guard bytes that must survive the call.
struct GuardedText {
  uint32_t result = FF_FAIL;
  std::string buffer;
};

GuardedText CallTextOut(const testhost::PluginLibrary& library, uint32_t code, uint32_t id,
                        uint32_t size, FFGLInstanceHandle instance = nullptr) {
  constexpr std::size_t kGuard = 32;
  std::vector<char> bytes(kGuard + size + kGuard, 'G');
  std::fill_n(bytes.begin() + kGuard, size, '#');
  alignas(8) unsigned char record[24] = {};
  Put<uint32_t>(record, 0, id);
  Put<char*>(record, 8, size ? bytes.data() + kGuard : nullptr);
  Put<uint32_t>(record, 16, size);
  GuardedText out;
  out.result = library.CallWithPointer(code, record, instance).AsUInt();
  out.buffer.assign(bytes.data() + kGuard, size);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + kGuard), std::string(kGuard, 'G'));
  EXPECT_EQ(std::string(bytes.end() - kGuard, bytes.end()), std::string(kGuard, 'G'))
      << "code " << code << " wrote past a buffer of " << size;
  return out;
}


TEST_F(Dispatch, InformationRecordsComeFromTheDescriptor) {
  const void* info = library_->GetInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(At<uint32_t>(info, 0), 2u);
  EXPECT_EQ(At<uint32_t>(info, 4), 1u);
  EXPECT_EQ(std::memcmp(static_cast<const char*>(info) + 8, "TSTP", 4), 0);
  EXPECT_EQ(std::memcmp(static_cast<const char*>(info) + 12, "Host Test Plugin", 16), 0);
  EXPECT_EQ(At<uint32_t>(info, 28), FF_SOURCE);
  const void* extended = library_->GetExtendedInfo();
  ASSERT_NE(extended, nullptr);
  EXPECT_STREQ(At<const char*>(extended, 8), "Records every call");
  EXPECT_STREQ(At<const char*>(extended, 16), "Test plugin");
  EXPECT_EQ(At<const void*>(extended, 32), nullptr);
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

  // Two of three, into an array of three 16-byte entries: id at 0, flags at
  // 8; the padding and the entry not handed over keep the host's bytes.
  unsigned char events[48];
  std::memset(events, 0xAB, sizeof events);
  alignas(8) unsigned char request[16] = {};
  Put<uint32_t>(request, 0, 2);
  Put<void*>(request, 8, events);
  EXPECT_EQ(instance->Call(FF_GET_PARAMETER_EVENTS, FFGLValue::FromPointer(request)).bits,
            FF_SUCCESS);
  EXPECT_EQ(At<uint32_t>(request, 0), 2u);
  EXPECT_EQ(At<uint32_t>(events, 0), 0u);
  EXPECT_EQ(At<uint64_t>(events, 8), FF_EVENT_FLAG_VALUE);
  EXPECT_EQ(At<uint32_t>(events, 16), 2u);
  EXPECT_EQ(At<uint64_t>(events, 24), FF_EVENT_FLAG_VISIBILITY);
  for (std::size_t at : {4, 5, 6, 7, 20, 21, 22, 23}) EXPECT_EQ(events[at], 0xAB) << at;
  for (std::size_t at = 32; at < 48; ++at) EXPECT_EQ(events[at], 0xAB) << at;

  const testhost::ParameterEvents rest = instance->TakeParameterEvents(8);
  ASSERT_EQ(rest.count, 1u);
  EXPECT_EQ(rest.events[0].parameterID, 6u);
  EXPECT_EQ(instance->GetNumPendingParameterEvents(), 0u);
}

TEST_F(Dispatch, TextOutCopiesWithoutATerminator) {
  probe::GetSwitches().displayNamesOnFrame = {{0, "Gain"}};
  auto instance = Instantiate();
  ASSERT_TRUE(instance);

  GuardedText group = CallTextOut(*library_, FF_GET_PARAMETER_GROUP, 0, 2);
  EXPECT_EQ(group.result, FF_SUCCESS);
  EXPECT_EQ(group.buffer, "Ma");
  group = CallTextOut(*library_, FF_GET_PARAMETER_GROUP, 0, 6);
  EXPECT_EQ(group.buffer, "Main##");
  group = CallTextOut(*library_, FF_GET_PARAMETER_GROUP, 1, 3);  // empty group
  EXPECT_EQ(group.result, FF_SUCCESS);
  EXPECT_EQ(group.buffer, "###");
  EXPECT_EQ(CallTextOut(*library_, FF_GET_PARAMETER_GROUP, 0, 0).result, FF_FAIL);

  // Display names come from the instance's own store.
  const auto displayName = [&](uint32_t id, uint32_t size) {
    return CallTextOut(*library_, FF_GET_PARAMETER_DISPLAY_NAME, id, size, instance->Handle());
  };
  EXPECT_EQ(displayName(0, 6).buffer, "######");
  ASSERT_EQ(instance->ProcessOpenGL(), FF_SUCCESS);
  EXPECT_EQ(displayName(0, 6).buffer, "Gain##");
  EXPECT_EQ(displayName(0, 3).buffer, "Gai");
  EXPECT_EQ(displayName(99, 2).buffer, "##");
  EXPECT_EQ(displayName(0, 0).result, FF_FAIL);
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
