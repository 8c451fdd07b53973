// Which captured records become a VideoFrame, and what the frame holds.
#include <cmath>
#include <limits>

#include "NdiTestSupport.h"
#include "preview/VideoFrame.h"

namespace {

using nditest::TestPicture;

TEST(VideoFrame, PacksRowsOfAPaddedStrideAndKeepsTheReceiptTime) {
  TestPicture picture(3, 4, 3 * 4 + 7, kNdiFourCCBgrx, 2.5f);
  const auto frame = MakeVideoFrame(picture.Record(), 123456789);
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
    const auto frame = MakeVideoFrame(picture.Record(), 0);
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
    EXPECT_FALSE(MakeVideoFrame(record, 0)) << c.what;
  }
}

TEST(VideoFrame, AspectFallsBackToWidthOverHeightUnlessPositive) {
  for (const float given : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(),
                            -std::numeric_limits<float>::infinity()}) {
    TestPicture picture(1920, 1080, 1920 * 4, kNdiFourCCBgra, given);
    const auto frame = MakeVideoFrame(picture.Record(), 0);
    ASSERT_TRUE(frame);
    EXPECT_NEAR(frame->aspect, 1.7778f, 1e-4f) << given;
  }
}

}  // namespace
