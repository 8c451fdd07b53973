// Sends sequences of function codes with random but well-formed records to
// plugin libraries through their plugMain, as a careless but lawful host
// would: any id, index, capacity or buffer size, texts from empty to very
// long, null records and null texts, against the prototype and against live
// instances. The GL codes (17, 18, 19) are left out of the sequences: the
// instances are made once, with a GL context current, before fuzzing starts.
// Every text pointer the library answers is read to its end, so a dangling
// or unterminated answer shows under AddressSanitizer.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "testing/gl_context/GlContext.h"
#include "testing/plugin_host/PluginHost.h"

#include "testing/ndi_runtime_sim/NdiSimControl.h"
#include "tests/host/TestProbe.h"

namespace {

constexpr int kInstancesPerLibrary = 2;

struct Target {
  std::unique_ptr<testhost::PluginLibrary> library;
  std::vector<std::unique_ptr<testhost::PluginInstance>> instances;
  bool isTestPlugin = false;
};

struct World {
  std::unique_ptr<testgl::GlContext> context;
  std::vector<Target> targets;
};

// Built once; torn down at exit with the context still current, so code 19
// and the worker joins run as a host would run them.
World* g_world = nullptr;

void TearDown() {
  if (!g_world) return;
  for (Target& target : g_world->targets) {
    target.instances.clear();
    target.library.reset();
  }
  const std::string errors = g_world->context->TakeErrors();
  FUZZ_CHECK(errors.empty(), errors.c_str());
  delete g_world;
  g_world = nullptr;
}

void AddTarget(const char* path, bool isTestPlugin) {
  std::string error;
  Target target;
  target.library = testhost::PluginLibrary::Load(path, error);
  FUZZ_CHECK(target.library != nullptr, error.c_str());
  target.isTestPlugin = isTestPlugin;
  for (int i = 0; i < kInstancesPerLibrary; ++i) {
    auto instance = target.library->Instantiate({0, 0, 64, 48});
    FUZZ_CHECK(instance != nullptr, "code 18 failed");
    target.instances.push_back(std::move(instance));
  }
  g_world->targets.push_back(std::move(target));
}

// Reads a text the library answered to its terminator.
void ReadText(const void* text) {
  if (!text) return;
  volatile std::size_t length = std::strlen(static_cast<const char*>(text));
  (void)length;
}

void ReadAnswerText(FFGLValue answer) {
  if (!testhost::IsFail(answer)) ReadText(answer.AsPointer());
}

void HostLog(const char* text) { ReadText(text); }

// Texts a host may send: empty, short, random, very long, and null.
class Texts {
 public:
  const char* Pick(FuzzedDataProvider& input) {
    switch (input.ConsumeIntegralInRange(0, 4)) {
      case 0:
        return nullptr;
      case 1:
        kept.push_back(std::string(input.ConsumeIntegralInRange<std::size_t>(0, 200000),
                                   static_cast<char>(input.ConsumeIntegralInRange(1, 255))));
        break;
      default:
        kept.push_back(input.ConsumeRandomLengthString(80));
    }
    return kept.back().c_str();
  }

 private:
  std::deque<std::string> kept;  // stable addresses for the pointers handed out
};

std::uint32_t PickId(FuzzedDataProvider& input) {
  return input.ConsumeBool() ? input.ConsumeIntegralInRange<std::uint32_t>(0, 9)
                             : input.ConsumeIntegral<std::uint32_t>();
}

float PickFloat(FuzzedDataProvider& input) {
  return input.PickValueInArray<float>({0.0f, 0.5f, 1.0f, 2.0f, -1.0f, NAN, INFINITY,
                                        input.ConsumeFloatingPoint<float>()});
}

// One call: a code (never 17, 18 or 19), an input that is well-formed for
// it, and the answer read as a host would read it.
void Call(const testhost::PluginLibrary& library, FFGLInstanceHandle instance,
          FuzzedDataProvider& input, Texts& texts) {
  std::uint32_t code = input.ConsumeIntegralInRange<std::uint32_t>(0, 56);
  if (code >= FF_PROCESS_OPENGL && code <= FF_DEINSTANTIATE_GL) code = FF_GET_INFO;
  auto callUInt = [&](std::uint32_t value) { return library.CallWithUInt(code, value, instance); };
  auto callRecord = [&](const void* record) {
    return library.CallWithPointer(code, input.ConsumeIntegralInRange(0, 9) == 0 ? nullptr : record,
                                   instance);
  };

  switch (code) {
    case FF_GET_INFO: {
      const auto* info = static_cast<const PluginInfoRecord*>(library.Call(code).AsPointer());
      if (info) FUZZ_CHECK(info->PluginType == FF_SOURCE, "code 0 answered another plugin type");
      break;
    }
    case FF_GET_EXTENDED_INFO: {
      const auto* info = static_cast<const ExtendedInfoRecord*>(library.Call(code).AsPointer());
      if (info) {
        ReadText(info->Description);
        ReadText(info->About);
      }
      break;
    }
    case FF_GET_PARAMETER_NAME:
    case FF_GET_PARAMETER_DISPLAY:
      ReadAnswerText(callUInt(PickId(input)));
      break;
    case FF_GET_PLUGIN_SHORT_NAME: {
      // A short name need not be terminated: a host reads at most 16 bytes.
      (void)library.Call(code, FFGLValue{0}, instance);
      break;
    }
    case FF_GET_PARAMETER_DEFAULT:
    case FF_GET_PARAMETER: {
      const std::uint32_t id = PickId(input);
      const FFGLValue answer = callUInt(id);
      if (IsTextParameterType(library.GetParameterType(id))) ReadAnswerText(answer);
      break;
    }
    case FF_SET_PARAMETER: {
      SetParameterRecord record{PickId(input), 0};
      if (IsTextParameterType(library.GetParameterType(record.ParameterNumber))) {
        record.NewParameterValue = FFGLValue::FromPointer(texts.Pick(input)).bits;
      } else {
        record.NewParameterValue = FFGLValue::FromFloat(PickFloat(input)).bits;
      }
      callRecord(&record);
      break;
    }
    case FF_SET_TIME: {
      const double time = input.ConsumeFloatingPoint<double>();
      callRecord(&time);
      break;
    }
    case FF_RESIZE: {
      ViewportRecord viewport{input.ConsumeIntegral<std::uint32_t>(), input.ConsumeIntegral<std::uint32_t>(),
                              input.ConsumeIntegral<std::uint32_t>(), input.ConsumeIntegral<std::uint32_t>()};
      callRecord(&viewport);
      break;
    }
    case FF_GET_PARAMETER_ELEMENT_NAME:
    case FF_GET_PARAMETER_ELEMENT_VALUE:
    case FF_GET_FILE_PARAMETER_EXTENSION:
    case FF_GET_SEPARATOR_ELEMENT_INDEX: {
      ElementAddressRecord record{PickId(input), PickId(input)};
      const FFGLValue answer = callRecord(&record);
      if (code == FF_GET_PARAMETER_ELEMENT_NAME || code == FF_GET_FILE_PARAMETER_EXTENSION) {
        ReadAnswerText(answer);
      }
      break;
    }
    case FF_SET_PARAMETER_ELEMENT_VALUE: {
      ElementValueRecord record{PickId(input), PickId(input), PickFloat(input)};
      callRecord(&record);
      break;
    }
    case FF_SET_BEAT_INFO: {
      BeatInfoRecord record{PickFloat(input), PickFloat(input)};
      callRecord(&record);
      break;
    }
    case FF_SET_HOST_INFO: {
      HostInfoRecord record{texts.Pick(input), texts.Pick(input)};
      callRecord(&record);
      break;
    }
    case FF_GET_PARAMETER_RANGE: {
      ParameterRangeRecord record{PickId(input), 0.0f, 0.0f};
      callRecord(&record);
      break;
    }
    case FF_GET_THUMBNAIL: {
      // A host asks for the size first and then passes a buffer of that size.
      ThumbnailRecord record{0, 0, nullptr};
      callRecord(&record);
      std::vector<std::uint32_t> pixels(std::size_t{record.width} * record.height + 1);
      record.rgbaPixelBuffer = pixels.data();
      if (std::size_t{record.width} * record.height <= (std::size_t{1} << 24)) callRecord(&record);
      break;
    }
    case FF_GET_PARAMETER_EVENTS: {
      const std::uint32_t capacity = input.ConsumeIntegralInRange<std::uint32_t>(0, 12);
      std::vector<ParameterEventRecord> events(capacity + 1);
      ParameterEventsRecord record{capacity, input.ConsumeBool() ? events.data() : nullptr};
      callRecord(&record);
      if (record.events) FUZZ_CHECK(record.numEvents <= capacity, "code 46 overran the array");
      break;
    }
    case FF_GET_PARAMETER_GROUP:
    case FF_GET_PARAMETER_DISPLAY_NAME: {
      const std::uint32_t size = input.ConsumeBool() ? input.ConsumeIntegralInRange<std::uint32_t>(0, 40)
                                                     : input.ConsumeIntegralInRange<std::uint32_t>(0, 70000);
      // Guard bytes past the stated size show an overrun as a changed byte.
      std::vector<char> buffer(std::size_t{size} + 8, '\x5A');
      StringOutRecord record{PickId(input), buffer.data(), size};
      callRecord(&record);
      for (std::size_t i = size; i < buffer.size(); ++i) {
        FUZZ_CHECK(buffer[i] == '\x5A', "a text was written past the host's buffer size");
      }
      break;
    }
    default:
      // Codes with a u32 or no input, and the unhandled ones (given junk,
      // which they must not read).
      (void)callUInt(input.ConsumeIntegral<std::uint32_t>());
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("NDI_RUNTIME_DIR_V6", NDISIM_RUNTIME_DIR, 1);
  unsetenv("NDI_RUNTIME_DIR_V5");
  unsetenv("ProgramFiles");
  // The preview's workers use the simulated runtime's state library. A call
  // here makes it a load-time dependency, so its statics are built before
  // TearDown is registered and destroyed only after TearDown has joined the
  // workers; loaded first by a worker, they would be destroyed under it.
  NdiSim_Reset();
  g_world = new World;
  std::string error;
  g_world->context = testgl::CreateCurrentContextWithGlew(error);
  FUZZ_CHECK(g_world->context != nullptr, error.c_str());
  AddTarget(FUZZ_TEST_PLUGIN_PATH, true);
  AddTarget(FUZZ_PREVIEW_PLUGIN_PATH, false);
  std::atexit(TearDown);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  Target& target = g_world->targets[input.ConsumeIntegralInRange<std::size_t>(
      0, g_world->targets.size() - 1)];
  if (target.isTestPlugin) {
    // The test plugin fails or throws where it is told to.
    probe::Switches& switches = probe::GetSwitches();
    switches.factoryFails = input.ConsumeIntegralInRange(0, 15) == 0;
    switches.initialiseResult = input.ConsumeIntegralInRange(0, 15) == 0 ? FF_FAIL : FF_SUCCESS;
    switches.refuseParameterId = PickId(input);
    switches.connectFails = input.ConsumeBool();
    switches.disconnectFails = input.ConsumeBool();
    if (input.ConsumeIntegralInRange(0, 3) == 0) {
      switches.throwIn = input.PickValueInArray<const char*>(
          {"factory", "initialise", "construct", "SetFloatParameter", "SetTextParameter",
           "GetFloatParameter", "GetTextParameter", "Connect", "Disconnect", "SetTime",
           "SetBeatInfo", "SetHostInfo", "SetSampleRate", "Resize", "GetShortName"});
    }
  }

  Texts texts;  // the library copies what it keeps; these live for the input
  const int calls = input.ConsumeIntegralInRange(1, 48);
  for (int i = 0; i < calls && input.remaining_bytes() > 0; ++i) {
    if (input.ConsumeIntegralInRange(0, 31) == 0) {
      target.library->SetLogCallback(input.ConsumeBool() ? HostLog : nullptr);
      continue;
    }
    const int which = input.ConsumeIntegralInRange(-1, kInstancesPerLibrary - 1);
    const FFGLInstanceHandle instance = which < 0 ? nullptr : target.instances[which]->Handle();
    Call(*target.library, instance, input, texts);
  }

  if (target.isTestPlugin) probe::Reset();
  return 0;
}
