// Instances over their life: the worker ends with code 19 and the runtime is
// released, repeated cycles leave nothing behind, instances run side by side,
// and an instance whose worker cannot start is refused cleanly.
#include "E2eSupport.h"

namespace {

using e2e::ThreadCount;
using e2e::WaitUntil;

using Life = e2e::PreviewTest;

TEST_F(Life, DeinstantiatingStopsTheWorkerAndReleasesTheRuntime) {
  const int threads = ThreadCount();
  auto instance = library->Instantiate({0, 0, 160, 90});
  ASSERT_TRUE(instance);
  ASSERT_TRUE(RenderUntilReceiving(*instance, e2e::kMainSource));
  // The driver may start threads of its own at the first draw, so the
  // worker is counted against the threads running just before code 19.
  const int running = ThreadCount();
  EXPECT_GE(running, threads + 1);

  // Code 19 returns only once the worker has ended and released everything.
  EXPECT_EQ(instance->Deinstantiate(), FF_SUCCESS);
  EXPECT_TRUE(e2e::ThreadCountSettlesAt(running - 1)) << ThreadCount() << " threads";
  EXPECT_EQ(NdiSim_LiveReceivers(), 0);
  EXPECT_EQ(NdiSim_LiveFinders(), 0);
  const std::vector<std::string> events = ndisim::Events();
  ASSERT_GE(events.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(events.end() - 3, events.end()),
            (std::vector<std::string>{"recv_destroy", "find_destroy", "unload"}));
  EXPECT_FALSE(ndisim::RuntimeIsLoaded());
  ASSERT_EQ(NdiSim_ReceiverCreationCount(), 1);
  EXPECT_STREQ(NdiSim_ReceiverCreation(0).name, "KESTRIN FFGL Preview");
}

TEST_F(Life, FiftyInstantiationCyclesLeaveNothingBehind) {
  const testgl::GlObjects objects = testgl::LiveGlObjects();
  e2e::QuadrantPicture picture(64, 36);
  int threads = 0;
  for (int cycle = 0; cycle < 50; ++cycle) {
    // Counted after the first cycle: the driver may start threads of its own
    // at the first draw.
    if (cycle == 1) threads = ThreadCount();
    auto instance = library->Instantiate({0, 0, 160, 90});
    ASSERT_TRUE(instance) << "cycle " << cycle;
    if (cycle % 10 == 0) {
      ASSERT_TRUE(e2e::Publish(picture.frame));
    }
    Render(*instance);
    ASSERT_EQ(instance->Deinstantiate(), FF_SUCCESS);
  }
  EXPECT_TRUE(e2e::ThreadCountSettlesAt(threads)) << ThreadCount() << " threads";
  EXPECT_EQ(testgl::LiveGlObjects(), objects);
  EXPECT_EQ(NdiSim_LoadCount(), 50);
  EXPECT_EQ(NdiSim_UnloadCount(), 50);
  EXPECT_FALSE(ndisim::RuntimeIsLoaded());
}

TEST_F(Life, InstancesRunSideBySideEachOnItsOwnSource) {
  // The main viewport plays the demo picture; the other sources send nothing.
  NdiSim_SetDemoSource(1);
  ndisim::SetSourceNames({"Studio Cam", "KESTRIN - VP-05 - Left wall"});
  auto& viewport = Instantiate();
  auto& camera = Instantiate();
  auto& projector = Instantiate();
  ASSERT_EQ(camera.SetTextParameter(e2e::kNameOverride, "Studio Cam"), FF_SUCCESS);
  ASSERT_EQ(projector.SetFloatParameter(e2e::kSource, 5.0f), FF_SUCCESS);

  EXPECT_TRUE(RenderUntilReceiving(viewport, NDISIM_DEMO_SOURCE_NAME));
  EXPECT_TRUE(RenderUntilReceiving(camera, "Studio Cam"));
  EXPECT_TRUE(RenderUntilReceiving(projector, "KESTRIN - VP-05 - Left wall"));
  EXPECT_EQ(NdiSim_LiveReceivers(), 3);

  // Only the viewport's layer shows a picture: the demo's sky at the top.
  e2e::RgbaImage shown;
  ASSERT_TRUE(WaitUntil([&] {
    shown = Render(viewport);
    return shown.PixelFromTop(80, 2) != e2e::kBlack;
  }));
  EXPECT_GT(shown.PixelFromTop(80, 2).b, shown.PixelFromTop(80, 2).g);
  EXPECT_EQ(Render(camera).PixelFromTop(80, 45), e2e::kBlack);
  EXPECT_EQ(Render(projector).PixelFromTop(80, 45), e2e::kBlack);

  // Ending one leaves the others running.
  instances.erase(instances.begin() + 1);
  EXPECT_EQ(NdiSim_LiveReceivers(), 2);
  EXPECT_TRUE(RenderUntilReceiving(projector, "KESTRIN - VP-05 - Left wall"));
}

#if defined(__GLIBC__)  // thread creation can be made to fail on glibc only
TEST_F(Life, InstantiationIsRefusedCleanlyWhenNoWorkerCanStart) {
  const int threads = ThreadCount();
  const testgl::GlObjects objects = testgl::LiveGlObjects();
  FFGLValue answer{0};
  {
    testos::ScopedThreadCreationFailure noThreads;
    ASSERT_TRUE(noThreads.Active());
    const ViewportRecord viewport{0, 0, 160, 90};
    answer = library->InstantiateRaw(&viewport);
  }
  EXPECT_TRUE(testhost::IsFail(answer));
  EXPECT_TRUE(e2e::ThreadCountSettlesAt(threads)) << ThreadCount() << " threads";
  EXPECT_EQ(testgl::LiveGlObjects(), objects);  // InitGL's GL objects were freed
  EXPECT_EQ(NdiSim_LoadCount(), 0);

  // Once threads can be made again, instances work as ever.
  auto& instance = Instantiate();
  EXPECT_TRUE(RenderUntilReceiving(instance, e2e::kMainSource));
}
#endif

}  // namespace
