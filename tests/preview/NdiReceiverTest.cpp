// The receiver and its worker against the simulated runtime, found through
// the real loader (NDI_RUNTIME_DIR_V6 names the simulator's folder). After
// every test the runtime must have seen no unused slot, no unknown handle,
// every captured record handed back, and everything released.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "NdiTestSupport.h"
#include "preview/NdiReceiver.h"
#include "testing/ndi_runtime_sim/SimEnvironment.h"

namespace {

using nditest::TestPicture;
using nditest::WaitUntil;
using ndisim::Events;
using ndisim::RuntimeIsLoaded;
using ndisim::SetSources;

constexpr const char* kWaiting = "Waiting for KESTRIN NDI source";

std::vector<std::string> TailOf(const std::vector<std::string>& all, std::size_t n) {
  return {all.end() - static_cast<std::ptrdiff_t>(std::min(n, all.size())), all.end()};
}

class NdiReceiverTest : public ::testing::Test {
 protected:
  void SetUp() override { NdiSim_Reset(); }

  void TearDown() override {
    ndisim::ReleaseBlocks();
    receiver.Stop();
    EXPECT_EQ(ndisim::TeardownProblems(), std::vector<std::string>{});
  }

  std::string Status() const { return receiver.GetSnapshot().status; }
  std::shared_ptr<VideoFrame> Frame() const { return receiver.GetSnapshot().frame; }

  bool WaitForStatus(const std::string& status) {
    return WaitUntil([&] { return Status() == status; });
  }
  // Waits until the worker has finished one more discovery: the next source
  // list query and then the capture that follows it in the same pass.
  bool WaitForDiscovery() {
    const int target = NdiSim_SourceListCalls() + 1;
    if (!WaitUntil([&] { return NdiSim_SourceListCalls() >= target; })) return false;
    const int captures = NdiSim_CaptureCount();
    return WaitUntil([&] { return NdiSim_CaptureCount() > captures; });
  }
  // Queues a picture and waits until the worker has published it.
  std::shared_ptr<VideoFrame> Publish(TestPicture&& picture) {
    const auto before = Frame();
    NdiSim_QueueVideo(&picture.frame);
    std::shared_ptr<VideoFrame> published;
    EXPECT_TRUE(WaitUntil([&] {
      published = Frame();
      return published && published != before;
    }));
    return published;
  }

  ndisim::ScopedRuntimeFolder runtimeFolder{NDISIM_RUNTIME_DIR};
  NdiReceiver receiver;
};

// --- Discovery and connection ------------------------------------------------

TEST_F(NdiReceiverTest, CreatesItsReceiverAsKestrinFfglPreviewWithoutASource) {
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(kWaiting));
  ASSERT_EQ(NdiSim_ReceiverCreationCount(), 1);
  const NdiSimReceiverCreation created = NdiSim_ReceiverCreation(0);
  EXPECT_EQ(created.settings.source.name, nullptr);
  EXPECT_EQ(created.settings.source.url, nullptr);
  EXPECT_EQ(created.settings.colorFormat, 0);
  EXPECT_EQ(created.settings.bandwidth, 100);
  EXPECT_FALSE(created.settings.allowVideoFields);
  EXPECT_STREQ(created.name, "KESTRIN FFGL Preview");
  const std::vector<std::string> events = Events();
  ASSERT_GE(events.size(), 4u);
  EXPECT_EQ(std::vector<std::string>(events.begin(), events.begin() + 4), (std::vector<std::string>{"load", "ready", "find_create", "recv_create"}));
  // Nothing listed: no connect call at all.
  EXPECT_EQ(NdiSim_ConnectCount(), 0);
}

TEST_F(NdiReceiverTest, ConnectsToTheFirstInByteOrderAndStaysWithItWhileListed) {
  SetSources({{"KESTRIN - Viewport B", "b"}, {"KESTRIN - Viewport A", "a"}});
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus("Receiving: KESTRIN - Viewport A"));
  ASSERT_EQ(NdiSim_ConnectCount(), 1);
  EXPECT_EQ(NdiSim_Connect(0).sourceIndex, 1);

  // A name that sorts first appears; the connected source stays.
  SetSources({{"KESTRIN - Viewport 0", "0"}, {"KESTRIN - Viewport A", "a"}});
  ASSERT_TRUE(WaitForDiscovery());
  EXPECT_EQ(NdiSim_ConnectCount(), 1);
  EXPECT_EQ(Status(), "Receiving: KESTRIN - Viewport A");
}

TEST_F(NdiReceiverTest, DisconnectsAndDropsTheFrameWhenTheSourceDisappears) {
  SetSources({{"KESTRIN - Viewport", "a"}});
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus("Receiving: KESTRIN - Viewport"));
  ASSERT_TRUE(Publish(TestPicture(4, 4, 16)));

  SetSources({{"Somebody else", "x"}});
  ASSERT_TRUE(WaitForStatus(kWaiting));
  EXPECT_FALSE(Frame());
  ASSERT_EQ(NdiSim_ConnectCount(), 2);
  EXPECT_EQ(NdiSim_Connect(1).sourceIndex, -1);  // connect with null
}

TEST_F(NdiReceiverTest, NullSourceListCountsAsNoSourcesWhateverItsCount) {
  SetSources({{"KESTRIN - Viewport", "a"}});
  NdiSim_SetNullSourceList(1, 3);
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(kWaiting));
  EXPECT_EQ(NdiSim_ConnectCount(), 0);
  NdiSim_SetNullSourceList(0, 0);
  EXPECT_TRUE(WaitForStatus("Receiving: KESTRIN - Viewport"));
}

TEST_F(NdiReceiverTest, NullAddressIsRememberedAsEmptyAndAnAddressChangeReconnects) {
  SetSources({{"KESTRIN - Viewport", nullptr}});
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus("Receiving: KESTRIN - Viewport"));
  ASSERT_EQ(NdiSim_ConnectCount(), 1);
  EXPECT_EQ(NdiSim_Connect(0).url, nullptr);
  ASSERT_TRUE(WaitForDiscovery());
  EXPECT_EQ(NdiSim_ConnectCount(), 1);  // same name, still no address
  ASSERT_TRUE(Publish(TestPicture(4, 4, 16)));

  SetSources({{"KESTRIN - Viewport", "10.0.0.7:5961"}});
  ASSERT_TRUE(WaitUntil([] { return NdiSim_ConnectCount() == 2; }));
  EXPECT_STREQ(NdiSim_Connect(1).url, "10.0.0.7:5961");
  EXPECT_TRUE(WaitUntil([&] { return !Frame(); }));
}

TEST_F(NdiReceiverTest, RequestChangesAreSeenAtOnceAndOverridesTakeTheLastExactName) {
  SetSources({{"Studio Camera", "1"},
              {"KESTRIN - Viewport", "2"},
              {"KESTRIN - VP-07 - Wall", "3"},
              {"Studio Camera", "4"}});
  receiver.SetRequestedSource("Studio Camera");
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus("Receiving: Studio Camera"));
  EXPECT_EQ(NdiSim_Connect(0).sourceIndex, 3);
  ASSERT_TRUE(Publish(TestPicture(4, 4, 16)));

  // With the worker held inside a capture: the old source's picture goes
  // with the change itself, and the very next pass connects to the new one
  // rather than the next timed rediscovery.
  NdiSim_BlockCaptures(1);
  ASSERT_TRUE(WaitUntil([] { return NdiSim_BlockedCaptures() == 1; }));
  const int captures = NdiSim_CaptureCount();
  receiver.SetRequestedSource("@projector:VP-07");
  EXPECT_FALSE(Frame());
  NdiSim_BlockCaptures(0);
  ASSERT_TRUE(WaitUntil([&] { return NdiSim_CaptureCount() > captures; }));
  ASSERT_EQ(NdiSim_ConnectCount(), 2);
  EXPECT_EQ(NdiSim_Connect(1).sourceIndex, 2);
  EXPECT_EQ(Status(), "Receiving: KESTRIN - VP-07 - Wall");

  receiver.SetRequestedSource("Nobody");
  ASSERT_TRUE(WaitForStatus(kWaiting));
  EXPECT_EQ(NdiSim_Connect(2).sourceIndex, -1);
}

// --- Capture -----------------------------------------------------------------

TEST_F(NdiReceiverTest, PublishesPackedFramesAndHandsEveryRecordBack) {
  ASSERT_TRUE(receiver.Start());
  TestPicture picture(5, 3, 5 * 4 + 12, kNdiFourCCBgra, 0.0f);
  const std::vector<std::uint8_t> expected = picture.Packed();
  const auto frame = Publish(std::move(picture));
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->width, 5);
  EXPECT_EQ(frame->height, 3);
  EXPECT_FLOAT_EQ(frame->aspect, 5.0f / 3.0f);
  EXPECT_EQ(frame->pixels, expected);
  EXPECT_GT(frame->timestampNs, 0);
  EXPECT_TRUE(WaitUntil([] { return NdiSim_VideoHandedBack() == 1; }));
}

// Later frames reuse the storage of frames nobody holds; a frame still held
// never changes, not even after its receiver has gone.
TEST_F(NdiReceiverTest, HeldFramesNeverChangeAndOutliveTheReceiver) {
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(kWaiting));
  TestPicture first(64, 16, 64 * 4 + 8);
  const std::vector<std::uint8_t> expected = first.Packed();
  const auto held = Publish(std::move(first));
  ASSERT_TRUE(held);
  for (int i = 1; i <= 6; ++i) {
    TestPicture next(64, 16, 64 * 4);
    for (std::uint8_t& byte : next.bytes) byte = static_cast<std::uint8_t>(byte * 3 + i);
    const std::vector<std::uint8_t> packed = next.Packed();
    const auto frame = Publish(std::move(next));
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->pixels, packed) << i;
  }
  EXPECT_EQ(held->pixels, expected);

  // The status goes into storage the caller keeps: no new text each frame.
  ReceiverSnapshot into;
  receiver.GetSnapshot(into);
  const char* const storage = into.status.data();
  receiver.GetSnapshot(into);
  EXPECT_EQ(into.status.data(), storage);
  EXPECT_EQ(into.status, kWaiting);
  EXPECT_TRUE(into.frame);

  receiver.Stop();
  EXPECT_EQ(held->pixels, expected);
}  // the last frame goes, and its storage with it

TEST_F(NdiReceiverTest, RejectedFramesAreHandedBackAndChangeNothing) {
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(kWaiting));
  const auto published = Publish(TestPicture(2, 2, 8));
  ASSERT_TRUE(published);

  TestPicture wide(8193, 1, 8193 * 4), high(1, 8193, 4), shortStride(4, 2, 15),
      uyvy(4, 2, 16, kNdiFourCCUyvy), nullData(4, 2, 16);
  nullData.frame.data = nullptr;
  for (TestPicture* p : {&wide, &high, &shortStride, &uyvy, &nullData}) {
    NdiSim_QueueVideo(&p->frame);
  }
  ASSERT_TRUE(WaitUntil([] { return NdiSim_VideoHandedBack() == 6; }));
  const ReceiverSnapshot snapshot = receiver.GetSnapshot();
  EXPECT_EQ(snapshot.frame, published);
  EXPECT_EQ(snapshot.status, kWaiting);
}

TEST_F(NdiReceiverTest, WritesTheSamePreCaptureValuesBeforeEveryCapture) {
  ASSERT_TRUE(receiver.Start());
  // The runtime fills the record in between; the worker must rewrite it.
  ASSERT_TRUE(Publish(TestPicture(4, 4, 16, kNdiFourCCBgrx, 1.5f)));
  NdiSim_QueueResult(7);
  ASSERT_TRUE(WaitUntil([] { return NdiSim_CaptureCount() >= 4; }));
  receiver.Stop();

  for (int i = 0; i < NdiSim_CaptureCount(); ++i) {
    SCOPED_TRACE(i);
    const NdiSimCapture capture = NdiSim_Capture(i);
    const NdiVideoFrameRecord& r = capture.before;
    EXPECT_EQ(r.xres, 0);
    EXPECT_EQ(r.yres, 0);
    EXPECT_EQ(r.fourCC, 0x59565955u);
    EXPECT_EQ(r.frameRateN, 30000);
    EXPECT_EQ(r.frameRateD, 1001);
    EXPECT_EQ(r.pictureAspectRatio, 0.0f);
    EXPECT_EQ(r.frameFormat, 1);
    EXPECT_EQ(r.timecode, INT64_MAX);
    EXPECT_EQ(r.data, nullptr);
    EXPECT_EQ(r.lineStride, 0);
    EXPECT_EQ(r.metadata, nullptr);
    EXPECT_EQ(r.timestamp, 0);
    EXPECT_TRUE(capture.audioIsNull);
    EXPECT_TRUE(capture.metadataIsNull);
    EXPECT_EQ(capture.timeoutMs, 50u);
  }
}

TEST_F(NdiReceiverTest, ConnectionErrorDropsTheFrameUntilTheNextDiscovery) {
  SetSources({{"KESTRIN - Viewport", "a"}});
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus("Receiving: KESTRIN - Viewport"));
  ASSERT_TRUE(Publish(TestPicture(4, 4, 16)));

  NdiSim_QueueResult(4);
  ASSERT_TRUE(WaitUntil([&] {
    const ReceiverSnapshot s = receiver.GetSnapshot();
    return s.status == "NDI connection error" && !s.frame;
  }));
  ASSERT_TRUE(WaitForStatus("Receiving: KESTRIN - Viewport"));
  EXPECT_EQ(NdiSim_ConnectCount(), 1);  // the connection itself is kept
}

// A frame whose capture was in flight when the request changed belongs to the
// old request and is never published; the host's calls meanwhile never wait
// for the runtime.
TEST_F(NdiReceiverTest, HostCallsNeverWaitOnTheRuntimeAndStaleFramesAreDiscarded) {
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(kWaiting));
  TestPicture picture(4, 4, 16);
  NdiSim_BlockCaptures(1);
  ASSERT_TRUE(WaitUntil([] { return NdiSim_BlockedCaptures() == 1; }));
  NdiSim_QueueVideo(&picture.frame);

  // The worker is held inside the runtime; these return regardless.
  receiver.SetRequestedSource("Another source");
  EXPECT_EQ(receiver.GetSnapshot().status, kWaiting);
  EXPECT_EQ(NdiSim_BlockedCaptures(), 1);

  NdiSim_BlockCaptures(0);
  ASSERT_TRUE(WaitUntil([] { return NdiSim_VideoHandedBack() == 1; }));
  EXPECT_FALSE(Frame());
}

TEST_F(NdiReceiverTest, DemoSourcePlaysAnUprightMovingPicture) {
  NdiSim_SetDemoSource(1);
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus("Receiving: " NDISIM_DEMO_SOURCE_NAME));
  std::shared_ptr<VideoFrame> first;
  ASSERT_TRUE(WaitUntil([&] { return (first = Frame()) != nullptr; }));
  ASSERT_EQ(first->width, 640);
  ASSERT_EQ(first->height, 360);
  // Blue sky on top, green hills below (BGRA bytes).
  const std::uint8_t* top = &first->pixels[(10 * 640 + 320) * 4];
  const std::uint8_t* bottom = &first->pixels[(350 * 640 + 320) * 4];
  EXPECT_GT(top[0], top[2]);
  EXPECT_GT(bottom[1], bottom[0]);
  EXPECT_GT(bottom[1], bottom[2]);
  std::shared_ptr<VideoFrame> later;
  ASSERT_TRUE(WaitUntil([&] {
    later = Frame();
    return later && later->timestampNs > first->timestampNs && later->pixels != first->pixels;
  }));
}

// --- Promptness ----------------------------------------------------------------
// How long each answer waited in the runtime's queue before a capture took
// it, as the runtime saw it. Each bound is loose, yet well under the 50 ms
// that a rest or a wait for storage costs; a try is spoilt only when the
// worker stalls that long, so the best of three tries counts.

constexpr double kAtOnceMs = 25.0;

double Ms(std::chrono::nanoseconds duration) { return duration.count() / 1e6; }

// The waits of the last `count` queued answers that captures took.
std::vector<std::chrono::nanoseconds> LastQueueWaits(std::size_t count) {
  std::vector<std::chrono::nanoseconds> waits;
  for (int i = NdiSim_CaptureCount() - 1; i >= 0 && waits.size() < count; --i) {
    const std::int64_t queued = NdiSim_Capture(i).queuedNs;
    if (queued >= 0) waits.emplace_back(queued);
  }
  return waits;
}

// Runs `attempt` three times (it queues answers, waits for what they do
// and tells how many it queued, 0 when it failed) and answers the least,
// over the tries, of the longest queue wait.
template <typename Try>
std::chrono::nanoseconds BestOfThree(Try attempt) {
  auto best = std::chrono::nanoseconds::max();
  for (int i = 0; i < 3; ++i) {
    const std::size_t answers = attempt();
    if (answers == 0) break;
    const auto waits = LastQueueWaits(answers);
    best = std::min(best, *std::max_element(waits.begin(), waits.end()));
  }
  return best;
}

bool HandedBackReaches(int count) {
  return WaitUntil([&] { return NdiSim_VideoHandedBack() >= count; });
}

// One answer that publishes nothing (here a status change) costs the
// picture right behind it nothing.
TEST_F(NdiReceiverTest, APictureRightAfterAStatusChangeIsPublishedAtOnce) {
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(kWaiting));
  const auto best = BestOfThree([&]() -> std::size_t {
    TestPicture picture(8, 8, 8 * 4);
    const int handedBack = NdiSim_VideoHandedBack();
    NdiSim_QueueResult(100);
    NdiSim_QueueVideo(&picture.frame);
    if (!HandedBackReaches(handedBack + 1)) return 0;
    const auto shown = Frame();
    return shown && shown->pixels == picture.Packed() ? 2 : 0;
  });
  EXPECT_LT(Ms(best), kAtOnceMs);
}

// The host holds the frame it uploads while two more pictures arrive: the
// worker takes both at once, in storage of its own (a fresh worker has no
// spare), and the next draw gets the newest while the held frame stays as
// it was.
TEST_F(NdiReceiverTest, WhileTheHostHoldsAFrameTheNextPicturesAreTakenAtOnce) {
  std::uint8_t shade = 0;
  const auto best = BestOfThree([&]() -> std::size_t {
    if (!receiver.Start()) return 0;
    const std::shared_ptr<VideoFrame> uploading = Publish(TestPicture(32, 8, 32 * 4));
    if (!uploading) return 0;
    const std::vector<std::uint8_t> held = uploading->pixels;
    TestPicture second(32, 8, 32 * 4 + 4), newest(32, 8, 32 * 4);
    ++shade;
    for (std::uint8_t& byte : newest.bytes) byte = static_cast<std::uint8_t>(byte ^ shade);
    const int handedBack = NdiSim_VideoHandedBack();
    NdiSim_QueueVideo(&second.frame);
    NdiSim_QueueVideo(&newest.frame);
    if (!HandedBackReaches(handedBack + 2)) return 0;
    const auto shown = Frame();
    return shown && shown->pixels == newest.Packed() && uploading->pixels == held ? 2 : 0;
  });
  EXPECT_LT(Ms(best), kAtOnceMs);
}

// A source sending 60 pictures a second, each queued by the runtime until
// taken: the worker keeps up (a rest after each picture would hold it to 20
// a second, and the queue would grow).
TEST_F(NdiReceiverTest, ASixtyFramesASecondSourceIsTakenAtSixty) {
  constexpr int kPictures = 24;
  constexpr auto kPeriod = std::chrono::microseconds(16667);
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(kWaiting));
  TestPicture picture(16, 9, 16 * 4);
  const int handedBack = NdiSim_VideoHandedBack();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 1; i <= kPictures; ++i) {
    NdiSim_QueueVideo(&picture.frame);
    std::this_thread::sleep_until(start + i * kPeriod);
  }
  ASSERT_TRUE(HandedBackReaches(handedBack + kPictures));
  auto waits = LastQueueWaits(kPictures);
  ASSERT_EQ(waits.size(), std::size_t{kPictures});
  std::sort(waits.begin(), waits.end());
  EXPECT_LT(Ms(waits[kPictures / 2]), kAtOnceMs) << "median wait in the runtime's queue";
  EXPECT_TRUE(Frame());
}

// A runtime whose capture answers at once, over and over, with nothing to
// publish must not turn the loop into a spin; the rest that paces it ends as
// soon as Stop asks.
struct AtOnceCase {
  const char* name;
  std::int32_t frameType;
  bool picture;  // an unusable one (UYVY)
};

void PrintTo(const AtOnceCase& c, std::ostream* os) { *os << c.name; }

class NdiReceiverAnsweringAtOnce : public NdiReceiverTest,
                                   public ::testing::WithParamInterface<AtOnceCase> {};

TEST_P(NdiReceiverAnsweringAtOnce, IsPacedAndStopEndsTheRest) {
  TestPicture unusable(4, 2, 16, kNdiFourCCUyvy);  // lent: outlives every capture below
  NdiSim_SetAnswerAtOnce(1, GetParam().frameType, GetParam().picture ? &unusable.frame : nullptr);
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitUntil([] { return NdiSim_CaptureCount() >= 2; }));
  const int before = NdiSim_CaptureCount();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const int passes = NdiSim_CaptureCount() - before;
  EXPECT_GE(passes, 2);
  EXPECT_LE(passes, 80);  // a few per 50 ms, not millions

  // Ten stops, each while the worker rests, take far less than ten rests.
  std::chrono::steady_clock::duration stopping{};
  for (int i = 0; i < 10; ++i) {
    if (i > 0) {
      ASSERT_TRUE(receiver.Start());
    }
    const int captures = NdiSim_CaptureCount();
    ASSERT_TRUE(WaitUntil([&] { return NdiSim_CaptureCount() > captures + 1; }));
    const auto start = std::chrono::steady_clock::now();
    receiver.Stop();
    stopping += std::chrono::steady_clock::now() - start;
  }
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(stopping).count(), 250);
}

INSTANTIATE_TEST_SUITE_P(, NdiReceiverAnsweringAtOnce,
                         ::testing::Values(AtOnceCase{"Nothing", 0, false},
                                           AtOnceCase{"Error", 4, false},
                                           AtOnceCase{"StatusChange", 100, false},
                                           AtOnceCase{"UnusablePicture", 1, true}),
                         [](const ::testing::TestParamInfo<AtOnceCase>& info) { return info.param.name; });

// --- Life ----------------------------------------------------------------------

TEST_F(NdiReceiverTest, StatusStaysUntilTheWorkerWritesAndStopStartReloadsTheRuntime) {
  EXPECT_EQ(Status(), "Starting NDI");
  NdiSim_BlockReadyCheck(1);
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitUntil([] { return NdiSim_BlockedReadyChecks() == 1; }));
  const ReceiverSnapshot starting = receiver.GetSnapshot();
  EXPECT_EQ(starting.status, "Starting NDI");
  EXPECT_FALSE(starting.frame);
  NdiSim_BlockReadyCheck(0);

  SetSources({{"KESTRIN - Viewport", "a"}});
  ASSERT_TRUE(WaitForStatus("Receiving: KESTRIN - Viewport"));
  ASSERT_TRUE(Publish(TestPicture(4, 4, 16)));
  receiver.Stop();
  EXPECT_EQ(TailOf(Events(), 3), (std::vector<std::string>{"recv_destroy", "find_destroy", "unload"}));
  EXPECT_FALSE(RuntimeIsLoaded());
  EXPECT_FALSE(Frame());
  EXPECT_EQ(Status(), "Receiving: KESTRIN - Viewport");

  // The old status shows until the new worker writes; the runtime is loaded anew.
  NdiSim_BlockReadyCheck(1);
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitUntil([] { return NdiSim_BlockedReadyChecks() == 1; }));
  EXPECT_EQ(Status(), "Receiving: KESTRIN - Viewport");
  EXPECT_EQ(NdiSim_LoadCount(), 2);
  NdiSim_BlockReadyCheck(0);
  SetSources({});
  ASSERT_TRUE(WaitForStatus(kWaiting));
}

TEST_F(NdiReceiverTest, StartWhileRunningReplacesTheWorker) {
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(kWaiting));
  ASSERT_TRUE(Publish(TestPicture(4, 4, 16)));
  ASSERT_TRUE(receiver.Start());
  EXPECT_FALSE(Frame());
  EXPECT_EQ(NdiSim_UnloadCount(), 1);
  ASSERT_TRUE(WaitUntil([] { return NdiSim_LiveReceivers() == 1 && NdiSim_LoadCount() == 2; }));
}

// Every way the worker can end by itself leaves a status, releases what it
// created and frees the library.
struct EndingCase {
  const char* name;
  void (*script)();
  const char* folder;
  const char* status;
};

void PrintTo(const EndingCase& c, std::ostream* os) { *os << c.name; }

class NdiReceiverEnding : public NdiReceiverTest,
                          public ::testing::WithParamInterface<EndingCase> {};

TEST_P(NdiReceiverEnding, ReportsAndReleasesEverything) {
  GetParam().script();
  ndisim::ScopedRuntimeFolder folder(GetParam().folder);
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus(GetParam().status));
  ASSERT_TRUE(WaitUntil([] { return NdiSim_UnloadCount() == NdiSim_LoadCount(); }));
  EXPECT_FALSE(RuntimeIsLoaded());
  EXPECT_FALSE(Frame());
  EXPECT_EQ(NdiSim_CaptureCount(), 0);
  receiver.Stop();  // the worker has ended: nothing to wait for
  EXPECT_EQ(Status(), GetParam().status);
}

constexpr const char* kInstall = "Install NDI 6 Runtime and restart the host";
INSTANTIATE_TEST_SUITE_P(
    , NdiReceiverEnding,
    ::testing::Values(
        EndingCase{"NoRuntime", [] {}, "/nonexistent", kInstall},
        EndingCase{"NoLoadExport", [] {}, NDISIM_RUNTIME_WITHOUT_EXPORT_DIR, kInstall},
        EndingCase{"NullTable", [] { NdiSim_SetLoadReturnsNull(1); }, NDISIM_RUNTIME_DIR,
                   kInstall},
        EndingCase{"NotReady", [] { NdiSim_SetReady(0); }, NDISIM_RUNTIME_DIR, kInstall},
        EndingCase{"NoFinder", [] { NdiSim_SetFinderCreateFails(1); }, NDISIM_RUNTIME_DIR,
                   "NDI initialization failed"},
        EndingCase{"NoReceiver", [] { NdiSim_SetReceiverCreateFails(1); }, NDISIM_RUNTIME_DIR,
                   "NDI initialization failed"}),
    [](const ::testing::TestParamInfo<EndingCase>& info) { return info.param.name; });

TEST_F(NdiReceiverTest, FailedCreationStillCreatesTheOtherAndDestroysWhatExists) {
  NdiSim_SetFinderCreateFails(1);
  ASSERT_TRUE(receiver.Start());
  ASSERT_TRUE(WaitForStatus("NDI initialization failed"));
  ASSERT_TRUE(WaitUntil([] { return NdiSim_UnloadCount() == 1; }));
  EXPECT_EQ(Events(), (std::vector<std::string>{"load", "ready", "find_create", "recv_create",
                                                "recv_destroy", "unload"}));
}

}  // namespace
