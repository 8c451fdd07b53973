// The receiver's worker as it runs: the simulated runtime hands over
// pictures at 60 frames a second, the worker captures, copies and publishes
// them, and its own CPU time and page faults per frame are read from the
// kernel. The baseline is a thread that copies the same bytes with memcpy,
// paced the same way; the two take turns in one loop, so both see the same
// machine. Also: the worker's CPU use with a runtime whose capture returns
// at once with nothing, which must not turn the loop into a spin.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "preview/NdiReceiver.h"
#include "testing/ndi_runtime_sim/NdiSimControl.h"

namespace {

using benchfig::CurrentThreadId;
using benchfig::ReadThreadUsage;
using benchfig::ThreadIds;
using benchfig::ThreadUsage;
using Clock = std::chrono::steady_clock;
constexpr auto kFramePeriod = std::chrono::microseconds(16667);  // 60 frames a second
constexpr int kRounds = 3;
constexpr int kFramesPerTurn = 60;
constexpr int kWarmUpFrames = 20;

// --- The runtime's side ---------------------------------------------------------

// A captured BGRA picture in the runtime's own buffer, each row followed by
// `padding` bytes (senders' BGRA rows normally have none). The simulated
// runtime lends it as it is, so it copies nothing of its own.
struct RuntimePicture {
  std::vector<std::uint8_t> bytes;
  NdiSimFrame frame{};

  RuntimePicture(std::int32_t width, std::int32_t height, std::int32_t padding) {
    const std::int32_t stride = width * 4 + padding;
    bytes.resize(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 13);
    frame = {width, height, kNdiFourCCBgra, stride, 0.0f, bytes.data(), bytes.size()};
  }
  std::size_t PackedBytes() const { return std::size_t(frame.width) * std::size_t(frame.height) * 4; }
};

// A receiver running against the simulated runtime, and its worker's id.
class RunningReceiver {
 public:
  explicit RunningReceiver(bool withSource) {
    setenv("NDI_RUNTIME_DIR_V6", NDISIM_RUNTIME_DIR, 1);
    unsetenv("NDI_RUNTIME_DIR_V5");
    unsetenv("ProgramFiles");
    NdiSim_Reset();
    const NdiSimSource source{"KESTRIN - Viewport (Bench)", "127.0.0.1:5961"};
    NdiSim_SetSources(&source, withSource ? 1 : 0);
  }
  ~RunningReceiver() { receiver.Stop(); }

  void Start() {
    const std::set<pid_t> before = ThreadIds();
    if (!receiver.Start()) throw std::runtime_error("the receiver did not start");
    for (pid_t id : ThreadIds()) {
      if (!before.count(id)) worker = id;
    }
    if (worker == 0) throw std::runtime_error("the worker thread was not found");
  }
  void WaitUntilReceiving() {
    benchfig::WaitFor([&] { return receiver.GetSnapshot().status.rfind("Receiving: ", 0) == 0; }, "a connection");
  }

  NdiReceiver receiver;
  pid_t worker = 0;
};

using Turn = benchfig::CpuTurn;

// The runtime offers the picture every frame period; while the worker still
// holds the last one it is skipped, as a runtime drops frames nobody takes.
Turn StreamToWorker(RunningReceiver& running, const RuntimePicture& picture, int periods) {
  const int handedBackBefore = NdiSim_VideoHandedBack();
  int queued = handedBackBefore;
  const ThreadUsage before = ReadThreadUsage(running.worker);
  auto next = Clock::now();
  for (int i = 0; i < periods; ++i) {
    if (NdiSim_VideoHandedBack() == queued) {
      NdiSim_QueueLentVideo(&picture.frame);
      ++queued;
    }
    next += kFramePeriod;
    std::this_thread::sleep_until(next);
  }
  benchfig::WaitFor([&] { return NdiSim_VideoHandedBack() == queued; }, "the last frame");
  const ThreadUsage after = ReadThreadUsage(running.worker);
  return {after.cpuSeconds - before.cpuSeconds, after.pageFaults - before.pageFaults,
          queued - handedBackBefore};
}

// The baseline: the same bytes copied by one memcpy into storage that exists
// already, once per frame period, by a thread that sleeps in between. The
// targets alternate as the worker's do: it never writes into the frame it
// published last.
using Targets = std::vector<std::vector<std::uint8_t>>;
Turn CopyPaced(const RuntimePicture& picture, Targets& targets, int periods) {
  Turn turn;
  std::thread copier([&] {
    const pid_t self = CurrentThreadId();
    const ThreadUsage before = ReadThreadUsage(self);
    auto next = Clock::now();
    for (int i = 0; i < periods; ++i) {
      std::vector<std::uint8_t>& target = targets[static_cast<std::size_t>(i) % targets.size()];
      std::memcpy(target.data(), picture.bytes.data(), target.size());
      benchmark::ClobberMemory();
      next += kFramePeriod;
      std::this_thread::sleep_until(next);
    }
    const ThreadUsage after = ReadThreadUsage(self);
    turn = {after.cpuSeconds - before.cpuSeconds, after.pageFaults - before.pageFaults, periods};
  });
  copier.join();
  return turn;
}

void BM_Intake(benchmark::State& state) {
  const RuntimePicture picture(static_cast<std::int32_t>(state.range(0)),
                               static_cast<std::int32_t>(state.range(1)),
                               static_cast<std::int32_t>(state.range(2)));
  Targets targets(2, std::vector<std::uint8_t>(picture.PackedBytes(), 1));
  RunningReceiver running(true);
  running.Start();
  running.WaitUntilReceiving();
  StreamToWorker(running, picture, kWarmUpFrames);  // the worker's storage exists from here on

  for (auto _ : state) {
    Turn intake, copy;
    for (int round = 0; round < kRounds; ++round) {
      intake += StreamToWorker(running, picture, kFramesPerTurn);
      copy += CopyPaced(picture, targets, kFramesPerTurn);
    }
    benchfig::SetCpuPerFrameCounters(state, intake, copy, "memcpy");
    state.counters["page_faults_per_frame"] = static_cast<double>(intake.pageFaults) / intake.frames;
    state.counters["frames_taken_share"] = static_cast<double>(intake.frames) / (kRounds * kFramesPerTurn);
  }
}

// Nothing connected, and every capture comes back at once with the same
// answer: nothing (0), or an unusable picture (1, UYVY), over and over.
void BM_WorkerWithInstantCapture(benchmark::State& state) {
  const std::int32_t answer = static_cast<std::int32_t>(state.range(0));
  RuntimePicture unusable(64, 32, 0);
  unusable.frame.fourCC = kNdiFourCCUyvy;
  RunningReceiver running(false);
  NdiSim_SetAnswerAtOnce(1, answer, answer == kNdiFrameTypeVideo ? &unusable.frame : nullptr);
  running.Start();
  benchfig::WaitFor([] { return NdiSim_CaptureCount() >= 2; }, "the worker's captures");
  for (auto _ : state) {
    const ThreadUsage before = ReadThreadUsage(running.worker);
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const ThreadUsage after = ReadThreadUsage(running.worker);
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["core_percent"] = 100.0 * (after.cpuSeconds - before.cpuSeconds) / wall;
  }
}

BENCHMARK(BM_Intake)
    ->Args({1920, 1080, 0})
    ->Args({3840, 2160, 0})
    ->Args({7680, 4320, 0})
    ->Args({3840, 2160, 256})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);
BENCHMARK(BM_WorkerWithInstantCapture)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  using benchfig::Counter;
  using benchfig::Results;
  auto intake = [](const char* size, const char* counter) {
    const std::string name = std::string("BM_Intake/") + size + "/iterations:1";
    return [name, counter](const Results& r) { return Counter(r, name, counter); };
  };
  return benchfig::RunAndReport(argc, argv, {
      {"intake 1920x1080 at 60 fps, worker CPU / paced memcpy", "x", NAN, intake("1920/1080/0", "ratio")},
      {"intake 3840x2160 at 60 fps, worker CPU / paced memcpy", "x", 1.15, intake("3840/2160/0", "ratio")},
      {"intake 7680x4320 at 60 fps, worker CPU / paced memcpy", "x", 1.25, intake("7680/4320/0", "ratio")},
      {"intake 3840x2160 with 256 bytes after each row, worker CPU / paced memcpy", "x", NAN,
       intake("3840/2160/256", "ratio")},
      {"intake 1920x1080, worker page faults per frame", "faults", 0.999, intake("1920/1080/0", "page_faults_per_frame")},
      {"intake 3840x2160, worker page faults per frame", "faults", 0.999, intake("3840/2160/0", "page_faults_per_frame")},
      {"intake 7680x4320, worker page faults per frame", "faults", 0.999, intake("7680/4320/0", "page_faults_per_frame")},
      {"intake 7680x4320, share of the 60 frames a second taken", "", NAN, intake("7680/4320/0", "frames_taken_share")},
      {"worker CPU, capture returning at once with nothing", "% of a core", 2.0,
       [](const Results& r) { return Counter(r, "BM_WorkerWithInstantCapture/0/iterations:1", "core_percent"); }},
      {"worker CPU, capture returning at once with an unusable picture", "% of a core", 2.0,
       [](const Results& r) { return Counter(r, "BM_WorkerWithInstantCapture/1/iterations:1", "core_percent"); }},
  });
}
