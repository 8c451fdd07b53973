#include "preview/NdiReceiver.h"

#include <chrono>
#include <cstdint>
#include <utility>

#include "preview/NdiRuntime.h"
#include "preview/NdiSourceSelection.h"

namespace {

constexpr std::int64_t kDiscoveryIntervalNs = 1000000000;
constexpr std::uint32_t kCaptureTimeoutMs = 50;
// Captures in a row that came back before their timeout and published
// nothing, after which the worker rests for the rest of the timeout. A few
// such answers (a status change, rejected pictures) are usually followed at
// once by a picture, which must not wait; a runtime that answers at once
// with nothing over and over would otherwise spin. Eight per timeout still
// drains a stream of unusable pictures faster than a 120 fps source sends
// them.
constexpr int kEarlyEmptyCapturesBeforeRest = 8;

// The runtime's finder and receiver; destroys the receiver and then the
// finder, each only when it exists.
class NdiHandles {
 public:
  explicit NdiHandles(const NdiFunctionTable* table) : table(table) {}
  ~NdiHandles() {
    if (receiver) GetNdiSlot<NdiRecvDestroySlot>(table)(receiver);
    if (finder) GetNdiSlot<NdiFindDestroySlot>(table)(finder);
  }
  NdiHandles(const NdiHandles&) = delete;
  NdiHandles& operator=(const NdiHandles&) = delete;

  const NdiFunctionTable* const table;
  void* finder = nullptr;
  void* receiver = nullptr;
};

// Hands a captured video record back to the runtime when it ends, so the
// runtime's buffer goes back even when copying the picture throws.
class CapturedVideoGuard {
 public:
  CapturedVideoGuard(const NdiHandles& handles, NdiVideoFrameRecord& record)
      : handles(handles), record(record) {}
  ~CapturedVideoGuard() { GetNdiSlot<NdiRecvFreeVideoSlot>(handles.table)(handles.receiver, &record); }
  CapturedVideoGuard(const CapturedVideoGuard&) = delete;
  CapturedVideoGuard& operator=(const CapturedVideoGuard&) = delete;

 private:
  const NdiHandles& handles;
  NdiVideoFrameRecord& record;
};

void WritePreCaptureValues(NdiVideoFrameRecord& record) {
  record.xres = 0;
  record.yres = 0;
  record.fourCC = kNdiFourCCUyvy;
  record.frameRateN = 30000;
  record.frameRateD = 1001;
  record.pictureAspectRatio = 0.0f;
  record.frameFormat = 1;
  record.timecode = INT64_MAX;
  record.data = nullptr;
  record.lineStride = 0;
  record.metadata = nullptr;
  record.timestamp = 0;
}

}  // namespace

NdiReceiver::~NdiReceiver() { Stop(); }

bool NdiReceiver::Start() {
  Stop();  // the same first steps: clear the flag, join, drop the frame
  running = true;
  if (!thread.Start([](void* self) { static_cast<NdiReceiver*>(self)->ThreadMain(); }, this)) {
    // No worker exists; leave the receiver stopped rather than running with
    // nobody to clear the flag for.
    running = false;
    return false;
  }
  return true;
}

void NdiReceiver::Stop() {
  {
    // Under the lock, so a worker about to rest sees the flag or is woken.
    std::lock_guard<platform::Mutex> lock(mutex);
    running = false;
  }
  stopping.NotifyAll();
  thread.Join();
  DropFrame();
}

void NdiReceiver::SetRequestedSource(const std::string& name) {
  std::shared_ptr<VideoFrame> dropped;
  std::lock_guard<platform::Mutex> lock(mutex);
  if (requestedName == name) return;
  requestedName = name;
  dropped.swap(snapshot.frame);  // freed after the unlock: `dropped` ends last
}

ReceiverSnapshot NdiReceiver::GetSnapshot() const {
  ReceiverSnapshot copy;
  GetSnapshot(copy);
  return copy;
}

void NdiReceiver::GetSnapshot(ReceiverSnapshot& into) const {
  // Possibly the frame's last reference: released after the unlock.
  const std::shared_ptr<VideoFrame> previous = std::move(into.frame);
  std::lock_guard<platform::Mutex> lock(mutex);
  into.status = snapshot.status;
  into.frame = snapshot.frame;
}

void NdiReceiver::SetStatus(std::string status) {
  std::lock_guard<platform::Mutex> lock(mutex);
  snapshot.status.swap(status);
}

void NdiReceiver::DropFrame() {
  std::shared_ptr<VideoFrame> dropped;
  std::lock_guard<platform::Mutex> lock(mutex);
  dropped.swap(snapshot.frame);
}

void NdiReceiver::DropFrameWithStatus(std::string status) {
  std::shared_ptr<VideoFrame> dropped;
  std::lock_guard<platform::Mutex> lock(mutex);
  dropped.swap(snapshot.frame);
  snapshot.status.swap(status);
}

void NdiReceiver::RestUntil(std::chrono::steady_clock::time_point until) {
  platform::MutexLock lock(mutex);
  stopping.WaitUntil(lock, until, [this] { return !running; });
}

void NdiReceiver::ThreadMain() {
  try {
    Run();
  } catch (...) {
    // Run's guards have released the captured record, the receiver, the
    // finder and the library by now.
    DropFrameWithStatus("NDI receiver failed");
  }
}

void NdiReceiver::Run() {
  const NdiRuntime runtime = LoadNdiRuntime();
  if (!runtime.table) {
    SetStatus("Install NDI 6 Runtime and restart the host");
    return;
  }
  const NdiFunctionTable* const table = runtime.table;

  NdiHandles handles(table);
  handles.finder = GetNdiSlot<NdiFindCreateSlot>(table)(nullptr);
  NdiReceiverSettings settings{};
  settings.source = NdiSourceRecord{nullptr, nullptr};
  settings.colorFormat = 0;
  settings.bandwidth = 100;
  settings.allowVideoFields = false;
  settings.name = "KESTRIN FFGL Preview";
  handles.receiver = GetNdiSlot<NdiRecvCreateSlot>(table)(&settings);
  if (!handles.finder || !handles.receiver) {
    SetStatus("NDI initialization failed");
    return;
  }

  std::string lastRequest;
  std::string connectedName;
  std::string connectedUrl;
  std::int64_t nextDiscoveryNs = 0;
  bool firstPass = true;
  NdiVideoFrameRecord record;
  int earlyEmptyCaptures = 0;
  // Storage for this run's frames; frames still held keep it after the run.
  const auto framePool = std::make_shared<VideoFramePool>();

  while (running) {
    std::string request;
    {
      std::lock_guard<platform::Mutex> lock(mutex);
      request = requestedName;
    }
    const std::int64_t now = SteadyNowNs();

    if (firstPass || request != lastRequest || now >= nextDiscoveryNs) {
      firstPass = false;
      lastRequest = request;
      nextDiscoveryNs = now + kDiscoveryIntervalNs;

      std::uint32_t count = 0;
      const NdiSourceRecord* sources =
          GetNdiSlot<NdiFindGetCurrentSourcesSlot>(table)(handles.finder, &count);
      if (!sources) count = 0;
      const NdiSourceRecord* selected = SelectNdiSource(sources, count, request, connectedName);

      std::string newName = selected ? selected->name : "";
      std::string newUrl = selected && selected->url ? selected->url : "";
      if (newName != connectedName || newUrl != connectedUrl) {
        GetNdiSlot<NdiRecvConnectSlot>(table)(handles.receiver, selected);
        connectedName = std::move(newName);
        connectedUrl = std::move(newUrl);
        DropFrame();
      }
      SetStatus(connectedName.empty() ? std::string("Waiting for KESTRIN NDI source")
                                      : "Receiving: " + connectedName);
    }

    WritePreCaptureValues(record);
    const auto captureStart = std::chrono::steady_clock::now();
    const std::int32_t result = GetNdiSlot<NdiRecvCaptureSlot>(table)(
        handles.receiver, &record, nullptr, nullptr, kCaptureTimeoutMs);
    bool published = false;
    if (result == kNdiFrameTypeVideo) {
      CapturedVideoGuard captured(handles, record);
      std::shared_ptr<VideoFrame> frame = MakeVideoFrame(record, SteadyNowNs(), framePool);
      if (frame) {
        std::lock_guard<platform::Mutex> lock(mutex);
        // A frame captured while the request changed belongs to the old one.
        if (requestedName == request) {
          snapshot.frame.swap(frame);
          published = true;
        }
      }  // `frame` now holds the previous or the discarded picture: freed unlocked
    } else if (result == kNdiFrameTypeError) {
      DropFrameWithStatus("NDI connection error");
    }
    // The capture's timeout paces the loop while nothing arrives; only a
    // runtime that comes back early with nothing to publish, again and
    // again, needs a rest for the rest of the timeout.
    const auto timeoutEnd = captureStart + std::chrono::milliseconds(kCaptureTimeoutMs);
    if (published || std::chrono::steady_clock::now() >= timeoutEnd) {
      earlyEmptyCaptures = 0;
    } else if (++earlyEmptyCaptures == kEarlyEmptyCapturesBeforeRest) {
      earlyEmptyCaptures = 0;
      RestUntil(timeoutEnd);
    }
  }
}
