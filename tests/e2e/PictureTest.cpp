// What the layer shows: orientation, flip, the three framings against the
// viewport in force at the draw, black where nothing live is shown, freeze,
// and a stream that stalls.
#include "E2eSupport.h"

namespace {

using e2e::kBlack;
using e2e::kBlue;
using e2e::kCyan;
using e2e::kFlip;
using e2e::kFraming;
using e2e::kFreeze;
using e2e::kGreen;
using e2e::kMagenta;
using e2e::kRed;
using e2e::kSource;
using e2e::kYellow;
using e2e::Publish;
using e2e::QuadrantPicture;
using e2e::RgbaImage;
using e2e::SolidPicture;

class Pictures : public e2e::PreviewTest {
 protected:
  std::unique_ptr<testhost::HostFramebuffer> MakeLayer(uint32_t width, uint32_t height) {
    std::string error;
    auto fb = testhost::HostFramebuffer::Create(width, height, error);
    EXPECT_TRUE(fb) << error;
    return fb;
  }
};

// Every pixel of a coarse grid is opaque black.
::testing::AssertionResult AllBlack(const RgbaImage& image) {
  for (uint32_t y = 0; y < image.height; y += 5) {
    for (uint32_t x = 0; x < image.width; x += 5) {
      if (!e2e::Near(image.PixelFromTop(x, y), kBlack)) {
        return ::testing::AssertionFailure()
               << "(" << x << ", " << y << ") is " << e2e::Describe(image.PixelFromTop(x, y));
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// The 160 x 90 layer filled by an upright 16:9 quadrant picture.
void ExpectUprightQuadrants(const RgbaImage& image) {
  EXPECT_PIXEL(image, 40, 22, kRed);
  EXPECT_PIXEL(image, 120, 22, kGreen);
  EXPECT_PIXEL(image, 40, 67, kBlue);
  EXPECT_PIXEL(image, 120, 67, kYellow);
  EXPECT_PIXEL(image, 5, 45, kMagenta);
  EXPECT_PIXEL(image, 155, 45, kMagenta);
}

TEST_F(Pictures, FrameIsDrawnUprightAndFlipPutsTheFirstRowAtTheBottom) {
  auto& instance = Instantiate();
  QuadrantPicture picture(64, 36);
  ASSERT_TRUE(Publish(picture.frame));
  ExpectUprightQuadrants(Render(instance));

  ASSERT_EQ(instance.SetFloatParameter(kFlip, 1.0f), FF_SUCCESS);
  const RgbaImage flipped = Render(instance);
  EXPECT_PIXEL(flipped, 40, 22, kBlue);
  EXPECT_PIXEL(flipped, 120, 22, kYellow);
  EXPECT_PIXEL(flipped, 40, 67, kRed);
  EXPECT_PIXEL(flipped, 120, 67, kGreen);
}

TEST_F(Pictures, WideFrameInASquareLayerFitsFillsAndStretches) {
  auto square = MakeLayer(100, 100);
  auto& instance = Instantiate({0, 0, 100, 100});
  QuadrantPicture picture(64, 36);  // 16:9
  ASSERT_TRUE(Publish(picture.frame));

  // Fit: the whole width, bars above and below (the picture covers the
  // middle 56.25 % of the height).
  const RgbaImage fit = Render(instance, square.get());
  EXPECT_PIXEL(fit, 50, 5, kBlack);
  EXPECT_PIXEL(fit, 50, 94, kBlack);
  EXPECT_PIXEL(fit, 30, 30, kRed);
  EXPECT_PIXEL(fit, 70, 70, kYellow);
  EXPECT_PIXEL(fit, 2, 50, kMagenta);

  // Fill, from exactly 0.5 on: the whole layer, the sides of the frame cut
  // off (the magenta bands are gone).
  ASSERT_EQ(instance.SetFloatParameter(kFraming, 0.5f), FF_SUCCESS);
  const RgbaImage fill = Render(instance, square.get());
  EXPECT_PIXEL(fill, 2, 2, kRed);
  EXPECT_PIXEL(fill, 97, 2, kGreen);
  EXPECT_PIXEL(fill, 2, 97, kBlue);
  EXPECT_PIXEL(fill, 97, 97, kYellow);

  // Stretch (from 1.5 on): the whole frame on the whole layer.
  ASSERT_EQ(instance.SetFloatParameter(kFraming, 1.5f), FF_SUCCESS);
  const RgbaImage stretch = Render(instance, square.get());
  EXPECT_PIXEL(stretch, 2, 50, kMagenta);
  EXPECT_PIXEL(stretch, 30, 2, kRed);
  EXPECT_PIXEL(stretch, 70, 97, kYellow);
}

TEST_F(Pictures, NarrowFrameInAWideLayerIsPillarboxedByFitAndCroppedByFill) {
  auto& instance = Instantiate();
  QuadrantPicture picture(48, 36);  // 4:3 in 16:9: the picture spans x 20 to 140
  ASSERT_TRUE(Publish(picture.frame));

  const RgbaImage fit = Render(instance);
  EXPECT_PIXEL(fit, 5, 45, kBlack);
  EXPECT_PIXEL(fit, 154, 45, kBlack);
  EXPECT_PIXEL(fit, 23, 45, kMagenta);
  EXPECT_PIXEL(fit, 50, 22, kRed);
  EXPECT_PIXEL(fit, 110, 67, kYellow);
  EXPECT_PIXEL(fit, 100, 1, kGreen);  // full height

  ASSERT_EQ(instance.SetFloatParameter(kFraming, 1.0f), FF_SUCCESS);
  const RgbaImage fill = Render(instance);
  EXPECT_PIXEL(fill, 1, 45, kMagenta);  // full width
  EXPECT_PIXEL(fill, 40, 1, kRed);
  EXPECT_PIXEL(fill, 120, 88, kYellow);
}

TEST_F(Pictures, FramingFollowsTheViewportInForceAtTheDraw) {
  // Instantiated square, drawn into a 16:9 layer: a 16:9 frame fills it.
  auto& instance = Instantiate({0, 0, 100, 100});
  QuadrantPicture picture(64, 36);
  ASSERT_TRUE(Publish(picture.frame));
  const RgbaImage wide = Render(instance);
  ExpectUprightQuadrants(wide);
  EXPECT_PIXEL(wide, 40, 1, kRed);

  // The same instance drawn into a square layer letterboxes it.
  auto square = MakeLayer(100, 100);
  const RgbaImage letterboxed = Render(instance, square.get());
  EXPECT_PIXEL(letterboxed, 50, 5, kBlack);
  EXPECT_PIXEL(letterboxed, 30, 30, kRed);
}

TEST_F(Pictures, OutputIsOpaqueBlackBeforeTheFirstFrameAndAfterASourceChange) {
  ndisim::SetSourceNames({e2e::kMainSource, "KESTRIN - VP-03 - Floor"});
  auto& instance = Instantiate();
  layer->Clear(0.5f, 0.5f, 0.5f, 0.5f);
  EXPECT_TRUE(AllBlack(Render(instance)));  // every pixel written, alpha 1

  QuadrantPicture picture(64, 36);
  ASSERT_TRUE(Publish(picture.frame));
  ExpectUprightQuadrants(Render(instance));

  ASSERT_EQ(instance.SetFloatParameter(kSource, 3.0f), FF_SUCCESS);
  EXPECT_TRUE(AllBlack(Render(instance)));

  // The new source's first frame shows.
  ASSERT_TRUE(e2e::WaitUntil([] { return e2e::LastConnectedName() == "KESTRIN - VP-03 - Floor"; }));
  SolidPicture cyan(32, 18, kCyan);
  ASSERT_TRUE(Publish(cyan.frame));
  EXPECT_PIXEL(Render(instance), 80, 45, kCyan);
}

TEST_F(Pictures, FreezeKeepsThePictureUntilReleased) {
  auto& instance = Instantiate();
  QuadrantPicture picture(64, 36);
  ASSERT_TRUE(Publish(picture.frame));
  ExpectUprightQuadrants(Render(instance));

  ASSERT_EQ(instance.SetFloatParameter(kFreeze, 1.0f), FF_SUCCESS);
  SolidPicture cyan(64, 36, kCyan);
  ASSERT_TRUE(Publish(cyan.frame));
  ExpectUprightQuadrants(Render(instance));
  EXPECT_EQ(Connection(instance), "Frozen");

  ASSERT_EQ(instance.SetFloatParameter(kFreeze, 0.0f), FF_SUCCESS);
  EXPECT_PIXEL(Render(instance), 80, 45, kCyan);
  EXPECT_EQ(Connection(instance), std::string("Receiving: ") + e2e::kMainSource);
}

TEST_F(Pictures, SwitchingSourceWhileFrozenTurnsTheOutputBlack) {
  ndisim::SetSourceNames({e2e::kMainSource, "KESTRIN - VP-03 - Floor"});
  auto& instance = Instantiate();
  QuadrantPicture picture(64, 36);
  ASSERT_TRUE(Publish(picture.frame));
  ExpectUprightQuadrants(Render(instance));
  ASSERT_EQ(instance.SetFloatParameter(kFreeze, 1.0f), FF_SUCCESS);
  ExpectUprightQuadrants(Render(instance));

  ASSERT_EQ(instance.SetFloatParameter(kSource, 3.0f), FF_SUCCESS);
  EXPECT_TRUE(AllBlack(Render(instance)));

  // Still frozen: a frame of the new source does not show until released.
  ASSERT_TRUE(e2e::WaitUntil([] { return e2e::LastConnectedName() == "KESTRIN - VP-03 - Floor"; }));
  SolidPicture cyan(64, 36, kCyan);
  ASSERT_TRUE(Publish(cyan.frame));
  EXPECT_TRUE(AllBlack(Render(instance)));
  ASSERT_EQ(instance.SetFloatParameter(kFreeze, 0.0f), FF_SUCCESS);
  EXPECT_PIXEL(Render(instance), 80, 45, kCyan);

  // A new name override lets the frozen picture go just the same.
  ASSERT_EQ(instance.SetFloatParameter(kFreeze, 1.0f), FF_SUCCESS);
  EXPECT_PIXEL(Render(instance), 80, 45, kCyan);
  ASSERT_EQ(instance.SetTextParameter(e2e::kNameOverride, "Studio Cam"), FF_SUCCESS);
  EXPECT_TRUE(AllBlack(Render(instance)));
}

// The two cases below wait out the two-second limit; each is a test of its
// own so that they run in parallel.
TEST_F(Pictures, StalledStreamTurnsBlackAndSaysSoUntilTheNextFrame) {
  auto& instance = Instantiate();
  QuadrantPicture picture(64, 36);
  ASSERT_TRUE(Publish(picture.frame));
  ExpectUprightQuadrants(Render(instance));

  RgbaImage stale;
  ASSERT_TRUE(e2e::WaitUntil([&] {
    stale = Render(instance);
    return Connection(instance) == "No recent video frames";
  }));
  EXPECT_TRUE(AllBlack(stale));  // the same draw that announced it

  ASSERT_TRUE(Publish(picture.frame));
  ExpectUprightQuadrants(Render(instance));
  EXPECT_EQ(Connection(instance), std::string("Receiving: ") + e2e::kMainSource);
}

TEST_F(Pictures, FrozenPictureStaysLiveHoweverOld) {
  auto& instance = Instantiate();
  QuadrantPicture picture(64, 36);
  ASSERT_TRUE(Publish(picture.frame));
  ExpectUprightQuadrants(Render(instance));
  ASSERT_EQ(instance.SetFloatParameter(kFreeze, 1.0f), FF_SUCCESS);

  std::this_thread::sleep_for(std::chrono::milliseconds(2200));  // past the limit
  ExpectUprightQuadrants(Render(instance));
  EXPECT_EQ(Connection(instance), "Frozen");

  ASSERT_EQ(instance.SetFloatParameter(kFreeze, 0.0f), FF_SUCCESS);
  EXPECT_TRUE(AllBlack(Render(instance)));
  EXPECT_EQ(Connection(instance), "No recent video frames");
}

}  // namespace
