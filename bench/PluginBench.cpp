// The preview plugin as a host drives it, through plugMain, against the
// simulated NDI runtime, each figure against a baseline in the same run:
//  - a host frame with no new picture against the same draw made with raw GL
//    calls, and the heap allocations such a frame makes on the host's thread;
//  - a host frame with a new 1080p picture against glTexSubImage2D plus the
//    same raw draw;
//  - teardown (code 19) while the worker waits in a capture, against the
//    50 ms capture timeout;
//  - peak resident memory while one instance streams 4K frames for 10 s.
// Every timed host frame ends with glFinish, so the figures hold the whole
// cost of the frame, rasterisation included (Mesa llvmpipe here: software).
#include <GL/glew.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "BenchFigures.h"
#include "preview/PreviewShaders.h"
#include "testing/gl_context/GlContext.h"
#include "testing/ndi_runtime_sim/NdiSimControl.h"
#include "testing/plugin_host/HostFramebuffer.h"
#include "testing/plugin_host/PluginHost.h"

// --- Heap allocations on the host's thread ------------------------------------
// The plugin library is loaded into this program, which exports these, so its
// operator new is this one. Only the thread that asks is counted.

namespace {
thread_local bool t_countAllocations = false;
thread_local std::uint64_t t_allocations = 0;

void* Allocate(std::size_t size) {
  if (t_countAllocations) ++t_allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
}  // namespace

#define BENCH_EXPORT __attribute__((visibility("default")))
BENCH_EXPORT void* operator new(std::size_t size) { return Allocate(size); }
BENCH_EXPORT void* operator new[](std::size_t size) { return Allocate(size); }
BENCH_EXPORT void operator delete(void* p) noexcept { std::free(p); }
BENCH_EXPORT void operator delete[](void* p) noexcept { std::free(p); }
BENCH_EXPORT void operator delete(void* p, std::size_t) noexcept { std::free(p); }
BENCH_EXPORT void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kCaptureTimeoutSeconds = 0.050;
const char* const kSourceName = "KESTRIN - Viewport (Bench)";

// --- The set-up every benchmark shares ------------------------------------------

template <typename Condition>
void WaitFor(Condition condition, const char* what) {
  const auto giveUp = Clock::now() + std::chrono::seconds(30);
  while (!condition()) {
    if (Clock::now() > giveUp) throw std::runtime_error(std::string("timed out waiting for ") + what);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

// The GL context, the plugin library and the simulated runtime listing one
// KESTRIN viewport source. Made once, on first use.
class Environment {
 public:
  static Environment& Get() {
    static Environment environment;
    return environment;
  }

  testhost::PluginLibrary& Library() { return *library; }

 private:
  Environment() {
    setenv("NDI_RUNTIME_DIR_V6", NDISIM_RUNTIME_DIR, 1);
    unsetenv("NDI_RUNTIME_DIR_V5");
    unsetenv("ProgramFiles");
    NdiSim_Reset();
    const NdiSimSource source{kSourceName, "127.0.0.1:5961"};
    NdiSim_SetSources(&source, 1);
    std::string error;
    context = testgl::CreateCurrentContextWithGlew(error);
    if (!context) throw std::runtime_error(error);
    library = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
    if (!library) throw std::runtime_error(error);
  }

  std::unique_ptr<testgl::GlContext> context;
  std::unique_ptr<testhost::PluginLibrary> library;
};

// A BGRA picture the simulated runtime hands over, rows packed.
struct Picture {
  NdiSimFrame frame{};
  std::vector<std::uint8_t> bytes;

  Picture(std::int32_t width, std::int32_t height) : bytes(std::size_t(width) * height * 4) {
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    frame = {width, height, kNdiFourCCBgra, width * 4, 0.0f, bytes.data(), bytes.size()};
  }
  std::size_t Bytes() const { return bytes.size(); }
};

// Hands one picture to the receiver and waits until the worker has
// published it (the record is handed back after publication).
void Deliver(const Picture& picture) {
  const int before = NdiSim_VideoHandedBack();
  NdiSim_QueueVideo(&picture.frame);
  WaitFor([&] { return NdiSim_VideoHandedBack() > before; }, "a frame to be published");
}

// One instance drawing into a host framebuffer of the given size, bound for
// the life of the benchmark as a host binds its layer.
class Layer {
 public:
  Layer(std::uint32_t width, std::uint32_t height) {
    Environment& environment = Environment::Get();  // the context first
    std::string error;
    target = testhost::HostFramebuffer::Create(width, height, error);
    if (!target) throw std::runtime_error(error);
    instance = environment.Library().Instantiate(target->Viewport());
    if (!instance) throw std::runtime_error("code 18 failed");
    target->Bind();
  }
  ~Layer() {
    target->Unbind();
    instance.reset();
  }

  // Code 17 as a host calls it, straight into plugMain.
  void Frame() const {
    ProcessOpenGLRecord record{};
    instance->Call(FF_PROCESS_OPENGL, FFGLValue::FromPointer(&record));
  }
  // Waits until "Connection" says the worker is connected.
  void WaitUntilReceiving() const {
    WaitFor([&] {
      Frame();
      const char* text = instance->GetTextParameter(5);
      return text && std::string(text).rfind("Receiving: ", 0) == 0;
    }, "the receiver to connect");
  }

  std::unique_ptr<testhost::HostFramebuffer> target;
  std::unique_ptr<testhost::PluginInstance> instance;
};

// --- The raw GL baseline: the plugin's own program and draw, by hand -----------

class RawDraw {
 public:
  RawDraw(std::int32_t textureWidth, std::int32_t textureHeight) {
    program = glCreateProgram();
    const GLuint shaders[] = {Compile(GL_VERTEX_SHADER, kPreviewVertexShader),
                              Compile(GL_FRAGMENT_SHADER, kPreviewFragmentShader)};
    for (GLuint shader : shaders) glAttachShader(program, shader);
    glLinkProgram(program);
    for (GLuint shader : shaders) glDeleteShader(shader);
    GLint linked = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) throw std::runtime_error("baseline program did not link");
    imageLocation = glGetUniformLocation(program, "image");
    scaleLocation = glGetUniformLocation(program, "scale");
    flipLocation = glGetUniformLocation(program, "flip");
    liveLocation = glGetUniformLocation(program, "live");

    // Six vertices: position (x, y, z, w) then texture coordinate (u, v).
    const float vertices[] = {-1, -1, 0, 1, 0, 0, 1, -1, 0, 1, 1, 0, 1, 1, 0, 1, 1, 1,
                              -1, -1, 0, 1, 0, 0, 1, 1, 0, 1, 1, 1, -1, 1, 0, 1, 0, 1};
    glGenVertexArrays(1, &vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindVertexArray(vertexArray);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof vertices, vertices, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                          reinterpret_cast<const void*>(4 * sizeof(float)));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);

    Picture picture(textureWidth, textureHeight);
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, picture.bytes.data());
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  ~RawDraw() {
    glDeleteTextures(1, &texture);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteVertexArrays(1, &vertexArray);
    glDeleteProgram(program);
  }

  // Replaces the texture's pixels, as the plugin does for a new frame.
  void Upload(const Picture& picture) const {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, picture.frame.width, picture.frame.height, GL_BGRA,
                    GL_UNSIGNED_BYTE, picture.bytes.data());
    glBindTexture(GL_TEXTURE_2D, 0);
  }

  void Draw() const {
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUseProgram(program);
    glUniform1i(imageLocation, 0);
    glUniform2f(scaleLocation, 1.0f, 1.0f);
    glUniform1i(flipLocation, 0);
    glUniform1i(liveLocation, 1);
    glBindVertexArray(vertexArray);
    glDrawArrays(GL_TRIANGLES, 0, 6);
    glBindVertexArray(0);
    glUseProgram(0);
    glBindTexture(GL_TEXTURE_2D, 0);
  }

 private:
  static GLuint Compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint compiled = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) throw std::runtime_error("baseline shader did not compile");
    return shader;
  }

  GLuint program = 0, vertexArray = 0, vertexBuffer = 0, texture = 0;
  GLint imageLocation = -1, scaleLocation = -1, flipLocation = -1, liveLocation = -1;
};

// Times `body` as one iteration, ending it with glFinish.
template <typename Body>
void TimeFrame(benchmark::State& state, Body body) {
  const auto start = Clock::now();
  body();
  glFinish();
  state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
}

// --- 2. A host frame with no new picture ---------------------------------------

void BM_PluginFrameNoNewPicture(benchmark::State& state) {
  const auto width = static_cast<std::uint32_t>(state.range(0));
  const auto height = static_cast<std::uint32_t>(state.range(1));
  Layer layer(width, height);
  layer.WaitUntilReceiving();
  Picture picture(1920, 1080);
  // The draw stays live for 2 s after a frame arrived; refresh the frame
  // (untimed) well before that, so every timed frame draws the picture.
  auto refreshed = Clock::now() - std::chrono::hours(1);
  std::uint64_t allocations = 0;
  for (auto _ : state) {
    if (Clock::now() - refreshed > std::chrono::seconds(1)) {
      Deliver(picture);
      layer.Frame();  // uploads it
      glFinish();
      refreshed = Clock::now();
    }
    t_allocations = 0;
    t_countAllocations = true;
    TimeFrame(state, [&] { layer.Frame(); });
    t_countAllocations = false;
    allocations += t_allocations;
  }
  state.counters["allocs_per_frame"] =
      static_cast<double>(allocations) / static_cast<double>(std::max<std::int64_t>(1, state.iterations()));
}

void BM_RawFrameNoNewPicture(benchmark::State& state) {
  Layer layer(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
  RawDraw raw(1920, 1080);
  for (auto _ : state) TimeFrame(state, [&] { raw.Draw(); });
}

// --- 3. A host frame with a new 1080p picture -----------------------------------

void BM_PluginFrameNewPicture(benchmark::State& state) {
  Layer layer(1920, 1080);
  layer.WaitUntilReceiving();
  Picture picture(1920, 1080);
  for (auto _ : state) {
    Deliver(picture);  // untimed: the worker's side
    TimeFrame(state, [&] { layer.Frame(); });
  }
}

void BM_RawFrameNewPicture(benchmark::State& state) {
  Layer layer(1920, 1080);
  RawDraw raw(1920, 1080);
  Picture picture(1920, 1080);
  for (auto _ : state) {
    TimeFrame(state, [&] {
      raw.Upload(picture);
      raw.Draw();
    });
  }
}

// --- 4. Teardown while the worker waits in a capture ----------------------------

void BM_TeardownDuringCapture(benchmark::State& state) {
  constexpr int kCycles = 200;
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> phaseUs(0, 50000);
  std::vector<double> seconds;
  for (auto _ : state) {
    for (int cycle = 0; cycle < kCycles; ++cycle) {
      Layer layer(64, 64);
      layer.WaitUntilReceiving();  // the first discovery is behind; the next is a second away
      // No frames are queued, so every capture now waits out its timeout;
      // tear down at a random point of one.
      const int captures = NdiSim_CaptureCount();
      WaitFor([&] { return NdiSim_CaptureCount() > captures; }, "a capture to begin");
      std::this_thread::sleep_for(std::chrono::microseconds(phaseUs(random)));
      const auto start = Clock::now();
      layer.instance->Deinstantiate();
      seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
  }
  std::sort(seconds.begin(), seconds.end());
  auto percentile = [&](double p) {
    return seconds[std::min(seconds.size() - 1, static_cast<std::size_t>(p * seconds.size()))];
  };
  state.counters["p50_ms"] = percentile(0.50) * 1000.0;
  state.counters["p99_ms"] = percentile(0.99) * 1000.0;
  state.counters["max_ms"] = seconds.back() * 1000.0;
}

// --- 5. Peak resident memory while streaming 4K --------------------------------

std::int64_t ProcStatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.rfind(prefix, 0) == 0) return std::atoll(line.c_str() + prefix.size());
  }
  return -1;
}

// Runs `frame` every 16.7 ms for 10 s and answers the peak rise of the
// resident set over what it was at the start, in kilobytes.
template <typename Frame>
std::int64_t PeakRiseKb(Frame frame) {
  glFinish();
  const std::int64_t baselineKb = ProcStatusKb("VmRSS");
  std::ofstream("/proc/self/clear_refs") << "5";  // peak := current
  const auto end = Clock::now() + std::chrono::seconds(10);
  auto next = Clock::now();
  while (Clock::now() < end) {
    frame();
    glFinish();
    next += std::chrono::microseconds(16667);
    std::this_thread::sleep_until(next);
  }
  return ProcStatusKb("VmHWM") - baselineKb;
}

void BM_MemoryStreaming4K(benchmark::State& state) {
  Picture picture(3840, 2160);
  Layer layer(1920, 1080);
  layer.WaitUntilReceiving();
  const double frameKb = static_cast<double>(picture.Bytes()) / 1024.0;
  for (auto _ : state) {
    // The runtime's side: one 4K frame at a time, at most 60 a second, the
    // next queued only once the last was handed back, so the simulated
    // runtime holds at most one frame buffer of its own.
    const int handedBackBefore = NdiSim_VideoHandedBack();
    std::atomic<bool> streaming{true};
    std::thread sender([&] {
      int queued = handedBackBefore;
      while (streaming) {
        if (NdiSim_VideoHandedBack() == queued) {
          NdiSim_QueueVideo(&picture.frame);
          ++queued;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
      }
    });
    const std::int64_t riseKb = PeakRiseKb([&] { layer.Frame(); });
    streaming = false;
    sender.join();
    if (NdiSim_VideoHandedBack() - handedBackBefore < 100) {
      state.SkipWithError("the receiver did not stream");
      break;
    }
    // Less the simulated runtime's own buffer: that frame is the runtime's.
    state.counters["peak_frames"] = static_cast<double>(riseKb) / frameKb - 1.0;
  }
}

// What the GL driver itself needs for a 4K texture that gets a new picture
// every frame: the texture, and whatever the driver keeps for uploads.
void BM_MemoryRawTexture4K(benchmark::State& state) {
  Picture picture(3840, 2160);
  Layer layer(1920, 1080);
  std::unique_ptr<RawDraw> raw;
  for (auto _ : state) {
    const std::int64_t riseKb = PeakRiseKb([&] {
      if (!raw) raw = std::make_unique<RawDraw>(3840, 2160);
      raw->Upload(picture);
      raw->Draw();
    });
    state.counters["peak_frames"] = static_cast<double>(riseKb) / (static_cast<double>(picture.Bytes()) / 1024.0);
  }
}

BENCHMARK(BM_PluginFrameNoNewPicture)->Args({1920, 1080})->Args({64, 64})->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawFrameNoNewPicture)->Args({1920, 1080})->Args({64, 64})->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PluginFrameNewPicture)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawFrameNewPicture)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TeardownDuringCapture)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MemoryStreaming4K)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MemoryRawTexture4K)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  using benchfig::Counter;
  using benchfig::Ratio;
  using benchfig::Results;
  const std::string timeout = "BM_TeardownDuringCapture/iterations:1";
  return benchfig::RunAndReport(argc, argv, {
      {"host frame, no new picture, 1920x1080 layer / raw GL draw", "x", 1.10,
       [](const Results& r) {
         return Ratio(r, "BM_PluginFrameNoNewPicture/1920/1080/manual_time",
                      "BM_RawFrameNoNewPicture/1920/1080/manual_time");
       }},
      {"host frame, no new picture, 64x64 layer / raw GL draw", "x", 1.10,
       [](const Results& r) {
         return Ratio(r, "BM_PluginFrameNoNewPicture/64/64/manual_time",
                      "BM_RawFrameNoNewPicture/64/64/manual_time");
       }},
      {"heap allocations per host frame with no new picture", "allocations", 1.0,
       [](const Results& r) {
         return Counter(r, "BM_PluginFrameNoNewPicture/1920/1080/manual_time", "allocs_per_frame");
       }},
      {"host frame, new 1080p picture / raw glTexSubImage2D + draw", "x", 1.10,
       [](const Results& r) {
         return Ratio(r, "BM_PluginFrameNewPicture/manual_time", "BM_RawFrameNewPicture/manual_time");
       }},
      {"teardown during a capture, p50 / 50 ms timeout", "x", 1.2,
       [timeout](const Results& r) { return Counter(r, timeout, "p50_ms") / (kCaptureTimeoutSeconds * 1000); }},
      {"teardown during a capture, p99 / 50 ms timeout", "x", 1.2,
       [timeout](const Results& r) { return Counter(r, timeout, "p99_ms") / (kCaptureTimeoutSeconds * 1000); }},
      {"peak memory of one instance streaming 4K for 10 s, texture included", "frames", 4.0,
       [](const Results& r) { return Counter(r, "BM_MemoryStreaming4K/iterations:1", "peak_frames"); }},
      {"peak memory of a raw 4K texture updated every frame (the driver's cost)", "frames", NAN,
       [](const Results& r) { return Counter(r, "BM_MemoryRawTexture4K/iterations:1", "peak_frames"); }},
      {"peak memory streaming 4K, less the driver's texture cost: frames held", "frames", 3.0,
       [](const Results& r) {
         return Counter(r, "BM_MemoryStreaming4K/iterations:1", "peak_frames") -
                Counter(r, "BM_MemoryRawTexture4K/iterations:1", "peak_frames");
       }},
  });
}
