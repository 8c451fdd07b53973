// The state library of the simulated NDI runtime: what the runtime answers,
// what it was asked, and the runtime's behaviour behind each used slot. One
// mutex guards it all; captures wait on a condition variable, so a capture
// honours its timeout and wakes as soon as something is queued or released.
#include <chrono>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "testing/ndi_runtime_sim/DemoPattern.h"
#include "testing/ndi_runtime_sim/NdiSimControl.h"
#include "testing/ndi_runtime_sim/NdiSimRuntimeCalls.h"

namespace {

using Clock = std::chrono::steady_clock;
using OptionalText = std::optional<std::string>;

constexpr int kDemoWidth = 640;
constexpr int kDemoHeight = 360;
constexpr auto kDemoFrameInterval = std::chrono::microseconds(33333);
constexpr std::size_t kMaxKeptCaptures = 4096;

const char* TextOrNull(const OptionalText& text) { return text ? text->c_str() : nullptr; }
OptionalText CopyText(const char* text) { return text ? OptionalText(text) : std::nullopt; }

struct Source {
  OptionalText name;
  OptionalText url;
};

// One reported source array and the texts its records point at.
struct Listing {
  std::vector<Source> sources;
  std::vector<NdiSourceRecord> records;
};

// A finder reports each array in storage of its own. The runtime promises an
// array only until the next query; the replaced ones are kept (unreported)
// so that no later array can take their addresses, and a connect with a
// record from one of them shows as misuse instead of passing for a record of
// the current array.
struct Finder {
  Listing current;
  std::vector<Listing> replaced;
};

struct Receiver {
  bool onDemo = false;
};

// One scripted capture.
struct QueuedCapture {
  std::int32_t result = 0;
  bool fillsFrame = false;
  bool lent = false;  // the record points at the caller's bytes
  NdiSimFrame frame{};
  Clock::time_point queuedAt;
  std::vector<std::uint8_t> pixels;
};

// Holds callers inside the runtime while closed.
struct Gate {
  bool closed = false;
  int waiting = 0;
};

struct State {
  // Script.
  std::vector<Source> sources;
  std::deque<QueuedCapture> queue;
  bool ready = true;
  bool loadReturnsNull = false;
  bool finderCreateFails = false;
  bool receiverCreateFails = false;
  bool nullSourceList = false;
  std::uint32_t nullSourceListCount = 0;
  Gate captureGate;
  Gate readyGate;
  bool answersAtOnce = false;  // with nothing queued, `atOnce` at once
  QueuedCapture atOnce;
  bool demo = false;
  Clock::time_point demoStart;
  Clock::time_point nextDemoFrame;

  // Handles and buffers the runtime has handed out.
  std::map<void*, std::unique_ptr<Finder>> finders;
  std::map<void*, std::unique_ptr<Receiver>> receivers;
  std::map<const std::uint8_t*, std::vector<std::uint8_t>> videoBuffers;
  std::map<const std::uint8_t*, int> lentBuffers;  // records out per lent buffer
  int nullVideoOutstanding = 0;

  // Read-back.
  int loadCount = 0;
  int unloadCount = 0;
  std::string lastLoadedPath;
  int loadExportCalls = 0;
  int readyCalls = 0;
  int sourceListCalls = 0;
  int captureCount = 0;
  int videoHandedOut = 0;
  int videoHandedBack = 0;
  std::deque<std::string> events;
  std::deque<std::string> misuse;
  std::vector<int> badSlots;
  std::deque<OptionalText> keptTexts;  // stable addresses for the copies below
  std::vector<NdiSimReceiverCreation> creations;
  std::vector<NdiSimConnect> connects;
  std::vector<NdiSimCapture> captures;
};

platform::Mutex gMutex;
platform::ConditionVariable gChanged;
State gState;

const char* Keep(const OptionalText& text) {
  gState.keptTexts.push_back(text);
  return TextOrNull(gState.keptTexts.back());
}

// Waits while the gate is closed; gMutex is held by `lock`. A reset opens
// every gate.
void PassGate(platform::MutexLock& lock, Gate State::*gate) {
  while ((gState.*gate).closed) {
    ++(gState.*gate).waiting;
    gChanged.Wait(lock);
    --(gState.*gate).waiting;
  }
}

void SetGate(Gate State::*gate, int closed) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  (gState.*gate).closed = closed != 0;
  gChanged.NotifyAll();
}

int WaitingAt(Gate State::*gate) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  return (gState.*gate).waiting;
}

void Misuse(std::string what) { gState.misuse.push_back(std::move(what)); }

std::vector<Source> ListedSources() {
  std::vector<Source> listed = gState.sources;
  if (gState.demo) listed.push_back({NDISIM_DEMO_SOURCE_NAME, "127.0.0.1:5961"});
  return listed;
}

Receiver* FindReceiver(void* handle, const char* call) {
  auto it = gState.receivers.find(handle);
  if (it != gState.receivers.end()) return it->second.get();
  Misuse(std::string(call) + " with an unknown receiver");
  return nullptr;
}

void HandOut(NdiVideoFrameRecord& video, const std::uint8_t* data) {
  video.data = const_cast<std::uint8_t*>(data);
  ++gState.videoHandedOut;
  if (!data) ++gState.nullVideoOutstanding;
}

bool ReturnLent(const std::uint8_t* data) {
  const auto it = gState.lentBuffers.find(data);
  if (it == gState.lentBuffers.end()) return false;
  if (--it->second == 0) gState.lentBuffers.erase(it);
  return true;
}

void FillFromScript(QueuedCapture& item, NdiVideoFrameRecord& video) {
  video.xres = item.frame.width;
  video.yres = item.frame.height;
  video.fourCC = item.frame.fourCC;
  video.lineStride = item.frame.lineStride;
  video.pictureAspectRatio = item.frame.aspect;
  video.timestamp = 1;
  const std::uint8_t* data = nullptr;
  if (item.lent) {
    data = item.frame.data;
    ++gState.lentBuffers[data];
  } else if (item.frame.data) {
    data = item.pixels.data();
    gState.videoBuffers[data] = std::move(item.pixels);
  }
  HandOut(video, data);
}

void FillDemoFrame(NdiVideoFrameRecord& video) {
  std::vector<std::uint8_t> pixels(std::size_t{kDemoWidth} * kDemoHeight * 4);
  const double seconds =
      std::chrono::duration<double>(Clock::now() - gState.demoStart).count();
  ndisim::DrawDemoPattern(pixels.data(), kDemoWidth, kDemoHeight, seconds);
  video.xres = kDemoWidth;
  video.yres = kDemoHeight;
  video.fourCC = kNdiFourCCBgra;
  video.lineStride = kDemoWidth * 4;
  video.pictureAspectRatio = 16.0f / 9.0f;
  const std::uint8_t* data = pixels.data();
  gState.videoBuffers[data] = std::move(pixels);
  HandOut(video, data);
}

// A video answer pointing at the caller's bytes, which the caller keeps
// until every record is handed back.
QueuedCapture LentVideo(const NdiSimFrame& frame) {
  QueuedCapture item;
  item.result = kNdiFrameTypeVideo;
  item.fillsFrame = true;
  item.lent = frame.data != nullptr;
  item.frame = frame;
  return item;
}

// Queues an answer for the next capture, stamped with when it was queued.
void Enqueue(QueuedCapture item) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  item.queuedAt = Clock::now();
  gState.queue.push_back(std::move(item));
  gChanged.NotifyAll();
}

}  // namespace

extern "C" {

// --- Called by the runtime library --------------------------------------------

void NdiSimRt_LibraryLoaded(const char* path) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  ++gState.loadCount;
  gState.lastLoadedPath = path ? path : "";
  gState.events.push_back("load");
}

void NdiSimRt_LibraryUnloaded(void) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  ++gState.unloadCount;
  gState.events.push_back("unload");
}

bool NdiSimRt_LoadExportCalled(void) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  ++gState.loadExportCalls;
  return !gState.loadReturnsNull;
}

void NdiSimRt_BadSlot(std::size_t byteOffset) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.badSlots.push_back(static_cast<int>(byteOffset));
  Misuse("unused slot " + std::to_string(byteOffset) + " called");
}

bool NdiSimRt_IsReady(void) {
  platform::MutexLock lock(gMutex);
  ++gState.readyCalls;
  gState.events.push_back("ready");
  PassGate(lock, &State::readyGate);
  return gState.ready;
}

void* NdiSimRt_FindCreate(const void* settings) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.events.push_back("find_create");
  if (settings) Misuse("finder created with settings");
  if (gState.finderCreateFails) return nullptr;
  auto finder = std::make_unique<Finder>();
  void* handle = finder.get();
  gState.finders[handle] = std::move(finder);
  return handle;
}

void NdiSimRt_FindDestroy(void* finder) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.events.push_back("find_destroy");
  auto it = gState.finders.find(finder);
  if (it == gState.finders.end()) return Misuse("find_destroy with an unknown finder");
  gState.finders.erase(it);
}

void NdiSimRt_RecvDestroy(void* receiver) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.events.push_back("recv_destroy");
  if (!FindReceiver(receiver, "recv_destroy")) return;
  gState.receivers.erase(receiver);
  gChanged.NotifyAll();
}

const NdiSourceRecord* NdiSimRt_FindGetCurrentSources(void* finder, std::uint32_t* count) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  ++gState.sourceListCalls;
  auto it = gState.finders.find(finder);
  if (it == gState.finders.end() || !count) {
    Misuse("find_get_current_sources with an unknown finder or no count");
    if (count) *count = 0;
    return nullptr;
  }
  if (gState.nullSourceList) {
    *count = gState.nullSourceListCount;
    return nullptr;
  }
  Finder& f = *it->second;
  Listing fresh;
  fresh.sources = ListedSources();
  for (const Source& source : fresh.sources) {
    fresh.records.push_back({TextOrNull(source.name), TextOrNull(source.url)});
  }
  // Moving keeps each vector's storage, so the records stay where they are.
  f.replaced.push_back(std::move(f.current));
  f.current = std::move(fresh);
  *count = static_cast<std::uint32_t>(f.current.records.size());
  return f.current.records.data();
}

void NdiSimRt_RecvFreeVideo(void* receiver, NdiVideoFrameRecord* video) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.events.push_back("free_video");
  FindReceiver(receiver, "free_video");
  if (!video) return Misuse("free_video without a record");
  if (!video->data) {
    if (gState.nullVideoOutstanding == 0) return Misuse("free_video of a record never handed out");
    --gState.nullVideoOutstanding;
  } else if (gState.videoBuffers.erase(video->data) == 0 && !ReturnLent(video->data)) {
    return Misuse("free_video of a record never handed out");
  }
  ++gState.videoHandedBack;
}

std::int32_t NdiSimRt_RecvCapture(void* receiver, NdiVideoFrameRecord* video, void* audio,
                                  void* metadata, std::uint32_t timeoutMs) {
  platform::MutexLock lock(gMutex);
  NdiSimCapture call{};
  if (video) call.before = *video;
  call.audioIsNull = audio == nullptr;
  call.metadataIsNull = metadata == nullptr;
  call.timeoutMs = timeoutMs;
  call.queuedNs = -1;
  ++gState.captureCount;
  // Other captures may come and go while this one waits: remember our entry.
  const std::size_t entry = gState.captures.size();
  if (entry < kMaxKeptCaptures) gState.captures.push_back(call);
  auto finish = [&](std::int32_t result) {
    if (entry < gState.captures.size()) gState.captures[entry].result = result;
    return result;
  };
  if (!FindReceiver(receiver, "capture") || !video) return finish(0);
  if (audio || metadata) Misuse("capture with an audio or metadata record");

  PassGate(lock, &State::captureGate);

  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    Receiver* state = FindReceiver(receiver, "capture");
    if (!state) return finish(0);
    if (!gState.queue.empty()) {
      QueuedCapture item = std::move(gState.queue.front());
      gState.queue.pop_front();
      if (entry < gState.captures.size()) {
        gState.captures[entry].queuedNs =
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - item.queuedAt).count();
      }
      if (item.fillsFrame) FillFromScript(item, *video);
      return finish(item.result);
    }
    Clock::time_point wakeAt = deadline;
    if (state->onDemo && gState.demo) {
      const Clock::time_point now = Clock::now();
      if (now >= gState.nextDemoFrame) {
        gState.nextDemoFrame = std::max(gState.nextDemoFrame + kDemoFrameInterval, now);
        FillDemoFrame(*video);
        return finish(kNdiFrameTypeVideo);
      }
      wakeAt = std::min(wakeAt, gState.nextDemoFrame);
    }
    if (gState.answersAtOnce) {
      QueuedCapture item = gState.atOnce;
      if (item.fillsFrame) FillFromScript(item, *video);
      return finish(item.result);
    }
    if (Clock::now() >= deadline) return finish(0);
    gChanged.WaitUntil(lock, wakeAt);
  }
}

void* NdiSimRt_RecvCreate(const NdiReceiverSettings* settings) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.events.push_back("recv_create");
  NdiSimReceiverCreation creation{};
  if (settings) {
    creation.settings = *settings;
    creation.name = Keep(CopyText(settings->name));
    creation.settings.name = creation.name;
  } else {
    Misuse("recv_create without settings");
  }
  gState.creations.push_back(creation);
  if (gState.receiverCreateFails) return nullptr;
  auto receiver = std::make_unique<Receiver>();
  void* handle = receiver.get();
  gState.receivers[handle] = std::move(receiver);
  return handle;
}

void NdiSimRt_RecvConnect(void* receiver, const NdiSourceRecord* source) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.events.push_back("connect");
  NdiSimConnect call{-1, nullptr, nullptr};
  if (source) {
    // Every receiver in the process may connect to a record from the array
    // its own finder reported last; any live finder's current array counts.
    call.sourceIndex = -2;
    for (const auto& entry : gState.finders) {
      const std::vector<NdiSourceRecord>& reported = entry.second->current.records;
      if (!reported.empty() && source >= reported.data() &&
          source < reported.data() + reported.size()) {
        call.sourceIndex = static_cast<int>(source - reported.data());
      }
    }
    if (call.sourceIndex < 0) Misuse("connect with a record outside the reported array");
    call.name = Keep(CopyText(source->name));
    call.url = Keep(CopyText(source->url));
  }
  gState.connects.push_back(call);
  if (Receiver* state = FindReceiver(receiver, "connect")) {
    state->onDemo = gState.demo && call.name && std::string(call.name) == NDISIM_DEMO_SOURCE_NAME;
  }
}

// --- Control ------------------------------------------------------------------

void NdiSim_Reset(void) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState = State();
  gChanged.NotifyAll();
}

void NdiSim_SetSources(const NdiSimSource* sources, int count) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.sources.clear();
  for (int i = 0; i < count; ++i) {
    gState.sources.push_back({CopyText(sources[i].name), CopyText(sources[i].url)});
  }
}

void NdiSim_QueueVideo(const NdiSimFrame* frame) {
  QueuedCapture item;
  item.result = kNdiFrameTypeVideo;
  item.fillsFrame = true;
  item.frame = *frame;
  if (frame->data) item.pixels.assign(frame->data, frame->data + frame->dataSize);
  // An empty copy still needs an address of its own to be handed out.
  if (frame->data && item.pixels.empty()) item.pixels.resize(1);
  Enqueue(std::move(item));
}

void NdiSim_QueueLentVideo(const NdiSimFrame* frame) { Enqueue(LentVideo(*frame)); }

void NdiSim_QueueResult(std::int32_t frameType) {
  QueuedCapture item;
  item.result = frameType;
  Enqueue(std::move(item));
}

void NdiSim_SetNullSourceList(int enabled, std::uint32_t count) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.nullSourceList = enabled != 0;
  gState.nullSourceListCount = count;
}

void NdiSim_SetAnswerAtOnce(int enabled, std::int32_t frameType, const NdiSimFrame* frame) {
  QueuedCapture item = frame ? LentVideo(*frame) : QueuedCapture{};
  item.result = frameType;
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.answersAtOnce = enabled != 0;
  gState.atOnce = std::move(item);
  gChanged.NotifyAll();
}

void NdiSim_SetReady(int ready) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.ready = ready != 0;
}

void NdiSim_SetLoadReturnsNull(int returnsNull) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.loadReturnsNull = returnsNull != 0;
}

void NdiSim_SetFinderCreateFails(int fails) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.finderCreateFails = fails != 0;
}

void NdiSim_SetReceiverCreateFails(int fails) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.receiverCreateFails = fails != 0;
}

void NdiSim_BlockCaptures(int block) { SetGate(&State::captureGate, block); }
int NdiSim_BlockedCaptures(void) { return WaitingAt(&State::captureGate); }
void NdiSim_BlockReadyCheck(int block) { SetGate(&State::readyGate, block); }
int NdiSim_BlockedReadyChecks(void) { return WaitingAt(&State::readyGate); }

void NdiSim_SetDemoSource(int enabled) {
  std::lock_guard<platform::Mutex> lock(gMutex);
  gState.demo = enabled != 0;
  gState.demoStart = gState.nextDemoFrame = Clock::now();
  gChanged.NotifyAll();
}

#define NDISIM_READ(expression)                 \
  std::lock_guard<platform::Mutex> lock(gMutex);     \
  return expression

int NdiSim_LoadCount(void) { NDISIM_READ(gState.loadCount); }
int NdiSim_UnloadCount(void) { NDISIM_READ(gState.unloadCount); }
const char* NdiSim_LastLoadedPath(void) { NDISIM_READ(gState.lastLoadedPath.c_str()); }
int NdiSim_LoadExportCalls(void) { NDISIM_READ(gState.loadExportCalls); }
int NdiSim_ReadyCalls(void) { NDISIM_READ(gState.readyCalls); }
int NdiSim_EventCount(void) { NDISIM_READ(static_cast<int>(gState.events.size())); }
const char* NdiSim_Event(int index) { NDISIM_READ(gState.events.at(index).c_str()); }
int NdiSim_MisuseCount(void) { NDISIM_READ(static_cast<int>(gState.misuse.size())); }
const char* NdiSim_Misuse(int index) { NDISIM_READ(gState.misuse.at(index).c_str()); }
int NdiSim_BadSlotCount(void) { NDISIM_READ(static_cast<int>(gState.badSlots.size())); }
int NdiSim_BadSlotOffset(int index) { NDISIM_READ(gState.badSlots.at(index)); }
int NdiSim_LiveFinders(void) { NDISIM_READ(static_cast<int>(gState.finders.size())); }
int NdiSim_LiveReceivers(void) { NDISIM_READ(static_cast<int>(gState.receivers.size())); }
int NdiSim_SourceListCalls(void) { NDISIM_READ(gState.sourceListCalls); }
int NdiSim_ReceiverCreationCount(void) { NDISIM_READ(static_cast<int>(gState.creations.size())); }
NdiSimReceiverCreation NdiSim_ReceiverCreation(int index) { NDISIM_READ(gState.creations.at(index)); }
int NdiSim_ConnectCount(void) { NDISIM_READ(static_cast<int>(gState.connects.size())); }
NdiSimConnect NdiSim_Connect(int index) { NDISIM_READ(gState.connects.at(index)); }
int NdiSim_CaptureCount(void) { NDISIM_READ(gState.captureCount); }
NdiSimCapture NdiSim_Capture(int index) { NDISIM_READ(gState.captures.at(index)); }
int NdiSim_VideoHandedOut(void) { NDISIM_READ(gState.videoHandedOut); }
int NdiSim_VideoHandedBack(void) { NDISIM_READ(gState.videoHandedBack); }

#undef NDISIM_READ

}  // extern "C"
