// The preview plugin as a host drives it, through plugMain, against the
// simulated NDI runtime, each figure against a baseline in the same run:
//  - a host frame with no new picture, and one with a new 1080p picture,
//    each taking turns with the same work done in raw GL calls (same
//    program, same framing, same upload), and the heap allocations the
//    plugin's frames make on the host's thread;
//  - how old a frame is when a host frame first draws it;
//  - teardown (code 19) while the worker waits in a capture, against the
//    50 ms capture timeout;
//  - peak resident memory while one instance streams 4K frames for 10 s,
//    against a raw texture that gets the same pictures.
// Every timed host frame ends with glFinish, so the figures hold the whole
// cost of the frame, rasterisation included (Mesa llvmpipe here: software).
#include <GL/glew.h>
#include <dlfcn.h>
#include <execinfo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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
// operator new is this one. Only the thread that asks is counted. Mesa's
// llvmpipe compiles shaders with LLVM (C++) inside GL calls, so an
// allocation made with the GL driver on the stack is the driver's, counted
// apart from the plugin's.

namespace {
thread_local bool t_countAllocations = false;
thread_local std::uint64_t t_allocations = 0;
thread_local std::uint64_t t_driverAllocations = 0;

bool CalledFromTheGlDriver() {
  void* frames[64];
  const int count = backtrace(frames, 64);
  for (int i = 0; i < count; ++i) {
    Dl_info info{};
    if (dladdr(frames[i], &info) && info.dli_fname &&
        (std::strstr(info.dli_fname, "_dri.so") || std::strstr(info.dli_fname, "libLLVM"))) {
      return true;
    }
  }
  return false;
}

void* Allocate(std::size_t size) {
  if (t_countAllocations) {
    t_countAllocations = false;  // the stack walk may allocate itself
    ++(CalledFromTheGlDriver() ? t_driverAllocations : t_allocations);
    t_countAllocations = true;
  }
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
    CalledFromTheGlDriver();  // the first stack walk loads the unwinder: not in a counted frame
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
// published it (the record is handed back after publication). The runtime
// lends the picture's own bytes, as a runtime hands out its buffer.
void Deliver(const Picture& picture) {
  const int before = NdiSim_VideoHandedBack();
  NdiSim_QueueLentVideo(&picture.frame);
  benchfig::WaitFor([&] { return NdiSim_VideoHandedBack() > before; }, "a frame to be published");
}

// The scale the plugin's Fit framing gives a picture of `aspect` in a layer.
void FitScale(float aspect, std::uint32_t width, std::uint32_t height, float& x, float& y) {
  const float r = aspect / (static_cast<float>(width) / static_cast<float>(height));
  x = r > 1.0f ? 1.0f : 1.0f / r;
  y = r > 1.0f ? r : 1.0f;
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
    benchfig::WaitFor([&] {
      Frame();
      const char* text = instance->GetTextParameter(5);
      return text && std::string(text).rfind("Receiving: ", 0) == 0;
    }, "the receiver to connect");
  }

  std::unique_ptr<testhost::HostFramebuffer> target;
  std::unique_ptr<testhost::PluginInstance> instance;
};

// --- The raw GL baseline: the plugin's own program and draw, by hand -----------

// Its texture is allocated without data, as the plugin's would be if it had
// no picture to hand: no temporary picture counts against its memory.
class RawDraw {
 public:
  RawDraw(std::int32_t textureWidth, std::int32_t textureHeight, float scaleX = 1.0f, float scaleY = 1.0f)
      : scaleX(scaleX), scaleY(scaleY) {
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

    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, textureWidth, textureHeight, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
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
    glUniform2f(scaleLocation, scaleX, scaleY);
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

  float scaleX, scaleY;
  GLuint program = 0, vertexArray = 0, vertexBuffer = 0, texture = 0;
  GLint imageLocation = -1, scaleLocation = -1, flipLocation = -1, liveLocation = -1;
};

// Seconds of one host frame, ending it with glFinish.
template <typename Body>
double TimeFrame(Body body) {
  const auto start = Clock::now();
  body();
  glFinish();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The plugin's frame and the raw one take turns, each going first every
// other time, so both see the same load on the machine. Counts the heap
// allocations of the plugin's frames on this thread. The first turns are
// neither timed nor counted: in them the GL driver builds its variants of
// both programs for the state they draw with (on llvmpipe an LLVM compile,
// tens of thousands of allocations, unless Mesa's shader disk cache has it).
struct Turns {
  static constexpr int kWarmUpTurns = 10;
  double pluginSeconds = 0.0, rawSeconds = 0.0;
  std::uint64_t allocations = 0, driverAllocations = 0;
  int warmUps = 0;
  int pairs = 0;

  template <typename Plugin, typename Raw>
  void Take(Plugin plugin, Raw raw) {
    if (warmUps < kWarmUpTurns) {
      ++warmUps;
      TimeFrame(plugin);
      TimeFrame(raw);
      return;
    }
    auto timedPlugin = [&] {
      t_allocations = t_driverAllocations = 0;
      t_countAllocations = true;
      pluginSeconds += TimeFrame(plugin);
      t_countAllocations = false;
      allocations += t_allocations;
      driverAllocations += t_driverAllocations;
    };
    if (pairs++ % 2 == 0) {
      timedPlugin();
      rawSeconds += TimeFrame(raw);
    } else {
      rawSeconds += TimeFrame(raw);
      timedPlugin();
    }
  }
  void Report(benchmark::State& state) const {
    state.counters["plugin_us"] = pluginSeconds * 1e6 / pairs;
    state.counters["raw_us"] = rawSeconds * 1e6 / pairs;
    state.counters["ratio"] = pluginSeconds / rawSeconds;
    state.counters["allocs_per_frame"] = static_cast<double>(allocations) / pairs;
    state.counters["driver_allocs_per_frame"] = static_cast<double>(driverAllocations) / pairs;
  }
};

constexpr auto kTurnsFor = std::chrono::seconds(3);

// --- 2. A host frame with no new picture ---------------------------------------

void BM_HostFrameNoNewPicture(benchmark::State& state) {
  const auto width = static_cast<std::uint32_t>(state.range(0));
  const auto height = static_cast<std::uint32_t>(state.range(1));
  Layer layer(width, height);
  layer.WaitUntilReceiving();
  Picture picture(1920, 1080);
  float scaleX = 1.0f, scaleY = 1.0f;
  FitScale(1920.0f / 1080.0f, width, height, scaleX, scaleY);
  RawDraw raw(1920, 1080, scaleX, scaleY);
  for (auto _ : state) {
    Turns turns;
    // The draw stays live for 2 s after a frame arrived; refresh the frame
    // (untimed) well before that, so every timed frame draws the picture.
    auto refreshed = Clock::now() - std::chrono::hours(1);
    for (const auto end = Clock::now() + kTurnsFor; Clock::now() < end;) {
      if (Clock::now() - refreshed > std::chrono::seconds(1)) {
        Deliver(picture);
        layer.Frame();  // uploads it
        glFinish();
        refreshed = Clock::now();
      }
      turns.Take([&] { layer.Frame(); }, [&] { raw.Draw(); });
    }
    turns.Report(state);
  }
}

// --- 3. A host frame with a new 1080p picture -----------------------------------

void BM_HostFrameNewPicture(benchmark::State& state) {
  Layer layer(1920, 1080);
  layer.WaitUntilReceiving();
  Picture picture(1920, 1080);
  RawDraw raw(1920, 1080);
  for (auto _ : state) {
    Turns turns;
    for (const auto end = Clock::now() + kTurnsFor; Clock::now() < end;) {
      Deliver(picture);  // untimed: the worker's side
      turns.Take([&] { layer.Frame(); }, [&] {
        raw.Upload(picture);
        raw.Draw();
      });
    }
    turns.Report(state);
  }
}

// --- How old a frame is when it is first drawn ---------------------------------

// Each picture carries its number in a block at its top left corner; the
// host reads the number back from what the layer shows after every frame.
constexpr int kStampSide = 16;

void Stamp(Picture& picture, std::uint32_t number) {
  for (int y = 0; y < kStampSide; ++y) {
    std::uint8_t* row = picture.bytes.data() + std::size_t(y) * picture.frame.lineStride;
    for (int x = 0; x < kStampSide; ++x) {
      row[x * 4 + 0] = static_cast<std::uint8_t>(number);        // blue
      row[x * 4 + 1] = static_cast<std::uint8_t>(number >> 8);   // green
      row[x * 4 + 2] = static_cast<std::uint8_t>(number >> 16);  // red
    }
  }
}

void BM_FrameAge(benchmark::State& state) {
  constexpr int kFrames = 300;  // 5 s at 60 fps
  constexpr auto kPeriod = std::chrono::microseconds(16667);
  Layer layer(1920, 1080);
  layer.WaitUntilReceiving();
  Picture picture(1920, 1080);
  std::vector<std::atomic<std::int64_t>> queuedNs(kFrames + 1);
  std::vector<double> agesMs;
  for (auto _ : state) {
    // The runtime's side: a new picture every period, as a sender at 60 fps.
    const int handedBackBefore = NdiSim_VideoHandedBack();
    std::thread sender([&] {
      auto next = Clock::now();
      for (int number = 1; number <= kFrames; ++number) {
        // The bytes are lent: change them only once the last picture is back.
        const int previous = handedBackBefore + number - 1;
        benchfig::WaitFor([&] { return NdiSim_VideoHandedBack() == previous; }, "the previous picture");
        Stamp(picture, static_cast<std::uint32_t>(number));
        queuedNs[number] = Clock::now().time_since_epoch().count();
        NdiSim_QueueLentVideo(&picture.frame);
        next += kPeriod;
        std::this_thread::sleep_until(next);
      }
    });
    // The host's side: a frame every period, reading the number shown.
    std::uint32_t shown = 0;
    auto next = Clock::now() + kPeriod / 2;
    const auto end = Clock::now() + kPeriod * (kFrames + 6);
    while (Clock::now() < end) {
      layer.Frame();
      std::uint8_t rgba[4] = {0, 0, 0, 0};
      glReadPixels(kStampSide / 2, static_cast<GLint>(layer.target->Height()) - 1 - kStampSide / 2, 1, 1,
                   GL_RGBA, GL_UNSIGNED_BYTE, rgba);
      const std::uint32_t number = rgba[2] | (rgba[1] << 8) | (std::uint32_t(rgba[0]) << 16);
      if (number != shown && number >= 1 && number <= std::uint32_t{kFrames}) {
        shown = number;
        agesMs.push_back((Clock::now().time_since_epoch().count() - queuedNs[number]) / 1e6);
      }
      next += kPeriod;
      std::this_thread::sleep_until(next);
    }
    sender.join();
  }
  if (agesMs.size() < kFrames / 2) {
    state.SkipWithError("too few frames were drawn");
    return;
  }
  std::sort(agesMs.begin(), agesMs.end());
  state.counters["p50_ms"] = agesMs[agesMs.size() / 2];
  state.counters["p99_ms"] = agesMs[std::min(agesMs.size() - 1, agesMs.size() * 99 / 100)];
  state.counters["frames_drawn"] = static_cast<double>(agesMs.size());
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
      benchfig::WaitFor([&] { return NdiSim_CaptureCount() > captures; }, "a capture to begin");
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
    // next offered only once the last was handed back. The runtime lends the
    // picture made before the measurement, so it holds no memory of its own.
    const int handedBackBefore = NdiSim_VideoHandedBack();
    std::atomic<bool> streaming{true};
    std::thread sender([&] {
      int queued = handedBackBefore;
      while (streaming) {
        if (NdiSim_VideoHandedBack() == queued) {
          NdiSim_QueueLentVideo(&picture.frame);
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
    state.counters["peak_frames"] = static_cast<double>(riseKb) / frameKb;
  }
}

// What the GL driver itself needs for a 4K texture that gets a new picture
// every frame: the texture, made inside the measurement without data, and
// whatever the driver keeps for uploads. The picture exists beforehand.
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

BENCHMARK(BM_HostFrameNoNewPicture)->Args({1920, 1080})->Args({64, 64})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_HostFrameNewPicture)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_FrameAge)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_TeardownDuringCapture)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MemoryStreaming4K)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MemoryRawTexture4K)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  using benchfig::Counter;
  using benchfig::Results;
  auto counter = [](const std::string& name, const char* what) {
    return [name, what](const Results& r) { return Counter(r, name + "/iterations:1", what); };
  };
  const std::string noNew1080 = "BM_HostFrameNoNewPicture/1920/1080";
  const std::string noNew64 = "BM_HostFrameNoNewPicture/64/64";
  const std::string newPicture = "BM_HostFrameNewPicture";
  const std::string teardown = "BM_TeardownDuringCapture/iterations:1";
  const std::string plugin4K = "BM_MemoryStreaming4K/iterations:1";
  const std::string raw4K = "BM_MemoryRawTexture4K/iterations:1";
  return benchfig::RunAndReport(argc, argv, {
      {"host frame, no new picture, 1920x1080 layer / raw GL, taking turns", "x", 1.10,
       counter(noNew1080, "ratio")},
      {"host frame, no new picture, 64x64 layer / raw GL, taking turns", "x", 1.10, counter(noNew64, "ratio")},
      {"host frame, new 1080p picture / raw glTexSubImage2D + draw, taking turns", "x", 1.10,
       counter(newPicture, "ratio")},
      {"heap allocations per host frame, no new picture", "allocations", 0.0, counter(noNew1080, "allocs_per_frame")},
      {"heap allocations per host frame, new 1080p picture", "allocations", 0.0,
       counter(newPicture, "allocs_per_frame")},
      {"GL driver's own C++ allocations inside those frames, new 1080p picture", "allocations", NAN,
       counter(newPicture, "driver_allocs_per_frame")},
      {"frame age at 1080p 60 fps, handed over to first drawn, p50", "ms", NAN,
       counter("BM_FrameAge", "p50_ms")},
      {"frame age at 1080p 60 fps, handed over to first drawn, p99", "ms", NAN,
       counter("BM_FrameAge", "p99_ms")},
      {"teardown during a capture, p50 / 50 ms timeout", "x", 1.2,
       [teardown](const Results& r) { return Counter(r, teardown, "p50_ms") / (kCaptureTimeoutSeconds * 1000); }},
      {"teardown during a capture, p99 / 50 ms timeout", "x", 1.2,
       [teardown](const Results& r) { return Counter(r, teardown, "p99_ms") / (kCaptureTimeoutSeconds * 1000); }},
      {"peak memory of one instance streaming 4K for 10 s, texture included", "frames", NAN,
       [plugin4K](const Results& r) { return Counter(r, plugin4K, "peak_frames"); }},
      {"peak memory of a raw 4K texture made without data, updated every frame", "frames", NAN,
       [raw4K](const Results& r) { return Counter(r, raw4K, "peak_frames"); }},
      {"peak memory streaming 4K, frames beyond the raw texture", "frames", 2.5,
       [plugin4K, raw4K](const Results& r) {
         return Counter(r, plugin4K, "peak_frames") - Counter(r, raw4K, "peak_frames");
       }},
  });
}
