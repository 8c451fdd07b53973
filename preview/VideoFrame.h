// One received picture, and what the receiver hands to the host's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct NdiVideoFrameRecord;

// A packed BGRA (or BGRX) picture, rows top-down with no padding. Made with
// std::make_shared and never written once published, so any thread may read
// it and whichever drops the last reference frees it.
struct VideoFrame {
  std::int32_t width = 0;   // 1 to 8192
  std::int32_t height = 0;  // 1 to 8192
  float aspect = 1.0f;      // display width over height
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes
  std::int64_t timestampNs = 0;      // steady clock at receipt
};

// The receiver's state as the host's thread sees it: a copy of the status
// text and a reference to the newest frame (empty when there is none).
struct ReceiverSnapshot {
  std::string status = "Starting NDI";
  std::shared_ptr<VideoFrame> frame;
};

// Frames are limited to this many pixels each way.
constexpr std::int32_t kMaxVideoFrameSide = 8192;

// Makes a packed copy of a captured video record received at `receivedNs`,
// or returns null when the record is not an acceptable picture (null data, a
// side outside 1 to 8192, a stride too short for a row, a FourCC other than
// BGRA or BGRX). Throws std::bad_alloc when the copy cannot be allocated.
std::shared_ptr<VideoFrame> MakeVideoFrame(const NdiVideoFrameRecord& record,
                                           std::int64_t receivedNs);
