// The preview plugin as a host drives it, through plugMain, against the
// simulated NDI runtime, each figure against a baseline in the same run:
//  - a host frame with no new picture, and one with a new 1080p picture,
//    each taking turns with the same work done in raw GL calls (same
//    program, same framing, same upload), and the heap allocations the
//    plugin's frames make on the host's thread;
//  - the worker's intake of 4K pictures at 60 a second while a host draws
//    each new one into its layer at 60 Hz, against a thread that copies the
//    same rows while the same host uploads them in raw GL;
//  - how long each picture waited in the runtime before the worker took
//    it, with a host whose upload is slower than a source frame (5K);
//  - how old a frame is when a host frame first draws it;
//  - teardown (code 19) while the worker waits in a capture, against the
//    50 ms capture timeout;
//  - peak resident memory while one instance streams 1080p or 4K frames
//    for 10 s, against a raw texture that gets the same pictures.
// Every timed host frame ends with glFinish, so the figures hold the whole
// cost of the frame, rasterisation included (Mesa llvmpipe here: software).
#include <GL/glew.h>
#include <dlfcn.h>
#include <execinfo.h>
#include <malloc.h>
#include <unistd.h>

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
#include <mutex>
#include <new>
#include <random>
#include <set>
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
constexpr auto kSourcePeriod = std::chrono::microseconds(16667);  // 60 frames a second
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

  // A fresh simulated runtime listing the source: its logs start empty.
  // Only while no instance exists.
  static void ResetRuntime() {
    NdiSim_Reset();
    const NdiSimSource source{kSourceName, "127.0.0.1:5961"};
    NdiSim_SetSources(&source, 1);
  }

 private:
  Environment() {
    CalledFromTheGlDriver();  // the first stack walk loads the unwinder: not in a counted frame
    setenv("NDI_RUNTIME_DIR_V6", NDISIM_RUNTIME_DIR, 1);
    unsetenv("NDI_RUNTIME_DIR_V5");
    unsetenv("ProgramFiles");
    ResetRuntime();
    std::string error;
    context = testgl::CreateCurrentContextWithGlew(error);
    if (!context) throw std::runtime_error(error);
    library = testhost::PluginLibrary::Load(KESTRIN_PREVIEW_PATH, error);
    if (!library) throw std::runtime_error(error);
  }

  std::unique_ptr<testgl::GlContext> context;
  std::unique_ptr<testhost::PluginLibrary> library;
};

// A BGRA picture the simulated runtime hands over, each row followed by
// `padding` bytes.
struct Picture {
  NdiSimFrame frame{};
  std::vector<std::uint8_t> bytes;

  Picture(std::int32_t width, std::int32_t height, std::int32_t padding = 0)
      : bytes(std::size_t(width * 4 + padding) * height) {
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    frame = {width, height, kNdiFourCCBgra, width * 4 + padding, 0.0f, bytes.data(), bytes.size()};
  }
  // The packed picture's size.
  std::size_t Bytes() const { return std::size_t(frame.width) * std::size_t(frame.height) * 4; }
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
    Upload(picture.frame.width, picture.frame.height, picture.bytes.data());
  }
  void Upload(std::int32_t width, std::int32_t height, const std::uint8_t* packed) const {
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, packed);
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

// --- Intake while a host draws 4K at 60 Hz --------------------------------------

// The receiver's worker among the threads that appeared with an instance:
// it keeps the program's name, which the GL driver's threads do not.
pid_t FindWorker(const std::set<pid_t>& before) {
  const std::string programName = benchfig::ThreadName(getpid());
  std::vector<pid_t> found;
  for (pid_t id : benchfig::ThreadIds()) {
    if (!before.count(id) && benchfig::ThreadName(id) == programName) found.push_back(id);
  }
  if (found.size() != 1) throw std::runtime_error("the worker thread was not found");
  return found.front();
}

// A host drawing every source period until `end`, each frame finished with
// glFinish; a frame slower than the period is followed at once by the next.
template <typename Frame>
void HostDrawsUntil(Clock::time_point end, Frame frame, std::vector<double>* frameMs = nullptr) {
  auto next = Clock::now();
  while (Clock::now() < end) {
    const double seconds = TimeFrame(frame);
    if (frameMs) frameMs->push_back(seconds * 1000.0);
    next = std::max(next + kSourcePeriod, Clock::now());
    std::this_thread::sleep_until(next);
  }
}

// Calls `offer` once every source period, `periods` times, as a sender's
// frames reach the runtime.
template <typename Offer>
void EverySourcePeriod(int periods, Offer offer) {
  auto next = Clock::now();
  for (int i = 0; i < periods; ++i) {
    offer();
    next += kSourcePeriod;
    std::this_thread::sleep_until(next);
  }
}

// The baseline's pictures pass from the copying thread to the host through
// three packed buffers, as the worker's frames do: the newest, the one the
// host uploads from, and the one being filled. The lock guards the indexes.
class ThreeBuffers {
 public:
  explicit ThreeBuffers(std::size_t bytes) {
    for (auto& buffer : buffers) buffer.assign(bytes, 1);  // touched: no page faults later
  }
  // The copying thread: a buffer neither newest nor uploaded from.
  std::uint8_t* BeginFill() {
    std::lock_guard<std::mutex> lock(mutex);
    filling = 0;
    while (filling == newest || filling == uploading) ++filling;
    return buffers[filling].data();
  }
  void EndFill() {
    std::lock_guard<std::mutex> lock(mutex);
    newest = filling;
    ++generation;
  }
  // The host: the newest buffer when it is new since the last call, else null.
  const std::uint8_t* BeginUpload() {
    std::lock_guard<std::mutex> lock(mutex);
    if (generation == uploaded) return nullptr;
    uploaded = generation;
    uploading = newest;
    return buffers[uploading].data();
  }
  void EndUpload() {
    std::lock_guard<std::mutex> lock(mutex);
    uploading = -1;
  }

 private:
  std::vector<std::uint8_t> buffers[3];
  std::mutex mutex;
  int newest = -1, uploading = -1, filling = 0;
  std::uint64_t generation = 0, uploaded = 0;
};

using IntakeTurn = benchfig::CpuTurn;

// The plugin's turn: the runtime queues the picture every period (as a
// runtime queues what is not taken yet) while the host draws the layer
// through plugMain; the worker's CPU time over the frames it took.
IntakeTurn PluginIntakeTurn(const Layer& layer, pid_t worker, const Picture& picture, int periods,
                            std::vector<double>* hostFrameMs) {
  const int handedBack = NdiSim_VideoHandedBack();
  const benchfig::ThreadUsage before = benchfig::ReadThreadUsage(worker);
  const auto end = Clock::now() + periods * kSourcePeriod;
  std::thread source([&] { EverySourcePeriod(periods, [&] { NdiSim_QueueLentVideo(&picture.frame); }); });
  HostDrawsUntil(end, [&] { layer.Frame(); }, hostFrameMs);
  source.join();
  benchfig::WaitFor([&] { return NdiSim_VideoHandedBack() == handedBack + periods; }, "the last picture");
  return {benchfig::ReadThreadUsage(worker).cpuSeconds - before.cpuSeconds, 0, periods};
}

// The baseline's turn: a thread copies the same rows into a packed buffer
// every period while the host uploads each new one into a raw texture and
// draws it into the same layer; the copying thread's CPU time.
IntakeTurn CopyIntakeTurn(const RawDraw& raw, ThreeBuffers& buffers, const Picture& picture, int periods) {
  const NdiSimFrame& frame = picture.frame;
  const std::size_t rowBytes = std::size_t(frame.width) * 4;
  IntakeTurn turn;
  const auto end = Clock::now() + periods * kSourcePeriod;
  std::thread copier([&] {
    const pid_t self = benchfig::CurrentThreadId();
    const double before = benchfig::ReadThreadUsage(self).cpuSeconds;
    EverySourcePeriod(periods, [&] {
      std::uint8_t* target = buffers.BeginFill();
      const std::uint8_t* row = picture.bytes.data();
      for (std::int32_t y = 0; y < frame.height; ++y, row += frame.lineStride) {
        std::memcpy(target + y * rowBytes, row, rowBytes);
      }
      benchmark::ClobberMemory();
      buffers.EndFill();
    });
    turn = {benchfig::ReadThreadUsage(self).cpuSeconds - before, 0, periods};
  });
  HostDrawsUntil(end, [&] {
    if (const std::uint8_t* newest = buffers.BeginUpload()) {
      raw.Upload(frame.width, frame.height, newest);
      buffers.EndUpload();
    }
    raw.Draw();
  });
  copier.join();
  return turn;
}

void BM_IntakeWithHost4K(benchmark::State& state) {
  constexpr int kRounds = 3, kPeriodsPerTurn = 60, kWarmUpPeriods = 20;
  const Picture picture(3840, 2160, 256);
  Environment::Get();  // the GL driver's threads are there before the count
  const std::set<pid_t> threads = benchfig::ThreadIds();
  Layer layer(1920, 1080);
  const pid_t worker = FindWorker(threads);
  layer.WaitUntilReceiving();
  RawDraw raw(3840, 2160);
  ThreeBuffers buffers(picture.Bytes());
  PluginIntakeTurn(layer, worker, picture, kWarmUpPeriods, nullptr);  // the worker's storage exists
  CopyIntakeTurn(raw, buffers, picture, kWarmUpPeriods);

  for (auto _ : state) {
    IntakeTurn intake, copy;
    std::vector<double> hostFrameMs;
    for (int round = 0; round < kRounds; ++round) {
      intake += PluginIntakeTurn(layer, worker, picture, kPeriodsPerTurn, &hostFrameMs);
      copy += CopyIntakeTurn(raw, buffers, picture, kPeriodsPerTurn);
    }
    benchfig::SetCpuPerFrameCounters(state, intake, copy, "copy");
    state.counters["host_frame_p50_ms"] = benchfig::Percentile(hostFrameMs, 0.50);
  }
}

// How long each picture waited in the runtime before a capture took it, for
// the last `count` pictures taken.
std::vector<double> LastQueueWaitsMs(std::size_t count) {
  std::vector<double> waitsMs;
  for (int i = NdiSim_CaptureCount() - 1; i >= 0 && waitsMs.size() < count; --i) {
    const std::int64_t queuedNs = NdiSim_Capture(i).queuedNs;
    if (queuedNs >= 0) waitsMs.push_back(static_cast<double>(queuedNs) / 1e6);
  }
  return waitsMs;
}

// A 5K picture at 60 a second, with a host whose upload of it is slower
// than a source frame, so that the host still holds the frame it uploads
// when the next pictures come. The runtime queues every picture until it
// is taken; how long each waited there.
void BM_CapturePromptness(benchmark::State& state) {
  constexpr int kPictures = 300, kWarmUpPictures = 20;
  Environment::Get();
  Environment::ResetRuntime();  // the capture log starts empty
  const Picture picture(5120, 2880);
  Layer layer(1920, 1080);
  layer.WaitUntilReceiving();
  const auto stream = [&](int pictures, std::vector<double>* hostFrameMs) {
    const int handedBack = NdiSim_VideoHandedBack();
    const auto end = Clock::now() + pictures * kSourcePeriod;
    std::thread source([&] { EverySourcePeriod(pictures, [&] { NdiSim_QueueLentVideo(&picture.frame); }); });
    HostDrawsUntil(end, [&] { layer.Frame(); }, hostFrameMs);
    source.join();
    benchfig::WaitFor([&] { return NdiSim_VideoHandedBack() == handedBack + pictures; }, "the last picture");
  };
  stream(kWarmUpPictures, nullptr);  // the worker's storage exists
  for (auto _ : state) {
    std::vector<double> hostFrameMs;
    stream(kPictures, &hostFrameMs);
    std::vector<double> waitsMs = LastQueueWaitsMs(kPictures);
    if (waitsMs.size() != std::size_t{kPictures}) {
      state.SkipWithError("not every picture's capture was logged");
      return;
    }
    state.counters["host_frame_p50_ms"] = benchfig::Percentile(hostFrameMs, 0.50);
    state.counters["taken_p50_ms"] = benchfig::Percentile(waitsMs, 0.50);
    state.counters["taken_p99_ms"] = benchfig::Percentile(waitsMs, 0.99);
    state.counters["taken_max_ms"] = benchfig::Percentile(waitsMs, 1.0);
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
  constexpr auto kPeriod = kSourcePeriod;
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

// --- 5. Peak resident memory while streaming --------------------------------

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
  malloc_trim(0);  // freed small memory, too, is not resident beforehand
  const std::int64_t baselineKb = ProcStatusKb("VmRSS");
  std::ofstream("/proc/self/clear_refs") << "5";  // peak := current
  const auto end = Clock::now() + std::chrono::seconds(10);
  auto next = Clock::now();
  while (Clock::now() < end) {
    frame();
    glFinish();
    next += kSourcePeriod;
    std::this_thread::sleep_until(next);
  }
  return ProcStatusKb("VmHWM") - baselineKb;
}

void BM_MemoryStreaming(benchmark::State& state) {
  Picture picture(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1)));
  Layer layer(1920, 1080);
  layer.WaitUntilReceiving();
  const double frameKb = static_cast<double>(picture.Bytes()) / 1024.0;
  for (auto _ : state) {
    // The runtime's side: one frame at a time, at most 60 a second, the
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
        std::this_thread::sleep_for(kSourcePeriod);
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

// What the GL driver itself needs for a texture that gets a new picture
// every frame: the texture, made inside the measurement without data, and
// whatever the driver keeps for uploads. The picture exists beforehand.
void BM_MemoryRawTexture(benchmark::State& state) {
  Picture picture(static_cast<std::int32_t>(state.range(0)), static_cast<std::int32_t>(state.range(1)));
  Layer layer(1920, 1080);
  std::unique_ptr<RawDraw> raw;
  for (auto _ : state) {
    const std::int64_t riseKb = PeakRiseKb([&] {
      if (!raw) raw = std::make_unique<RawDraw>(picture.frame.width, picture.frame.height);
      raw->Upload(picture);
      raw->Draw();
    });
    state.counters["peak_frames"] = static_cast<double>(riseKb) / (static_cast<double>(picture.Bytes()) / 1024.0);
  }
}

BENCHMARK(BM_HostFrameNoNewPicture)->Args({1920, 1080})->Args({64, 64})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_HostFrameNewPicture)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_IntakeWithHost4K)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_CapturePromptness)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_FrameAge)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_TeardownDuringCapture)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MemoryStreaming)->Args({1920, 1080})->Args({3840, 2160})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(BM_MemoryRawTexture)->Args({1920, 1080})->Args({3840, 2160})->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  // Every buffer of a mebibyte or more is mapped afresh and unmapped when
  // freed, rather than carved from memory an earlier benchmark freed and
  // left resident, which would hide it from a later one's peak.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  using benchfig::Counter;
  using benchfig::Results;
  auto counter = [](const std::string& name, const char* what) {
    return [name, what](const Results& r) { return Counter(r, name + "/iterations:1", what); };
  };
  const std::string noNew1080 = "BM_HostFrameNoNewPicture/1920/1080";
  const std::string noNew64 = "BM_HostFrameNoNewPicture/64/64";
  const std::string newPicture = "BM_HostFrameNewPicture";
  const std::string teardown = "BM_TeardownDuringCapture/iterations:1";
  const std::string intake = "BM_IntakeWithHost4K";
  auto beyondRaw = [](const std::string& size) {
    const std::string plugin = "BM_MemoryStreaming/" + size + "/iterations:1";
    const std::string raw = "BM_MemoryRawTexture/" + size + "/iterations:1";
    return [plugin, raw](const Results& r) {
      return Counter(r, plugin, "peak_frames") - Counter(r, raw, "peak_frames");
    };
  };
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
      {"intake 3840x2160 (256 bytes after each row) with a host drawing it at 60 Hz, worker CPU / paced copy",
       "x", 1.15, counter(intake, "ratio")},
      {"  that host's frame with a new 4K picture, p50 / source frame period", "x", NAN,
       [intake](const Results& r) {
         return Counter(r, intake + "/iterations:1", "host_frame_p50_ms") / (kSourcePeriod.count() / 1000.0);
       }},
      {"5K at 60 fps, a host's frame with a new picture, p50 / source frame period", "x", NAN,
       [](const Results& r) {
         return Counter(r, "BM_CapturePromptness/iterations:1", "host_frame_p50_ms") /
                (kSourcePeriod.count() / 1000.0);
       }},
      {"  from the runtime having a picture to the worker taking it, p50", "ms", NAN,
       counter("BM_CapturePromptness", "taken_p50_ms")},
      {"  from the runtime having a picture to the worker taking it, p99", "ms", 5.0,
       counter("BM_CapturePromptness", "taken_p99_ms")},
      {"peak memory streaming 1080p for 10 s, frames beyond a raw texture made without data", "frames", 2.5,
       beyondRaw("1920/1080")},
      {"peak memory streaming 4K for 10 s, frames beyond a raw texture made without data", "frames", 3.1,
       beyondRaw("3840/2160")},
  });
}
