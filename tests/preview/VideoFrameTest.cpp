// Which captured records become a VideoFrame, and what the frame holds.
#include <cmath>
#include <limits>
#include <atomic>
#include <memory>

#include "NdiTestSupport.h"
#include "preview/VideoFrame.h"
#include "testing/portable/TestOs.h"

namespace {

using nditest::TestPicture;

// Frames in storage from one pool per test.
std::shared_ptr<VideoFrame> Make(const NdiVideoFrameRecord& record, std::int64_t receivedNs = 0) {
  static std::shared_ptr<VideoFramePool> pool;
  pool = std::make_shared<VideoFramePool>();
  return MakeVideoFrame(record, receivedNs, pool);
}

TEST(VideoFrame, PacksRowsOfAPaddedStrideAndKeepsTheReceiptTime) {
  TestPicture picture(3, 4, 3 * 4 + 7, kNdiFourCCBgrx, 2.5f);
  const auto frame = Make(picture.Record(), 123456789);
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->width, 3);
  EXPECT_EQ(frame->height, 4);
  EXPECT_FLOAT_EQ(frame->aspect, 2.5f);
  EXPECT_EQ(frame->timestampNs, 123456789);
  EXPECT_EQ(frame->pixels, picture.Packed());
}

TEST(VideoFrame, AcceptsTheLargestAndSmallestSidesAndAnExactStride) {
  for (const auto& [width, height] : {std::pair{8192, 1}, std::pair{1, 8192}, std::pair{1, 1}}) {
    TestPicture picture(width, height, width * 4);
    const auto frame = Make(picture.Record());
    ASSERT_TRUE(frame) << width << "x" << height;
    EXPECT_EQ(frame->pixels, picture.Packed());
  }
}

TEST(VideoFrame, RejectsRecordsThatAreNoUsablePicture) {
  struct Case {
    const char* what;
    std::int32_t width, height, stride;
    std::uint32_t fourCC;
    bool nullData;
  };
  const Case cases[] = {
      {"8193 wide", 8193, 1, 8193 * 4, kNdiFourCCBgra, false},
      {"8193 high", 1, 8193, 4, kNdiFourCCBgra, false},
      {"zero wide", 0, 2, 16, kNdiFourCCBgra, false},
      {"negative high", 2, -1, 16, kNdiFourCCBgra, false},
      {"stride one byte short", 4, 2, 4 * 4 - 1, kNdiFourCCBgra, false},
      {"negative stride", 4, 2, -16, kNdiFourCCBgra, false},
      {"null data", 4, 2, 16, kNdiFourCCBgra, true},
      {"UYVY", 4, 2, 16, kNdiFourCCUyvy, false},
      {"RGBA", 4, 2, 16, 0x41424752, false},
  };
  for (const Case& c : cases) {
    TestPicture picture(c.width, c.height, c.stride, c.fourCC);
    NdiVideoFrameRecord record = picture.Record();
    if (c.nullData) record.data = nullptr;
    EXPECT_FALSE(Make(record)) << c.what;
  }
}

TEST(VideoFrame, AspectFallsBackToWidthOverHeightUnlessPositive) {
  for (const float given : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::infinity()}) {
    TestPicture picture(1920, 1080, 1920 * 4, kNdiFourCCBgra, given);
    const auto frame = Make(picture.Record());
    ASSERT_TRUE(frame);
    EXPECT_NEAR(frame->aspect, 1.7778f, 1e-4f) << given;
  }
}

TEST(VideoFramePool, ReusesTheStorageOfDroppedFramesAndNeverOfHeldOnes) {
  const auto pool = std::make_shared<VideoFramePool>();
  TestPicture first(64, 32, 64 * 4 + 12), second(64, 32, 64 * 4), third(64, 32, 64 * 4 + 4);
  for (std::uint8_t& byte : second.bytes) byte = static_cast<std::uint8_t>(byte ^ 0x5A);
  for (std::uint8_t& byte : third.bytes) byte = static_cast<std::uint8_t>(byte + 77);

  auto held = MakeVideoFrame(first.Record(), 1, pool);
  auto dropped = MakeVideoFrame(second.Record(), 2, pool);
  ASSERT_TRUE(held && dropped);
  const std::uint8_t* droppedStorage = dropped->pixels.data();
  dropped.reset();
  EXPECT_EQ(pool->SpareBuffers(), 1);

  const auto reused = MakeVideoFrame(third.Record(), 3, pool);
  ASSERT_TRUE(reused);
  EXPECT_EQ(reused->pixels.data(), droppedStorage);
  EXPECT_EQ(reused->pixels, third.Packed());
  EXPECT_EQ(pool->SpareBuffers(), 0);
  // The frame still held kept its own storage and its picture.
  EXPECT_NE(held->pixels.data(), reused->pixels.data());
  EXPECT_EQ(held->pixels, first.Packed());
}

TEST(VideoFramePool, StaysBoundedAndDropsStorageOfAnOldSize) {
  const auto pool = std::make_shared<VideoFramePool>();
  TestPicture small(16, 16, 16 * 4), large(32, 16, 32 * 4);
  std::vector<std::shared_ptr<VideoFrame>> frames;
  for (int i = 0; i < 4; ++i) frames.push_back(MakeVideoFrame(small.Record(), i, pool));
  auto lateSmall = frames.back();
  frames.clear();
  EXPECT_EQ(pool->SpareBuffers(), VideoFramePool::kSlots);

  // The source changes size: the spare small buffers go, and so does the
  // storage of a small frame dropped afterwards.
  const auto first = MakeVideoFrame(large.Record(), 5, pool);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->pixels, large.Packed());
  EXPECT_EQ(first->pixels.capacity(), large.Packed().size());
  EXPECT_EQ(pool->SpareBuffers(), 0);
  lateSmall.reset();
  EXPECT_EQ(pool->SpareBuffers(), 0);
}

TEST(VideoFramePool, AFrameMayOutliveThePoolOwnerAndGoBackFromAnyThread) {
  auto pool = std::make_shared<VideoFramePool>();
  TestPicture picture(8, 8, 8 * 4);
  auto frame = MakeVideoFrame(picture.Record(), 0, pool);
  const std::weak_ptr<VideoFramePool> watch = pool;
  pool.reset();  // the receiver ends; its frame is still shown
  ASSERT_FALSE(watch.expired());
  EXPECT_EQ(frame->pixels, picture.Packed());
  testos::Thread([dropped = std::move(frame)]() mutable { dropped.reset(); }).Join();
  EXPECT_TRUE(watch.expired());  // the last frame took the pool with it
}

// Frames made and dropped on several threads at once: no storage is ever
// handed out while a frame still holds it.
TEST(VideoFramePool, ThreadsTakingAndGivingNeverShareStorage) {
  const auto pool = std::make_shared<VideoFramePool>();
  std::vector<std::unique_ptr<testos::Thread>> threads;
  std::atomic<int> clashes{0};
  for (int t = 0; t < 4; ++t) {
    threads.push_back(std::make_unique<testos::Thread>([&, t] {
      TestPicture picture(16, 4, 16 * 4);
      for (std::uint8_t& byte : picture.bytes) byte = static_cast<std::uint8_t>(t);
      std::shared_ptr<VideoFrame> kept;
      for (int i = 0; i < 20000; ++i) {
        auto frame = MakeVideoFrame(picture.Record(), i, pool);
        if (kept && kept->pixels != picture.Packed()) ++clashes;
        kept = i % 3 ? std::move(frame) : nullptr;
      }
    }));
  }
  for (auto& thread : threads) thread->Join();
  EXPECT_EQ(clashes.load(), 0);
  EXPECT_LE(pool->SpareBuffers(), VideoFramePool::kSlots);
}

}  // namespace
