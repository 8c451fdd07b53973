// The receiver and the heap: a worker thread that cannot be started, an
// allocation that fails inside the worker's loop, and the picture storage
// the worker allocates over a stream. Its own program, because it replaces
// the global allocation functions.
#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "NdiTestSupport.h"
#include "preview/NdiReceiver.h"
#include "testing/ndi_runtime_sim/SimEnvironment.h"

namespace {

// While non-zero, an allocation of exactly this many bytes fails on every
// thread but the test's own (which still has to queue the picture).
std::atomic<std::size_t> gFailingAllocationSize{0};
// While non-zero, allocations of exactly this many bytes on every thread but
// the test's own are counted in gCountedAllocations.
std::atomic<std::size_t> gCountedAllocationSize{0};
std::atomic<int> gCountedAllocations{0};
thread_local bool tIsTestThread = false;

}  // namespace

void* operator new(std::size_t size) {
  if (size != 0 && !tIsTestThread) {
    if (size == gFailingAllocationSize.load()) throw std::bad_alloc();
    if (size == gCountedAllocationSize.load()) ++gCountedAllocations;
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

// The running flag is private; an explicit instantiation may name it, and the
// friend it defines hands it to the test.
bool RunningFlag(const NdiReceiver& receiver);
template <std::atomic<bool> NdiReceiver::*Flag>
struct RunningFlagAccess {
  friend bool RunningFlag(const NdiReceiver& receiver) { return (receiver.*Flag).load(); }
};
template struct RunningFlagAccess<&NdiReceiver::running>;

namespace {

using nditest::TestPicture;
using nditest::WaitUntil;
using ndisim::Events;

class NdiReceiverFailure : public ::testing::Test {
 protected:
  void SetUp() override {
    tIsTestThread = true;
    NdiSim_Reset();
  }
  void TearDown() override {
    gFailingAllocationSize = 0;
    gCountedAllocationSize = 0;
    receiver.Stop();
    EXPECT_EQ(ndisim::TeardownProblems(), std::vector<std::string>{});
  }

  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
  NdiReceiver receiver;
};

#if defined(__GLIBC__)  // thread creation can be made to fail on glibc only
TEST_F(NdiReceiverFailure, StartThatCannotCreateTheThreadReportsFalseAndStaysStopped) {
  {
    testos::ScopedThreadCreationFailure noThreads;
    ASSERT_TRUE(noThreads.Active());
    EXPECT_FALSE(receiver.Start());
  }
  EXPECT_FALSE(RunningFlag(receiver));
  // Stopped, not half-started: nothing was loaded, the status is untouched,
  // and Stop has no thread to wait for.
  EXPECT_EQ(receiver.GetSnapshot().status, "Starting NDI");
  receiver.Stop();
  EXPECT_EQ(NdiSim_LoadCount(), 0);

  // A later Start works normally.
  ASSERT_TRUE(receiver.Start());
  EXPECT_TRUE(WaitUntil([&] {
    return receiver.GetSnapshot().status == "Waiting for KESTRIN NDI source";
  }));
}
#endif

TEST_F(NdiReceiverFailure, ExceptionInTheLoopReleasesEverythingInOrderAndReports) {
  ASSERT_TRUE(receiver.Start());
  TestPicture first(4, 4, 16);
  NdiSim_QueueVideo(&first.frame);
  ASSERT_TRUE(WaitUntil([&] { return receiver.GetSnapshot().frame != nullptr; }));

  // The next picture's pixel copy cannot be allocated.
  TestPicture doomed(123, 45, 123 * 4);
  gFailingAllocationSize = std::size_t{123} * 45 * 4;
  NdiSim_QueueVideo(&doomed.frame);
  // The status is written last, after the guards have released everything.
  ASSERT_TRUE(WaitUntil([&] { return receiver.GetSnapshot().status == "NDI receiver failed"; }));
  gFailingAllocationSize = 0;

  EXPECT_EQ(NdiSim_UnloadCount(), 1);
  EXPECT_FALSE(receiver.GetSnapshot().frame);
  const std::vector<std::string> events = Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(events.end() - 4, events.end()),
            (std::vector<std::string>{"free_video", "recv_destroy", "find_destroy", "unload"}));
  EXPECT_EQ(NdiSim_VideoHandedBack(), 2);
}

// A host slower than the source holds the frame it uploads while two more
// pictures come, over and over: three buffers in all, each made once and
// then reused for every later picture.
TEST_F(NdiReceiverFailure, StorageIsMadeOnceAndReusedOverAStream) {
  constexpr std::int32_t kWidth = 37, kHeight = 23;
  ASSERT_TRUE(receiver.Start());
  gCountedAllocations = 0;
  gCountedAllocationSize = std::size_t{kWidth} * kHeight * 4;
  TestPicture picture(kWidth, kHeight, kWidth * 4 + 8);
  int queued = NdiSim_VideoHandedBack();
  for (int round = 0; round < 50; ++round) {
    const std::shared_ptr<VideoFrame> uploading = receiver.GetSnapshot().frame;
    for (int i = 0; i < 2; ++i) {
      NdiSim_QueueVideo(&picture.frame);
      ++queued;
      ASSERT_TRUE(WaitUntil([&] { return NdiSim_VideoHandedBack() == queued; }));
    }
    ASSERT_TRUE(receiver.GetSnapshot().frame);
    EXPECT_EQ(receiver.GetSnapshot().frame->pixels, picture.Packed());
  }
  EXPECT_EQ(gCountedAllocations.load(), 3);
}

}  // namespace
