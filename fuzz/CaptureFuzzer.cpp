// Drives a running NdiReceiver through the simulated runtime with random
// source lists, requests, frames (sizes, strides, FourCC, aspect, null data)
// and capture results. Every frame the receiver publishes must be a packed
// copy of the last acceptable frame it was given; at the end every handle
// is destroyed, every captured record handed back and the runtime unloaded.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "FuzzSupport.h"
#include "preview/NdiReceiver.h"
#include "testing/ndi_runtime_sim/NdiSimControl.h"
#include "testing/ndi_runtime_sim/SimHelpers.h"

namespace {

// Keeps one input's pictures small enough for thousands of runs a second.
constexpr std::size_t kMaxFrameBytes = std::size_t{4} << 20;

const char* const kNames[] = {
    "KESTRIN - Viewport",        "KESTRIN - Viewport (Main)", "KESTRIN - VP-03 - Stage left",
    "KESTRIN - VP-03",           "KESTRIN - VP-030 - Wide",   "KESTRIN -  - Blank",
    "kestrin - viewport",        "Camera 1",                  "",
};

std::string PickText(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
      return kNames[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kNames) - 1)];
    case 1:
      return std::string(input.ConsumeIntegralInRange<std::size_t>(0, 70000), 'K');
    default:
      return input.ConsumeRandomLengthString(64);
  }
}

void SetSources(FuzzedDataProvider& input) {
  const int count = input.ConsumeIntegralInRange(0, 6);
  std::vector<std::string> texts;
  texts.reserve(2 * count);  // the records point into these
  std::vector<NdiSimSource> sources;
  for (int i = 0; i < count; ++i) {
    const bool nullName = input.ConsumeIntegralInRange(0, 7) == 0;
    const bool nullUrl = input.ConsumeIntegralInRange(0, 3) == 0;
    texts.push_back(PickText(input));
    const char* name = nullName ? nullptr : texts.back().c_str();
    texts.push_back(input.ConsumeRandomLengthString(24));
    const char* url = nullUrl ? nullptr : texts.back().c_str();
    sources.push_back({name, url});
  }
  ndisim::SetSources(sources);
}

std::string PickRequest(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0:
      return "";
    case 1: {
      char text[32];
      std::snprintf(text, sizeof text, "@projector:VP-%02d", input.ConsumeIntegralInRange(0, 99));
      return text;
    }
    case 2:
      return input.ConsumeBool() ? "@projector:" : "@Projector:VP-03";
    default:
      return PickText(input);
  }
}

// One scripted picture with its bytes, and what a receiver must make of it.
struct Picture {
  NdiSimFrame frame{};
  std::vector<std::uint8_t> bytes;
  bool acceptable = false;
};

std::int32_t PickSide(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 5)) {
    case 0:
      return input.ConsumeIntegral<std::int32_t>();
    case 1:
      return input.PickValueInArray({-1, 0, 1, 8191, 8192, 8193});
    default:
      return input.ConsumeIntegralInRange(1, 96);
  }
}

Picture MakePicture(FuzzedDataProvider& input) {
  Picture picture;
  NdiSimFrame& frame = picture.frame;
  frame.width = PickSide(input);
  frame.height = PickSide(input);
  const std::int64_t rowBytes = std::int64_t{frame.width} * 4;
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0:
      frame.lineStride = input.ConsumeIntegral<std::int32_t>();
      break;
    default: {
      const std::int64_t stride = rowBytes + input.ConsumeIntegralInRange(-5, 67);
      frame.lineStride = static_cast<std::int32_t>(
          std::clamp<std::int64_t>(stride, INT32_MIN, INT32_MAX));
    }
  }
  frame.fourCC = input.PickValueInArray<std::uint32_t>(
      {kNdiFourCCBgra, kNdiFourCCBgrx, kNdiFourCCUyvy, 0u, input.ConsumeIntegral<std::uint32_t>()});
  frame.aspect = input.PickValueInArray<float>(
      {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
       16.0f / 9.0f, input.ConsumeFloatingPoint<float>()});
  const bool nullData = input.ConsumeIntegralInRange(0, 7) == 0;

  picture.acceptable = !nullData && frame.width >= 1 && frame.width <= kMaxVideoFrameSide &&
                       frame.height >= 1 && frame.height <= kMaxVideoFrameSide &&
                       frame.lineStride >= rowBytes &&
                       (frame.fourCC == kNdiFourCCBgra || frame.fourCC == kNdiFourCCBgrx);
  if (picture.acceptable) {
    // A runtime's buffer holds every row it describes; keep it small.
    const std::int64_t maxRows =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(kMaxFrameBytes) / frame.lineStride);
    frame.height = static_cast<std::int32_t>(std::min<std::int64_t>(frame.height, maxRows));
    picture.bytes.resize(static_cast<std::size_t>(std::int64_t{frame.lineStride} * (frame.height - 1) +
                                                  rowBytes));
  } else if (!nullData) {
    picture.bytes.resize(input.ConsumeIntegralInRange<std::size_t>(0, 64));
  }
  const std::uint8_t seed = input.ConsumeIntegral<std::uint8_t>();
  for (std::size_t i = 0; i < picture.bytes.size(); ++i) {
    picture.bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
  }
  frame.data = nullData ? nullptr : picture.bytes.data();
  frame.dataSize = picture.bytes.size();
  return picture;
}

// The packed copy a published frame must hold.
std::vector<std::uint8_t> Packed(const Picture& picture) {
  const NdiSimFrame& frame = picture.frame;
  const std::size_t rowBytes = static_cast<std::size_t>(frame.width) * 4;
  std::vector<std::uint8_t> packed(rowBytes * static_cast<std::size_t>(frame.height));
  for (std::int32_t y = 0; y < frame.height; ++y) {
    std::memcpy(packed.data() + y * rowBytes,
                picture.bytes.data() + static_cast<std::size_t>(y) * frame.lineStride, rowBytes);
  }
  return packed;
}

std::int64_t SteadyNowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void CheckInvariants(const VideoFrame& frame) {
  FUZZ_CHECK(frame.width >= 1 && frame.width <= kMaxVideoFrameSide, "width out of range");
  FUZZ_CHECK(frame.height >= 1 && frame.height <= kMaxVideoFrameSide, "height out of range");
  FUZZ_CHECK(frame.pixels.size() == std::size_t(frame.width) * std::size_t(frame.height) * 4,
             "pixels are not width * height * 4 bytes");
  FUZZ_CHECK(frame.aspect > 0.0f, "aspect not positive");
  FUZZ_CHECK(frame.timestampNs > 0 && frame.timestampNs <= SteadyNowNs(),
             "receipt time not on the steady clock");
}

// Tracks what the host's side has seen and checks each new frame against
// the last acceptable picture given to the runtime.
class Observer {
 public:
  explicit Observer(const NdiReceiver& receiver) : receiver(receiver) {}

  void Check(const Picture* lastAcceptable) {
    const ReceiverSnapshot snapshot = receiver.GetSnapshot();
    FUZZ_CHECK(!snapshot.status.empty(), "empty status");
    if (!snapshot.frame) return;
    CheckInvariants(*snapshot.frame);
    if (snapshot.frame.get() == seen.get()) return;
    seen = snapshot.frame;
    FUZZ_CHECK(lastAcceptable != nullptr, "a frame was published that no acceptable picture made");
    const NdiSimFrame& expected = lastAcceptable->frame;
    FUZZ_CHECK(seen->width == expected.width && seen->height == expected.height,
               "published frame has another size than its picture");
    const float aspect = expected.aspect > 0.0f
                             ? expected.aspect
                             : static_cast<float>(expected.width) / static_cast<float>(expected.height);
    FUZZ_CHECK(seen->aspect == aspect, "published frame has the wrong aspect");
    FUZZ_CHECK(seen->pixels == Packed(*lastAcceptable), "published pixels are not the packed rows");
  }

 private:
  const NdiReceiver& receiver;
  std::shared_ptr<VideoFrame> seen;
};

// Stops the receiver without waiting out an idle 50 ms capture: queued
// "nothing" results keep the worker's captures short until the join returns.
void StopPromptly(NdiReceiver& receiver) {
  std::atomic<bool> stopped{false};
  std::thread nudger([&stopped] {
    while (!stopped) {
      NdiSim_QueueResult(0);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  receiver.Stop();
  stopped = true;
  nudger.join();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("NDI_RUNTIME_DIR_V6", NDISIM_RUNTIME_DIR, 1);
  unsetenv("NDI_RUNTIME_DIR_V5");
  unsetenv("ProgramFiles");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  NdiSim_Reset();
  SetSources(input);

  std::unique_ptr<NdiReceiver> receiver = std::make_unique<NdiReceiver>();
  receiver->SetRequestedSource(PickRequest(input));
  FUZZ_CHECK(receiver->Start(), "no worker thread");
  Observer observer(*receiver);

  std::deque<Picture> pictures;  // stable addresses: `lastAcceptable` points into it
  const Picture* lastAcceptable = nullptr;
  int videoQueued = 0;
  const int steps = input.ConsumeIntegralInRange(1, 12);
  for (int step = 0; step < steps && input.remaining_bytes() > 0; ++step) {
    switch (input.ConsumeIntegralInRange(0, 5)) {
      case 0:
        SetSources(input);
        break;
      case 1:
        receiver->SetRequestedSource(PickRequest(input));
        break;
      case 2:
        NdiSim_QueueResult(input.PickValueInArray<std::int32_t>({0, 2, 3, 4, 4, 100}));
        break;
      default: {
        pictures.push_back(MakePicture(input));
        const Picture& picture = pictures.back();
        NdiSim_QueueVideo(&picture.frame);
        ++videoQueued;
        FUZZ_CHECK(fuzzsupport::WaitUntil([&] { return NdiSim_VideoHandedBack() >= videoQueued; }),
                   "a captured record was not handed back");
        if (picture.acceptable) lastAcceptable = &picture;
      }
    }
    observer.Check(lastAcceptable);
  }

  StopPromptly(*receiver);
  FUZZ_CHECK(!receiver->GetSnapshot().frame, "Stop kept a frame");
  receiver.reset();

  const std::vector<std::string> problems = ndisim::TeardownProblems();
  FUZZ_CHECK(problems.empty(), problems.front().c_str());
  return 0;
}
