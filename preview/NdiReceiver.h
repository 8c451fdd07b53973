// The per-instance NDI receiver: a worker thread that loads the runtime,
// follows the requested source and publishes each accepted picture as a new
// VideoFrame, and a snapshot that the host's thread copies once per frame.
#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "platform/Platform.h"
#include "preview/VideoFrame.h"

// Owned by one plugin object and used from the host's thread; the worker is
// the only thread that touches the NDI runtime. `mutex` guards
// `requestedName` and `snapshot`, and is held only to copy or swap them:
// never across a runtime call, a pixel copy or a join.
class NdiReceiver {
 public:
  NdiReceiver() = default;  // idle: no thread, no runtime, "Starting NDI"
  ~NdiReceiver();           // as Stop
  NdiReceiver(const NdiReceiver&) = delete;
  NdiReceiver& operator=(const NdiReceiver&) = delete;

  // Stops an earlier worker, drops the published frame and starts a new
  // worker. The status text stays until the new worker writes one. False,
  // with the receiver left stopped, when no thread could be started.
  bool Start();
  // Clears the running flag, waits for the worker to finish its pass and
  // release the runtime, and drops the published frame. Keeps the status.
  void Stop();
  // The source to follow: empty for the main viewport, "@projector:" + id
  // for a projector viewport, any other text for an exact NDI source name.
  // A change drops the published frame; the worker sees it on its next pass.
  void SetRequestedSource(const std::string& name);
  // A copy of the status text and a reference to the newest frame.
  ReceiverSnapshot GetSnapshot() const;
  // The same into `into`, whose status keeps its capacity: the host's thread
  // calls this once per frame and then allocates nothing. The reference
  // `into` held before is dropped after the lock is released.
  void GetSnapshot(ReceiverSnapshot& into) const;

 private:
  void ThreadMain();
  void Run();
  void SetStatus(std::string status);
  void DropFrame();
  void DropFrameWithStatus(std::string status);  // both in one lock section
  // Waits until `until` or until Stop, whichever comes first.
  void RestUntil(std::chrono::steady_clock::time_point until);

  std::atomic<bool> running{false};
  platform::Thread thread;
  mutable platform::Mutex mutex;
  platform::ConditionVariable stopping;  // with `mutex`: ends the worker's rest at once
  std::string requestedName;
  ReceiverSnapshot snapshot;
};
